#include "media/FLVMetaTag.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "media/FLVData.h"
#include "swf/Records.h"
#include "swf/Stream.h"

namespace reelcast {

namespace fs = std::filesystem;

namespace {
constexpr int64_t kHeaderBytes = 13;  // FLV header and PreviousTagSize0

void PutBE(std::string& out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// What the first 14 bytes say: an FLV (signature and version 1), and the
// type of the first tag (or -1 when the file ends after its header).
struct THeadProbe {
  bool IsFLV = false;
  int FirstTagType = -1;
};

THeadProbe ProbeHead(TStream& s) {
  THeadProbe probe;
  uint8_t head[14];
  s.SetPosition(0);
  size_t n = s.Read(head, sizeof head);
  if (n < kHeaderBytes || std::memcmp(head, "FLV", 3) != 0 || head[3] != 1) return probe;
  probe.IsFLV = true;
  if (n == 14) probe.FirstTagType = head[13];
  return probe;
}

bool SyncFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}
}  // namespace

namespace {
void PutAmfName(std::string& out, const char* name) {
  const size_t n = std::strlen(name);
  PutBE(out, n, 2);
  out += name;
}

void PutAmfNumber(std::string& out, const char* name, double value) {
  PutAmfName(out, name);
  out += static_cast<char>(kAmfNumber);
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  PutBE(out, bits, 8);
}

void PutAmfBoolean(std::string& out, const char* name, bool value) {
  PutAmfName(out, name);
  out += static_cast<char>(kAmfBoolean);
  out += static_cast<char>(value ? 1 : 0);
}
}  // namespace

std::string MakeFLVMetaTag(const TMetaData& meta) {
  std::string items;
  uint32_t count = 0;
  auto number = [&](const char* name, double value, bool always = false) {
    if (!always && value <= 0) return;
    PutAmfNumber(items, name, value);
    ++count;
  };
  number("duration", meta.Duration, true);
  number("width", meta.Width);
  number("height", meta.Height);
  number("framerate", meta.FrameRate);
  number("videocodecid", meta.VideoCodecId);
  if (meta.HasAudio) {
    PutAmfNumber(items, "audiocodecid", meta.AudioCodecId);
    ++count;
    number("audiosamplerate", meta.AudioSampleRate);
    number("audiosamplesize", meta.AudioSampleSize);
    PutAmfBoolean(items, "stereo", meta.Stereo);
    ++count;
  }
  std::string data;
  data += static_cast<char>(kAmfString);
  PutAmfName(data, "onMetaData");
  data += static_cast<char>(kAmfECMAArray);
  PutBE(data, count, 4);
  data += items;
  PutBE(data, kAmfObjectEnd, 3);  // 0, 0, 9

  std::string tag;
  tag += static_cast<char>(kFLVTagScript);
  PutBE(tag, data.size(), 3);  // DataSize
  PutBE(tag, 0, 3);            // Timestamp
  PutBE(tag, 0, 1);            // TimestampExtended
  PutBE(tag, 0, 3);            // StreamID
  tag += data;
  PutBE(tag, 11 + data.size(), 4);  // PreviousTagSize
  return tag;
}

std::string MakeFLVDurationTag(double seconds) {
  TMetaData meta;
  meta.Duration = seconds;
  return MakeFLVMetaTag(meta);
}

TMetaData TFLVAddHead::ReadMetaData(const std::string& source) {
  TMetaData meta;
  std::error_code ec;
  if (!fs::is_regular_file(source, ec)) return meta;
  TFLVData flv(source);
  float fps = Fixed8ToSingle(flv.FrameRate());
  if (fps > 0) meta.Duration = flv.FrameCount() / static_cast<double>(fps);
  if (flv.FrameCount() > 0) {
    meta.Width = flv.Width();
    meta.Height = flv.Height();
    meta.FrameRate = fps;
    meta.VideoCodecId = flv.VideoCodec();
  }
  if (flv.HasAudio()) {
    static constexpr double kRates[] = {5512.5, 11025, 22050, 44100};
    const TSHeader& sound = flv.SoundHeader();
    meta.HasAudio = true;
    meta.AudioCodecId = sound.SoundFormat();
    meta.AudioSampleRate = kRates[sound.SoundRate()];
    meta.AudioSampleSize = sound.Is16Bit() ? 16 : 8;
    meta.Stereo = sound.IsStereo();
  }
  return meta;
}

bool TFLVAddHead::AddHead(const std::string& source, const std::string& dest) {
  std::error_code ec;
  if (!fs::is_regular_file(source, ec)) return false;
  std::unique_ptr<TFileStream> in;
  try {
    in = std::make_unique<TFileStream>(source, TFileMode::OpenRead);
    THeadProbe probe = ProbeHead(*in);
    if (!probe.IsFLV || probe.FirstTagType == kFLVTagScript) return false;
  } catch (const EStreamError&) {
    return false;
  }
  const TMetaData meta = ReadMetaData(source);
  try {
    TFileStream out(dest, TFileMode::Create);
    in->SetPosition(0);
    out.CopyFrom(*in, kHeaderBytes);
    std::string tag = MakeFLVMetaTag(meta);
    out.WriteBuffer(tag.data(), tag.size());
    out.CopyRestFrom(*in);
  } catch (const EStreamError&) {
    fs::remove(dest, ec);
    return false;
  }
  return true;
}

TAddMetaDataResult AddFlvMetaData(const std::string& path, const std::string& tempPath) {
  std::error_code ec;
  std::string temp = tempPath.empty()
                         ? (fs::path(path).parent_path() / kFLVMetaTempName).string()
                         : tempPath;
  if (fs::is_regular_file(path, ec)) {
    try {
      TFileStream in(path, TFileMode::OpenRead);
      THeadProbe probe = ProbeHead(in);
      if (probe.IsFLV && probe.FirstTagType == kFLVTagScript) return TAddMetaDataResult::AlreadyPresent;
    } catch (const EStreamError&) {
      return TAddMetaDataResult::Failed;
    }
  }
  TFLVAddHead head;
  if (!head.AddHead(path, temp)) return TAddMetaDataResult::Failed;
  // The new file takes the old one's permissions and reaches the disk before
  // it replaces the old one in a single rename.
  fs::permissions(temp, fs::status(path, ec).permissions(), fs::perm_options::replace, ec);
  if (!SyncFile(temp)) {
    fs::remove(temp, ec);
    return TAddMetaDataResult::Failed;
  }
  fs::rename(temp, path, ec);
  if (ec) {
    fs::remove(temp, ec);
    return TAddMetaDataResult::Failed;
  }
  return TAddMetaDataResult::Added;
}

}  // namespace reelcast
