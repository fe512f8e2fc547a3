// libdvdread helpers shared by the DVD decoder stand-in's sources. Included
// only by .cpp files of src/platform/: callers never see libdvdread.
#pragma once

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_types.h>

#include <cstdarg>
#include <cstdio>
#include <string>

namespace reelcast {

// Collects libdvdread's error and warning lines instead of letting them go
// to standard error, so that failures can be reported with their cause.
class TDvdReaderLog {
 public:
  const dvd_logger_cb* Callbacks() const { return &callbacks_; }
  // "" or " (first collected line)".
  std::string Text() const { return first_.empty() ? std::string() : " (" + first_ + ")"; }

 private:
  static void Log(void* self, dvd_logger_level_t level, const char* format, va_list args) {
    auto* log = static_cast<TDvdReaderLog*>(self);
    if (level != DVD_LOGGER_LEVEL_ERROR || !log->first_.empty()) return;
    char line[512];
    std::vsnprintf(line, sizeof line, format, args);
    log->first_ = line;
    while (!log->first_.empty() && (log->first_.back() == '\n' || log->first_.back() == '\r'))
      log->first_.pop_back();
  }
  dvd_logger_cb callbacks_{&TDvdReaderLog::Log};
  std::string first_;
};

// Seconds of a BCD playback time; fallbackRate when its rate bits are unset.
double DvdTimeToSeconds(const dvd_time_t& t, double fallbackRate);

}  // namespace reelcast
