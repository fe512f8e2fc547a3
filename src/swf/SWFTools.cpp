#include "swf/SWFTools.h"

#include <cstdarg>
#include <cstdio>

#include "swf/Buttons.h"
#include "swf/DisplayList.h"
#include "swf/DoAction.h"
#include "swf/SWFStream.h"

namespace reelcast {

namespace {

TSWFDumpTag DumpTag(TSWFTagInfo& info, size_t index, const TSWFDumpOptions& options) {
  TSWFDumpTag tag;
  tag.Index = index;
  tag.Code = info.TagCode;
  tag.Frame = info.FrameNumber;
  tag.Position = info.Position;
  tag.Length = info.Length;
  tag.LongHeader = info.IsLongHeader;
  if (auto* raw = dynamic_cast<TSWFByteCodeTag*>(info.TagObject)) {
    tag.Code = raw->FileTagCode;
    tag.ErrorText = raw->ErrorText;
  }
  tag.ClassName = info.TagObject ? info.TagObject->ClassName() : TagClassName(tag.Code);
  tag.Name = TagName(tag.Code);
  if (info.TagObject) tag.Fields = info.TagObject->Describe();
  if (options.Actions) {
    auto list = [&tag](const TSWFActionList& actions, const std::string& indent) {
      for (size_t i = 0; i < actions.Count(); ++i)
        tag.Actions.push_back(indent + actions[i]->Describe());
    };
    char head[64];
    if (auto* doAction = dynamic_cast<TSWFDoAction*>(info.TagObject)) {
      list(doAction->Actions(), "");
    } else if (auto* button = dynamic_cast<TSWFDefineButton*>(info.TagObject)) {
      list(button->Actions, "");
    } else if (auto* button2 = dynamic_cast<TSWFDefineButton2*>(info.TagObject)) {
      for (const auto& cond : button2->Actions) {
        std::snprintf(head, sizeof head, "on conditions 0x%03X key %u:", cond->Conditions,
                      cond->KeyPress);
        tag.Actions.push_back(head);
        list(*cond, "  ");
      }
    } else if (auto* place = dynamic_cast<TSWFPlaceObject2*>(info.TagObject)) {
      if (place->HasClipActions && place->ClipActions()) {
        for (const auto& record : place->ClipActions()->Records) {
          std::snprintf(head, sizeof head, "on events 0x%05X key %u:", record->EventFlags,
                        record->KeyCode());
          tag.Actions.push_back(head);
          list(*record, "  ");
        }
      }
    }
  }
  for (size_t i = 0; i < info.SubTags.size(); ++i)
    tag.SubTags.push_back(DumpTag(*info.SubTags[i], i, options));
  return tag;
}

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

void TagLines(std::string& out, const TSWFDumpTag& tag, int indent) {
  std::string pad(static_cast<size_t>(indent), ' ');
  out += pad + Printf("[%zu] code %u %s (%s) frame %u at %u length %u%s", tag.Index, tag.Code,
                      tag.Name.c_str(), tag.ClassName.c_str(), tag.Frame, tag.Position, tag.Length,
                      tag.LongHeader ? " long header" : "");
  if (!tag.Fields.empty()) out += " | " + tag.Fields;
  if (!tag.ErrorText.empty()) out += ": " + tag.ErrorText;
  out += "\n";
  for (const auto& action : tag.Actions) out += pad + "    " + action + "\n";
  for (const auto& sub : tag.SubTags) TagLines(out, sub, indent + 4);
}

// Strings of the file are bytes in the system code page; JSON wants UTF-8.
std::string JsonText(const std::string& s) { return JsonString(AnsiToUtf8(s)); }

void TagJson(std::string& out, const TSWFDumpTag& tag) {
  out += Printf("{\"index\":%zu,\"code\":%u,\"name\":", tag.Index, tag.Code) + JsonText(tag.Name) +
         ",\"class\":" + JsonText(tag.ClassName) +
         Printf(",\"frame\":%u,\"position\":%u,\"length\":%u,\"longHeader\":%s", tag.Frame,
                tag.Position, tag.Length, tag.LongHeader ? "true" : "false");
  if (!tag.Fields.empty()) out += ",\"fields\":" + JsonText(tag.Fields);
  if (!tag.ErrorText.empty()) out += ",\"error\":" + JsonText(tag.ErrorText);
  if (!tag.Actions.empty()) {
    out += ",\"actions\":[";
    for (size_t i = 0; i < tag.Actions.size(); ++i)
      out += (i ? "," : "") + JsonText(tag.Actions[i]);
    out += "]";
  }
  if (!tag.SubTags.empty()) {
    out += ",\"tags\":[";
    for (size_t i = 0; i < tag.SubTags.size(); ++i) {
      if (i) out += ",";
      TagJson(out, tag.SubTags[i]);
    }
    out += "]";
  }
  out += "}";
}

}  // namespace

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          out += Printf("\\u%04x", c);
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

TSWFDump DumpSWFFile(const std::string& fileName, const TSWFDumpOptions& options) {
  TSWFDump dump;
  dump.FileName = fileName;
  TSWFStreamReader reader(fileName);
  dump.IsSWF = reader.IsSWF();
  if (dump.IsSWF) {
    reader.ParseTags(true, options.Actions);
    dump.Signature = std::string(reader.Signature(), 3);
    dump.Version = reader.SWFVersion();
    dump.FileLength = reader.FileLength;
    dump.FrameRect = reader.FrameRect;
    dump.FrameRate = reader.GetFPS();
    dump.FrameCount = reader.FrameCount;
    dump.BodySize = static_cast<uint32_t>(reader.GetBodyStream().Size());
    for (size_t i = 0; i < reader.TagCount(); ++i)
      dump.Tags.push_back(DumpTag(reader.TagInfo(i), i, options));
  }
  dump.Problems = reader.Problems();
  return dump;
}

std::string FormatDumpText(const TSWFDump& dump) {
  std::string out;
  if (!dump.IsSWF) {
    out += dump.FileName + ": not a readable SWF file\n";
  } else {
    const TRect& r = dump.FrameRect;
    out += dump.FileName + ": " + dump.Signature + " version " + std::to_string(dump.Version) +
           ", file length " + std::to_string(dump.FileLength) + "\n";
    out += Printf("stage (%d,%d)-(%d,%d) twips, %d x %d pixels; rate %.2f fps; %u frames\n", r.Left,
                  r.Top, r.Right, r.Bottom, (r.Right - r.Left) / 20, (r.Bottom - r.Top) / 20,
                  dump.FrameRate, dump.FrameCount);
    out += Printf("body %u bytes, %zu tags\n", dump.BodySize, dump.Tags.size());
    for (const auto& tag : dump.Tags) TagLines(out, tag, 0);
  }
  for (const auto& problem : dump.Problems) out += "problem: " + problem + "\n";
  return out;
}

std::string FormatDumpJson(const TSWFDump& dump) {
  std::string out = "{\"file\":" + JsonString(dump.FileName) +
                    ",\"isSWF\":" + (dump.IsSWF ? "true" : "false");
  if (dump.IsSWF) {
    const TRect& r = dump.FrameRect;
    out += ",\"signature\":" + JsonString(dump.Signature) +
           Printf(",\"version\":%u,\"fileLength\":%u", dump.Version, dump.FileLength) +
           Printf(",\"stage\":{\"xmin\":%d,\"ymin\":%d,\"xmax\":%d,\"ymax\":%d}", r.Left, r.Top,
                  r.Right, r.Bottom) +
           Printf(",\"rate\":%.4g,\"frameCount\":%u,\"bodySize\":%u", dump.FrameRate,
                  dump.FrameCount, dump.BodySize);
    out += ",\"tags\":[";
    for (size_t i = 0; i < dump.Tags.size(); ++i) {
      if (i) out += ",";
      TagJson(out, dump.Tags[i]);
    }
    out += "]";
  }
  out += ",\"problems\":[";
  for (size_t i = 0; i < dump.Problems.size(); ++i)
    out += (i ? "," : "") + JsonText(dump.Problems[i]);
  out += "]}\n";
  return out;
}

TSWFRewriteResult RewriteSWFFile(const std::string& input, const std::string& output,
                                 const TSWFRewriteOptions& options) {
  TSWFStreamReader reader(input);
  if (!reader.IsSWF()) {
    std::string reason = reader.Problems().empty() ? "not an SWF file" : reader.Problems().front();
    throw ESWFError(input + ": " + reason);
  }
  bool objects = options.Objects || options.Actions || options.RenumberFrom >= 0;
  TSWFRewriteResult result;
  if (objects) {
    std::optional<uint16_t> firstId;
    if (options.RenumberFrom >= 0) firstId = static_cast<uint16_t>(options.RenumberFrom);
    TSWFStreamReader::TRebuilt rebuilt = reader.RebuildBody(options.Actions, firstId);
    result.TagCount = rebuilt.TagCount;
    result.RawTags = rebuilt.RawTags;
    if (firstId) result.NextId = rebuilt.NextId;
  } else {
    // Tags copied as read tile the body: it is saved as it is, and the walk
    // only counts the tags and notes what is wrong.
    result.TagCount = reader.ForEachTag(nullptr, false, [](std::unique_ptr<TSWFTagInfo>&) {});
  }
  using TCompression = TSWFRewriteOptions::TCompression;
  if (options.Compression == TCompression::Compress) reader.SetCompressed(true);
  if (options.Compression == TCompression::Uncompress) reader.SetCompressed(false);
  reader.SaveToFile(output);
  result.FileLength = reader.FileLength;
  result.Compressed = reader.Compressed();
  result.Problems = reader.Problems();
  return result;
}

}  // namespace reelcast
