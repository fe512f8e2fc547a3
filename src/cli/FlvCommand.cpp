// reelcast-cli flv: what the FLV index finds in a file (info), and the
// conversion job's metadata step on a user's FLV (add-metadata).
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "media/FLVData.h"
#include "media/FLVMetaTag.h"
#include "swf/Records.h"
#include "swf/SWFTools.h"

namespace reelcast::cli {
namespace {

void PrintUsage(FILE* out) {
  std::fprintf(out,
               "Usage: reelcast-cli flv info FILE [--json]   what the FLV index finds in FILE\n"
               "       reelcast-cli flv add-metadata FILE    give FILE an onMetaData tag with its\n"
               "                                             duration, in place (unchanged when\n"
               "                                             it already starts with one)\n");
}

const char* CodecName(uint8_t codec) {
  switch (codec) {
    case kFLVCodecH263: return "Sorenson H.263";
    case kFLVCodecScreen: return "screen video";
    case kFLVCodecVP6: return "On2 VP6";
    case kFLVCodecVP6Alpha: return "On2 VP6 with alpha";
    case kFLVCodecScreen2: return "screen video 2";
    default: return "unknown";
  }
}

const char* SoundFormatName(uint8_t format) {
  static const char* const names[16] = {
      "PCM",          "ADPCM",           "MP3",        "PCM little-endian",
      "Nellymoser 16 kHz mono", "Nellymoser 8 kHz mono", "Nellymoser", "G.711 A-law",
      "G.711 mu-law", "reserved",        "AAC",        "Speex",
      "reserved",     "reserved",        "MP3 8 kHz",  "device-specific"};
  return names[format & 15];
}

const int kSoundRates[4] = {5512, 11025, 22050, 44100};

std::string Number(double v) {
  if (v != v || v > 1e300 || v < -1e300) return "null";
  char text[64];
  std::snprintf(text, sizeof text, "%.17g", v);
  return text;
}

// One metadata value as JSON and as text.
void DescribeValue(const TFLVCustomData& v, std::string& json, std::string& text) {
  if (auto* n = dynamic_cast<const TFLVDataNumber*>(&v)) {
    json = Number(n->Value);
    char t[64];
    std::snprintf(t, sizeof t, "%g", n->Value);
    text = t;
  } else if (auto* b = dynamic_cast<const TFLVDataBoolean*>(&v)) {
    json = b->Value ? "true" : "false";
    text = json;
  } else if (auto* s = dynamic_cast<const TFLVDataString*>(&v)) {
    json = JsonString(s->Value);
    text = s->Value;
  } else if (auto* k = dynamic_cast<const TFLVKeyFramesObjectData*>(&v)) {
    json = "{\"count\":" + std::to_string(k->Count()) + "}";
    text = std::to_string(k->Count()) + " key frames";
  } else if (auto* w = dynamic_cast<const TFLVDataWord*>(&v)) {
    json = std::to_string(w->Value);
    text = json;
  } else if (auto* d = dynamic_cast<const TFLVDataDate*>(&v)) {
    json = "{\"ms\":" + Number(d->Milliseconds) + ",\"timezone\":" + std::to_string(d->TimeZone) + "}";
    char t[64];
    std::snprintf(t, sizeof t, "date %.0f ms, zone %d", d->Milliseconds, d->TimeZone);
    text = t;
  } else if (auto* a = dynamic_cast<const TFLVDataECMAArray*>(&v)) {
    json = "{\"items\":" + std::to_string(a->ItemCount()) + "}";
    text = std::to_string(a->ItemCount()) + " items";
  } else {
    json = "null";
    text = "?";
  }
}

int RunInfo(const std::string& file, bool asJson) {
  TFLVData flv(file);  // a file that cannot be opened throws to main()
  // One video frame gives no spacing to take a rate from: the index's
  // "unknown" rate is not shown as a rate.
  const bool rateKnown = flv.FrameCount() >= 2 && flv.LastTimestamp() > flv.FirstTimestamp();
  const double fps = rateKnown ? Fixed8ToSingle(flv.FrameRate()) : 0;
  const double duration = fps > 0 ? flv.FrameCount() / fps : 0;
  const TSHeader& sound = flv.SoundHeader();
  if (flv.CutTagStart() >= 0)
    std::fprintf(stderr,
                 "reelcast-cli flv info: warning: %s is cut short: it ends at byte %lld, inside "
                 "the tag that starts at byte %lld (after %u video frames)\n",
                 file.c_str(), static_cast<long long>(flv.FileSize()),
                 static_cast<long long>(flv.CutTagStart()), flv.FrameCount());
  const TFLVonMetaData* meta = flv.MetaData();
  if (asJson) {
    std::string out = "{\"file\":" + JsonString(file) + ",\"flv\":" + (flv.IsFLV() ? "true" : "false");
    out += ",\"video\":{\"codec\":" + std::to_string(flv.VideoCodec()) +
           ",\"codecName\":" + JsonString(flv.FrameCount() ? CodecName(flv.VideoCodec()) : "none") +
           ",\"width\":" + std::to_string(flv.Width()) + ",\"height\":" + std::to_string(flv.Height()) +
           ",\"frameCount\":" + std::to_string(flv.FrameCount()) +
           ",\"frameRateFixed\":" + std::to_string(flv.FrameRate()) + ",\"frameRate\":" + Number(fps) +
           ",\"duration\":" + Number(duration) +
           ",\"firstTimestamp\":" + std::to_string(flv.FirstTimestamp()) +
           ",\"lastTimestamp\":" + std::to_string(flv.LastTimestamp()) + "}";
    out += ",\"cutTagStart\":" +
           (flv.CutTagStart() >= 0 ? std::to_string(flv.CutTagStart()) : std::string("null"));
    out += ",\"audio\":";
    if (flv.HasAudio()) {
      out += "{\"format\":" + std::to_string(sound.SoundFormat()) +
             ",\"formatName\":" + JsonString(SoundFormatName(sound.SoundFormat())) +
             ",\"rate\":" + std::to_string(kSoundRates[sound.SoundRate()]) +
             ",\"sixteenBit\":" + (sound.Is16Bit() ? "true" : "false") +
             ",\"stereo\":" + (sound.IsStereo() ? "true" : "false") +
             ",\"frameCount\":" + std::to_string(flv.AudioFrameCount()) + "}";
    } else {
      out += "null";
    }
    out += ",\"metadata\":";
    if (meta) {
      out += "[";
      for (size_t i = 0; i < meta->ItemCount(); ++i) {
        std::string json, text;
        DescribeValue(*meta->Item(i), json, text);
        out += (i ? "," : "") + std::string("{\"name\":") + JsonString(meta->Item(i)->Name) +
               ",\"type\":" + std::to_string(meta->Item(i)->ValueType) + ",\"value\":" + json + "}";
      }
      out += "]";
    } else {
      out += "null";
    }
    out += "}";
    std::printf("%s\n", out.c_str());
  } else {
    std::printf("File:        %s\n", file.c_str());
    if (!flv.IsFLV()) {
      std::printf("Not an FLV file: no video, no audio.\n");
    } else {
      if (flv.FrameCount() && rateKnown)
        std::printf("Video:       %s (codec %d), %dx%d, %u frames at %.3f fps, %.3f s\n",
                    CodecName(flv.VideoCodec()), flv.VideoCodec(), flv.Width(), flv.Height(),
                    flv.FrameCount(), fps, duration);
      else if (flv.FrameCount())
        std::printf("Video:       %s (codec %d), %dx%d, %u frame, rate unknown\n",
                    CodecName(flv.VideoCodec()), flv.VideoCodec(), flv.Width(), flv.Height(),
                    flv.FrameCount());
      else
        std::printf("Video:       none\n");
      if (flv.HasAudio())
        std::printf("Audio:       %s (format %d), %d Hz, %s, %s, %u frames%s\n",
                    SoundFormatName(sound.SoundFormat()), sound.SoundFormat(),
                    kSoundRates[sound.SoundRate()], sound.Is16Bit() ? "16-bit" : "8-bit",
                    sound.IsStereo() ? "stereo" : "mono", flv.AudioFrameCount(),
                    flv.AudioFrameCount() ? "" : " (format not embeddable)");
      else
        std::printf("Audio:       none\n");
      if (flv.CutTagStart() >= 0)
        std::printf("Cut short:   at byte %lld, inside the tag at byte %lld\n",
                    static_cast<long long>(flv.FileSize()), static_cast<long long>(flv.CutTagStart()));
      if (meta) {
        std::printf("Metadata:    %zu properties\n", meta->ItemCount());
        for (size_t i = 0; i < meta->ItemCount(); ++i) {
          std::string json, text;
          DescribeValue(*meta->Item(i), json, text);
          std::printf("  %-20s %s\n", meta->Item(i)->Name.c_str(), text.c_str());
        }
      } else {
        std::printf("Metadata:    none\n");
      }
    }
  }
  return flv.IsFLV() ? 0 : 1;
}

int RunAddMetadata(const std::string& file) {
  namespace fs = std::filesystem;
  // The new file is made beside the old one under a name of its own, so that
  // the rename that replaces the old file never crosses file systems.
  fs::path target(file);
  std::string pattern =
      (target.parent_path() / ("." + target.filename().string() + ".reelcast-XXXXXX")).string();
  int fd = mkstemp(pattern.data());
  if (fd < 0) {
    std::fprintf(stderr, "reelcast-cli flv add-metadata: cannot write beside %s\n", file.c_str());
    return 1;
  }
  close(fd);
  TAddMetaDataResult result = AddFlvMetaData(file, pattern);
  std::error_code ec;
  fs::remove(pattern, ec);  // left only when nothing was written
  switch (result) {
    case TAddMetaDataResult::Added: {
      TFLVData flv(file);
      double fps = Fixed8ToSingle(flv.FrameRate());
      std::printf("Added an onMetaData tag with a duration of %.3f s to %s\n",
                  fps > 0 ? flv.FrameCount() / fps : 0.0, file.c_str());
      return 0;
    }
    case TAddMetaDataResult::AlreadyPresent:
      std::printf("%s already starts with a script tag; left unchanged\n", file.c_str());
      return 0;
    case TAddMetaDataResult::Failed:
    default:
      std::fprintf(stderr,
                   "reelcast-cli flv add-metadata: %s is missing, not an FLV file, or could not "
                   "be rewritten; it was left unchanged\n",
                   file.c_str());
      return 1;
  }
}

int RunFlv(const std::vector<std::string>& args) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    PrintUsage(args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  const std::string& verb = args[0];
  std::vector<std::string> files;
  bool json = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--json" && verb == "info") json = true;
    else if (!args[i].empty() && args[i][0] == '-' && args[i] != "-") {
      std::fprintf(stderr, "reelcast-cli flv: unknown option '%s'\n", args[i].c_str());
      return 2;
    } else {
      files.push_back(args[i]);
    }
  }
  if ((verb != "info" && verb != "add-metadata") || files.size() != 1) {
    PrintUsage(stderr);
    return 2;
  }
  return verb == "info" ? RunInfo(files[0], json) : RunAddMetadata(files[0]);
}

}  // namespace
}  // namespace reelcast::cli

REELCAST_CLI_COMMAND("flv", "inspect an FLV file or give it an onMetaData tag", reelcast::cli::RunFlv);
