// The messages a conversion job posts to its progress window (through the
// posted-message queue of app/MessageQueue.h).
#pragma once

#include <atomic>
#include <cstdint>

#include "app/MessageQueue.h"

namespace reelcast {

// Message numbers (decimal, hexadecimal in the comment).
inline constexpr uint32_t kMsgEncodeProgress = 4024;  // 0xFB8 codec bridge: read its counters
inline constexpr uint32_t kMsgEncodeDone = 4025;      // 0xFB9 codec bridge: start finishing
inline constexpr uint32_t kMsgFlvToSwfDone = 2281;    // 0x8E9 FLV-to-SWF step done
inline constexpr uint32_t kMsgTemplateDone = 2283;    // 0x8EB template-movie step done
inline constexpr uint32_t kMsgJobDone = 2278;         // 0x8E6 whole job done; posted twice
inline constexpr uint32_t kMsgMovieProgress = 3031;   // 0xBD7 wParam = percent 0..100
inline constexpr uint32_t kMsgStageNotice = 3032;     // 0xBD8 wParam = sub-code, lParam = value

// Sub-codes of kMsgStageNotice.
enum TStageNotice : uint32_t {
  snSaving = 0,               // a movie is built and about to be written
  snAddingMusic = 1,          // the music pass of a movie starts
  snIntegratingTemplate = 2,  // never posted; the text exists for the window's table
  snMakingExe = 3,
  snMakingHtml = 4,
  snMakingScreenSaver = 5,
  snMakingMusic = 6,
  snMusicProgress = 7,  // lParam = percent 1..100, shown on the progress bar
};

// The status text the progress window shows for a sub-code; empty for
// snMusicProgress and unknown codes.
const char* StageNoticeText(uint32_t subCode);

// The progress window every job message goes to; set when that window is
// created.
extern std::atomic<TWindowHandle> ConverterWindow;
// Set to 1 by the progress window when the user cancels during the
// finishing phase; read by the music encoder's progress callback.
extern std::atomic<uint8_t> CancelRequested;

}  // namespace reelcast
