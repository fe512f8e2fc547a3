// The onMetaData tag that the conversion job puts in front of an encoded
// FLV's first tag, carrying the video's duration, and the in-place insertion
// (AddFlvMetaData) that writes a new file and replaces the old one by rename.
#pragma once

#include <string>

namespace reelcast {

// The file name of the scratch copy, made in the FLV's own folder.
inline constexpr const char* kFLVMetaTempName = "QVXTempflv.flv";

struct TMetaData {
  double Duration = 0;  // seconds
};

// The 55 bytes of the script tag with the duration: tag header, "onMetaData",
// an ECMA array of one number "duration", the end marker and the back-pointer.
std::string MakeFLVDurationTag(double seconds);

class TFLVAddHead {
 public:
  // Writes dest: the first 13 bytes of source (header and PreviousTagSize0),
  // the duration tag, then the rest of source. False, with dest not written,
  // when source is missing, is not an FLV or already starts with a script
  // tag; false, with dest removed again, when writing fails.
  bool AddHead(const std::string& source, const std::string& dest);
  // The duration: video frame count over frame rate; 0 for a missing file.
  TMetaData ReadMetaData(const std::string& source);
};

enum class TAddMetaDataResult { Added, AlreadyPresent, Failed };

// Gives the FLV at path a duration tag in place: the new file is written
// beside it (as tempPath, or kFLVMetaTempName in the same folder) and renamed
// over it. On any failure the original is left as it was.
TAddMetaDataResult AddFlvMetaData(const std::string& path, const std::string& tempPath = "");

}  // namespace reelcast
