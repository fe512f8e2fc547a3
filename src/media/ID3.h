// The two ID3 tag versions of MP3 files: ID3v2 at the start (its size is
// what the MPEG analysis needs, to skip it) and ID3v1 in the last 128 bytes.
// The text fields are read for completeness.
#pragma once

#include <cstdint>
#include <string>

#include "swf/SWFObject.h"

namespace reelcast {

class TID3v2 : public TBasedSWFObject {
 public:
  int ObjectKind() const override { return 2; }
  // True when the file could be read, tag or not; false when it cannot be
  // opened or is shorter than 10 bytes.
  bool ReadFromFile(const std::string& fileName);
  void ResetData();

  bool Exists = false;
  uint8_t VersionId = 0;
  uint32_t TagSize = 0;  // header included; 0 without a tag or when it claims more than the file
  std::string Title, Artist, Album;
  int Track = 0;
  std::string Year, Genre, Comment;
};

class TID3v1 : public TBasedSWFObject {
 public:
  int ObjectKind() const override { return 2; }
  // True when the file could be read, tag or not. A file that cannot be
  // opened or is shorter than 128 bytes throws the stream's error.
  bool ReadFromFile(const std::string& fileName);
  void ResetData();
  // The genre's name from the published list; "" for 255 and unknown ids.
  std::string Genre() const;

  bool Exists = false;
  uint8_t VersionId = 0;  // 1: ID3v1.0, 2: ID3v1.1
  std::string Title, Artist, Album, Year, Comment;
  uint8_t Track = 0;
  uint8_t GenreId = 255;
};

// The published ID3v1 genre names, 0 .. 147.
constexpr int kID3GenreCount = 148;
const char* ID3GenreName(int id);  // "" outside the list

}  // namespace reelcast
