// What the DVD decoder stand-in knows about one title set, read from its
// information file (VTS_nn_0.IFO) through libdvdread: the titles with their
// chapters and cells, the audio and subpicture streams and the picture.
//
// Time base of a title set: its titles laid end to end in title order, each
// title as long as the sum of its cells' playback times. A title's begin time
// is the sum of the lengths of the titles before it; a chapter's begin time is
// its title's begin time plus the lengths of the chapters before it. Every
// absolute time handed to the decoder stand-in (WVDCreate, TTitleStream) is
// on this time base.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace reelcast {

// One cell of a title's playback order (first angle only), in 2048-byte
// sectors of the title set's title VOBs.
struct TDvdCell {
  uint32_t FirstSector = 0;
  uint32_t LastSector = 0;  // inclusive
  double Start = 0;         // seconds from the start of the title
  double Length = 0;
};

struct TDvdChapter {
  double Begin = 0;   // seconds, title-set time base
  double Length = 0;
};

enum class TDvdAudioCoding { AC3, MPEG1, MPEG2Ext, LPCM, DTS, SDDS, Unknown };

struct TDvdAudioTrack {
  std::string Language;  // ISO 639 code from the IFO ("en"), empty when none
  TDvdAudioCoding Coding = TDvdAudioCoding::Unknown;
  int Channels = 0;
  int SampleRate = 48000;
  int StreamId = -1;     // MPEG-PS stream id: 0x80+n AC-3, 0x88+n DTS, 0xA0+n LPCM, 0x1C0+n MPEG
  std::string Description() const;
};

struct TDvdSubtitle {
  std::string Language;
  int StreamId = -1;     // 0x20 + subpicture stream number
  std::string Description() const;
};

struct TDvdTitle {
  double Begin = 0;
  double Length = 0;
  std::vector<TDvdChapter> Chapters;
  std::vector<TDvdCell> Cells;
  std::vector<TDvdAudioTrack> AudioTracks;
  std::vector<TDvdSubtitle> Subtitles;
  std::array<uint32_t, 16> Palette{};  // subpicture colours as 0x00RRGGBB
  // Why the title cannot be read from the title VOB files, naming the file
  // ("/dvd/VIDEO_TS/VTS_02_1.VOB is missing"); empty when all its cells lie
  // in them.
  std::string VobProblem;
};

struct TDvdTitleSet {
  std::string IfoPath;
  std::string Folder;     // the folder that holds the IFO, with a trailing '/'
  int SetNumber = 0;      // nn of VTS_nn_0.IFO
  int Width = 0;
  int Height = 0;
  bool Wide = false;      // 16:9 display
  bool Pal = false;       // 25 fps, else 29.97
  std::vector<TDvdTitle> Titles;
  std::vector<uint32_t> VobuStarts;  // title VOBU start sectors, ascending
  uint32_t TitleVobSectors = 0;      // size of the title VOBs, 0 when unknown

  double FrameRate() const { return Pal ? 25.0 : 30000.0 / 1001.0; }
  // Index of the title whose range holds the absolute time t (the last title
  // for times past the end); -1 when the set has no title.
  int TitleAt(double t) const;
};

// The set number of an information file name ("VTS_03_0.IFO" gives 3, any
// case); 0 when the name is not of that form.
int DvdSetNumberOfFile(const std::string& path);

// Reads the title set of an information file. Returns nullptr and sets
// *error when libdvdread cannot open or parse it. Every title's VobProblem
// is filled from the sizes of the VOB files on disk. withVobSize also opens
// the title VOBs and stores their size (the listing never needs them).
std::unique_ptr<TDvdTitleSet> ReadDvdTitleSet(const std::string& ifoPath, std::string* error,
                                               bool withVobSize = false);

}  // namespace reelcast
