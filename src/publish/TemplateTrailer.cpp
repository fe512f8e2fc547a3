#include "publish/TemplateTrailer.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <vector>

#include <pugixml.hpp>

#include "swf/SWFStream.h"

namespace reelcast {
namespace {

uint32_t LittleEndian32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// The rectangle of the trailer's element of that name (left, top, right and
// bottom attributes); all zero as described for ReadImageArea.
TImageArea ReadTrailerArea(const std::string& templatePath, const char* element) {
  TImageArea area;
  std::ifstream file(templatePath, std::ios::binary);
  if (!file) return area;
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  if (size < 8) return area;
  unsigned char tail[8];
  file.seekg(size - 8);
  if (!file.read(reinterpret_cast<char*>(tail), 8)) return area;
  if (std::memcmp(tail + 4, "KRWP", 4) != 0) return area;
  const uint32_t length = LittleEndian32(tail);
  // The XML must lie after at least an SWF header's worth of bytes.
  if (length == 0 || static_cast<std::streamoff>(length) > size - 8) return area;
  std::vector<char> xml(length);
  file.seekg(size - 8 - static_cast<std::streamoff>(length));
  if (!file.read(xml.data(), length)) return area;

  pugi::xml_document doc;
  // The text is in the ANSI code page; the attributes read are numbers.
  pugi::xml_parse_result parsed =
      doc.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_latin1);
  if (!parsed) return area;
  pugi::xml_node node = doc.document_element().child(element);
  if (!node) return area;
  area.Left = node.attribute("left").as_int();
  area.Top = node.attribute("top").as_int();
  area.Right = node.attribute("right").as_int();
  area.Bottom = node.attribute("bottom").as_int();
  return area;
}

}  // namespace

TImageArea ReadImageArea(const std::string& templatePath) { return ReadTrailerArea(templatePath, "ImageArea"); }

TImageArea ReadTitleArea(const std::string& partPath) { return ReadTrailerArea(partPath, "TitleArea"); }

void CheckImageArea(const TImageArea& area, const std::string& templatePath) {
  if (area.Right > area.Left && area.Bottom > area.Top) return;
  if (area.Left == 0 && area.Top == 0 && area.Right == 0 && area.Bottom == 0)
    throw ETemplateError("The template " + templatePath +
                         " has no readable image area (a \"KRWP\" trailer with an ImageArea element)");
  throw ETemplateError("The template " + templatePath + " has an image area without width or height: (" +
                       std::to_string(area.Left) + ", " + std::to_string(area.Top) + ")-(" +
                       std::to_string(area.Right) + ", " + std::to_string(area.Bottom) + ")");
}

bool SwfPixelSize(const std::string& swfPath, int32_t& width, int32_t& height) {
  TSWFStreamReader reader;
  try {
    reader.LoadFromFile(swfPath);
  } catch (const std::exception&) {
    return false;
  }
  if (!reader.IsSWF()) return false;
  const TRect& r = reader.FrameRect;
  width = static_cast<int32_t>(std::lround((r.Right - r.Left) / 20.0));
  height = static_cast<int32_t>(std::lround((r.Bottom - r.Top) / 20.0));
  return true;
}

}  // namespace reelcast
