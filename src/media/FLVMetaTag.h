// The onMetaData tag that the conversion job puts in front of an encoded
// FLV's first tag, carrying the video's duration, size and rates, and the in-place insertion
// (AddFlvMetaData) that writes a new file and replaces the old one by rename.
#pragma once

#include <string>

namespace reelcast {

// The file name of the scratch copy, made in the FLV's own folder.
inline constexpr const char* kFLVMetaTempName = "QVXTempflv.flv";

struct TMetaData {
  double Duration = 0;  // seconds
  // What a player shows before the first frame arrives; 0 leaves an entry out.
  double Width = 0, Height = 0;  // pixels
  double FrameRate = 0;          // frames per second
  double VideoCodecId = 0;       // the FLV codec id (2 for H.263)
  bool HasAudio = false;         // the audio entries below are written
  double AudioCodecId = 0;       // the FLV sound format (2 for MP3)
  double AudioSampleRate = 0;    // Hz
  double AudioSampleSize = 0;    // bits
  bool Stereo = false;
};

// The script tag: tag header, "onMetaData", an ECMA array of the numbers
// "duration", then "width", "height", "framerate", "videocodecid" and, with
// audio, "audiocodecid", "audiosamplerate", "audiosamplesize" and the boolean
// "stereo" (each only when known), the end marker and the back-pointer.
std::string MakeFLVMetaTag(const TMetaData& meta);
// The 55 bytes of the tag with the duration alone.
std::string MakeFLVDurationTag(double seconds);

class TFLVAddHead {
 public:
  // Writes dest: the first 13 bytes of source (header and PreviousTagSize0),
  // its metadata tag, then the rest of source. False, with dest not written,
  // when source is missing, is not an FLV or already starts with a script
  // tag; false, with dest removed again, when writing fails.
  bool AddHead(const std::string& source, const std::string& dest);
  // The duration (video frame count over frame rate), picture size, rates and
  // codecs of the file; all 0 for a missing file.
  TMetaData ReadMetaData(const std::string& source);
};

enum class TAddMetaDataResult { Added, AlreadyPresent, Failed };

// Gives the FLV at path its metadata tag in place: the new file is written
// beside it (as tempPath, or kFLVMetaTempName in the same folder) and renamed
// over it. On any failure the original is left as it was.
TAddMetaDataResult AddFlvMetaData(const std::string& path, const std::string& tempPath = "");

}  // namespace reelcast
