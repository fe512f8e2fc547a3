#include "convert/JobMessages.h"

namespace reelcast {

std::atomic<TWindowHandle> ConverterWindow{0};
std::atomic<uint8_t> CancelRequested{0};

const char* StageNoticeText(uint32_t subCode) {
  switch (subCode) {
    case snSaving: return "Saving the converted file, please wait a moment...";
    case snAddingMusic: return "In process of adding background music...";
    case snIntegratingTemplate: return "In process of integrating template...";
    case snMakingExe: return "In process of generating EXE file...";
    case snMakingHtml: return "In process of generating Html file...";
    case snMakingScreenSaver: return "In process of generating ScreenSava file...";
    case snMakingMusic: return "In process of creating background music file...";
    default: return "";
  }
}

}  // namespace reelcast
