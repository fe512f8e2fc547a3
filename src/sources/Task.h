// The task record: one title or chapter of a DVD (or the DVD folder itself,
// the root row) with the settings it is converted with. The rows of the
// source list hold one each; the Convert command copies the checked ones into
// a TTaskArray, the conversion's work list.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/DvdDecoder.h"
#include "platform/EncoderManager.h"

namespace reelcast {

using TStringList = std::vector<std::string>;

// The source part of a task.
struct TBase {
  // "Title_01_02", "Chapter_07", or the DVD folder without its trailing '/'.
  std::string Name;
  int32_t TitleIndex = 0;     // 0-based within its title set
  double RoundedLength = 0;   // whole seconds, column "Original Length"
  // Titles: the number of chapters as decimal text; chapters: empty.
  std::string ChapterCount;
  int32_t TitleSetHandle = 0; // closed once the set has been read
  void* Reserved = nullptr;
  // Titles only (null for chapters and the root): audio track and subtitle
  // descriptions in the library's order. Every copy of the record shares
  // the same two lists.
  std::shared_ptr<TStringList> AudioTracks;
  std::shared_ptr<TStringList> Subtitles;
  // "Title_0102" for a title, "Chapter_07-127" for chapter 7 of title 2 of
  // set 1; the output base name.
  std::string DestinationName;
  // The title set's information file; the DVD folder with '/' for the root.
  std::string SourcePath;
  double Length = 0;          // seconds
  double BeginTime = 0;       // seconds on the title set's time base
  int32_t ChapterIndex = 0;   // chapters: 0-based within the title
  // Titles and their chapters: why the title cannot be read from its VOB
  // files, naming the file ("/dvd/VIDEO_TS/VTS_02_1.VOB is missing");
  // empty when it can. Such a row starts unchecked and is not converted.
  std::string VobProblem;
};

struct TCropRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  bool operator==(const TCropRect&) const = default;
};

// Picture effect flags.
enum : uint32_t { kEffectNone = 0, kEffectGray = 1, kEffectEmboss = 2, kEffectNegative = 4,
                  kEffectOldFilm = 32 };

struct TTask {
  TBase Base;
  TEncoderParams Encoder;
  int32_t Volume = 100;       // 0..200, 100 unchanged
  int32_t Brightness = 0;     // -100..100
  int32_t Contrast = 0;
  int32_t Saturation = 0;
  uint32_t EffectFlags = kEffectNone;
  uint32_t Reserved = 0;
  TCropRect Crop;             // kept area in source pixels; all 0 = no crop
  double TrimStart = 0;       // seconds from the start of the title or chapter
  double TrimEnd = 0;
  bool Checked = false;
  std::string TempFlvPath;
  // -1 or the number of subtitle streams: none.
  int32_t SubtitleIndex = 0;
  int32_t AudioTrackIndex = 0;

  bool IsRoot() const { return Base.SourcePath.empty() || Base.SourcePath.back() == '/'; }
  bool IsTitle() const { return !IsRoot() && !Base.ChapterCount.empty(); }
  bool IsChapter() const { return !IsRoot() && Base.ChapterCount.empty(); }
  // The chosen streams as the decoders take them.
  TVideoDecoderParams VideoStreamSelection() const;
  TAudioDecoderParams AudioStreamSelection() const;
};

using TTaskArray = std::vector<TTask>;

// Rounds to the nearest integer, halves to the even neighbour.
double RoundHalfEven(double value);

}  // namespace reelcast
