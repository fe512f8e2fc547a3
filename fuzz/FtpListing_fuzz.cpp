// The answers of an FTP server are outside input: a LIST listing or a PWD
// answer of any shape must give entries that make sense or an EFtpError,
// never a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/FtpClient.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    for (const auto& entry : reelcast::ParseFtpList(text)) {
      // An entry name is what DELE, CWD or RMD get next: one line, never
      // empty, never the folder itself or its parent.
      if (entry.Name.empty() || entry.Name == "." || entry.Name == ".." ||
          entry.Name.find('\n') != std::string::npos)
        std::abort();
    }
  } catch (const reelcast::EFtpError&) {
  }
  try {
    std::string folder = reelcast::ParsePwdReply(257, text);
    if (folder.empty() || folder.find('\n') != std::string::npos) std::abort();
  } catch (const reelcast::EFtpError&) {
  }
  return 0;
}
