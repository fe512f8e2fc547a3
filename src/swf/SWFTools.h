// File-level services over the SWF reader: a listing of a movie's header and
// tags (text or JSON) and the rewrite of a movie (optionally through tag
// objects, renumbered, compressed or not). reelcast-cli's "swf" command is a
// thin front end to these.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "swf/Records.h"
#include "swf/SWFObject.h"

namespace reelcast {

struct TSWFDumpOptions {
  bool Actions = false;  // list the actions of DoAction, DoInitAction, button and clip actions
};

struct TSWFDumpTag {
  size_t Index = 0;
  uint16_t Code = 0;  // the code in the file (also for raw tags)
  std::string ClassName;
  std::string Name;  // "DefineShape", "Unknown"
  uint16_t Frame = 0;
  uint32_t Position = 0;  // of the header, in the body
  uint32_t Length = 0;
  bool LongHeader = false;
  std::string ErrorText;  // raw tags: why the tag is kept as bytes
  std::string Fields;     // the tag object's own description of its fields
  std::vector<std::string> Actions;
  std::vector<TSWFDumpTag> SubTags;
};

struct TSWFDump {
  std::string FileName;
  bool IsSWF = false;
  std::string Signature;
  uint8_t Version = 0;
  uint32_t FileLength = 0;
  TRect FrameRect;  // twips
  float FrameRate = 0;
  uint16_t FrameCount = 0;
  uint32_t BodySize = 0;
  std::vector<TSWFDumpTag> Tags;
  std::vector<std::string> Problems;
};

// Loads and parses the file (tags into objects, so that tags whose reader
// fails show their error). Throws only when the file cannot be opened.
TSWFDump DumpSWFFile(const std::string& fileName, const TSWFDumpOptions& options = {});
std::string FormatDumpText(const TSWFDump& dump);
std::string FormatDumpJson(const TSWFDump& dump);
// text as a JSON string: quoted, with quotes, backslashes and control
// characters escaped (bytes from 0x80 on are passed through).
std::string JsonString(const std::string& text);

struct TSWFRewriteOptions {
  enum class TCompression { Keep, Compress, Uncompress };
  bool Objects = false;   // rebuild the body from tag objects
  bool Actions = false;   // parse action byte code into actions (needs Objects)
  int RenumberFrom = -1;  // first new character id, or -1 (needs Objects)
  TCompression Compression = TCompression::Keep;
};

struct TSWFRewriteResult {
  size_t TagCount = 0;
  size_t RawTags = 0;  // tags kept as bytes because their reader failed
  int NextId = -1;     // after renumbering
  uint32_t FileLength = 0;
  bool Compressed = false;
  std::vector<std::string> Problems;
};

// Loads input, rebuilds the body and saves it as output. Renumbering and
// action parsing imply tag objects. Throws ESWFError when the input is not an
// SWF, stream errors when a file cannot be read or written.
TSWFRewriteResult RewriteSWFFile(const std::string& input, const std::string& output,
                                 const TSWFRewriteOptions& options);

}  // namespace reelcast
