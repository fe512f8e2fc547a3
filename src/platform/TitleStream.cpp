#include "platform/TitleStream.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include <dvdread/dvd_reader.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/DvdReadInternal.h"

namespace reelcast {
namespace {

constexpr int kSector = DVD_VIDEO_LB_LEN;  // 2048
constexpr int kChunkSectors = 64;          // one read and one AVIO buffer: 128 KiB
// Subtitles are shown for a while after their packet: reading starts this
// many seconds earlier when one is chosen, delivering only its packets.
constexpr double kSubtitleLookback = 10.0;
// Packets are delivered until their time passes the range end by this much,
// so that reordered pictures shown before the end are complete.
constexpr double kEndMargin = 1.0;

uint32_t BE32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// A navigation pack: pack header, system header, then the PCI packet at
// 0x26 and the DSI packet at 0x400 (both private stream 2).
bool IsNavPack(const uint8_t* s) {
  return BE32(s) == 0x000001BA && BE32(s + 0x26) == 0x000001BF && BE32(s + 0x400) == 0x000001BF;
}
// PCI general information: vobu_s_ptm at byte 12 of the PCI data (0x2D).
uint32_t NavVobuStartPtm(const uint8_t* s) { return BE32(s + 0x2D + 12); }
// DSI general information: c_eltm (BCD time) at byte 28 of the DSI data (0x407).
double NavCellElapsed(const uint8_t* s, double rate) {
  dvd_time_t t;
  std::memcpy(&t, s + 0x407 + 28, 4);
  return DvdTimeToSeconds(t, rate);
}

struct TRun {
  uint32_t First;  // sectors, inclusive
  uint32_t Last;
  double CellStart;  // seconds from the title start
  double CellEnd;
};

struct TVobuMark {
  int64_t Offset;  // virtual byte offset of the navigation pack
  double Time;     // seconds from the title start
  uint32_t Ptm;    // vobu_s_ptm, 90 kHz
};

}  // namespace

struct TTitleStream::TImpl {
  std::unique_ptr<TDvdTitleSet> Set;
  int Title = 0;
  double Start = 0, End = 0;  // absolute
  int AudioStreamId = -1, SubtitleStreamId = -1;

  TDvdReaderLog Log;
  dvd_reader_t* Dvd = nullptr;
  dvd_file_t* Vob = nullptr;
  AVFormatContext* Format = nullptr;
  AVIOContext* Io = nullptr;
  AVPacket* Scratch = nullptr;

  std::vector<TRun> Runs;
  uint32_t SectorLimit = UINT32_MAX;  // sectors the title VOBs hold
  size_t RunIndex = 0;
  uint32_t NextSector = 0;
  int64_t Delivered = 0;      // virtual bytes read from the VOBs
  std::vector<uint8_t> Pending;  // a sector handed out in parts
  size_t PendingAt = 0;
  int64_t AvStartOffset = 0;  // video and audio packets start here
  std::vector<TVobuMark> Marks;
  double RunCellStart = 0;
  bool ReadError = false;
  std::string ErrorText;
  bool Finished = false;
  bool VideoStarted = false;

  int StreamIndex[3] = {-1, -1, -1};  // demuxer stream per kind

  ~TImpl() {
    if (Scratch) av_packet_free(&Scratch);
    if (Format) avformat_close_input(&Format);
    if (Io) {
      av_freep(&Io->buffer);
      avio_context_free(&Io);
    }
    if (Vob) DVDCloseFile(Vob);
    if (Dvd) DVDClose(Dvd);
  }

  const TDvdTitle& TitleInfo() const { return Set->Titles[Title]; }

  // Reads one navigation pack; false when the sector is not one.
  bool ReadNav(uint32_t sector, double* elapsed) {
    uint8_t buffer[kSector];
    if (DVDReadBlocks(Vob, static_cast<int>(sector), 1, buffer) != 1) return false;
    if (!IsNavPack(buffer)) return false;
    *elapsed = NavCellElapsed(buffer, Set->FrameRate());
    return true;
  }

  // The sector to start reading at for time t (seconds from the title
  // start): the cell that holds t, and in it the VOBU before the one that
  // holds t, so that a decoder has its reference pictures.
  std::pair<size_t, uint32_t> Locate(double t) const {
    const auto& cells = TitleInfo().Cells;
    size_t c = 0;
    while (c + 1 < cells.size() && t >= cells[c].Start + cells[c].Length) ++c;
    const TDvdCell& cell = cells[c];
    auto lo = std::lower_bound(Set->VobuStarts.begin(), Set->VobuStarts.end(), cell.FirstSector);
    auto hi = std::upper_bound(Set->VobuStarts.begin(), Set->VobuStarts.end(), cell.LastSector);
    if (lo == hi) return {c, cell.FirstSector};
    double within = t - cell.Start;
    // Last VOBU whose elapsed time is at or before t, by binary search over
    // the navigation packs.
    auto first = lo, last = hi;
    auto found = lo;
    while (first < last) {
      auto mid = first + (last - first) / 2;
      double elapsed = 0;
      if (!const_cast<TImpl*>(this)->ReadNav(*mid, &elapsed)) {
        last = mid;  // unreadable: stay before it
        continue;
      }
      if (elapsed <= within + 1e-3) {
        found = mid;
        first = mid + 1;
      } else {
        last = mid;
      }
    }
    if (found > lo) --found;
    return {c, *found};
  }

  // Builds the sector runs: from the VOBU for `from` to the end of the last
  // cell that begins before End.
  void PlanRuns(double fromTitleTime, double avTitleTime) {
    const auto& cells = TitleInfo().Cells;
    double endInTitle = End - TitleInfo().Begin;
    auto [c0, s0] = Locate(fromTitleTime);
    auto [cAv, sAv] = Locate(avTitleTime);
    int64_t offset = 0;
    bool avFound = false;
    for (size_t c = c0; c < cells.size(); ++c) {
      if (c > c0 && cells[c].Start >= endInTitle) break;
      uint32_t first = c == c0 ? s0 : cells[c].FirstSector;
      if (c == cAv && !avFound) {
        AvStartOffset = offset + static_cast<int64_t>(sAv - first) * kSector;
        avFound = true;
      }
      // VOBs cut short (when the caller takes them) end the runs there.
      if (first >= SectorLimit) break;
      const uint32_t last = std::min(cells[c].LastSector, SectorLimit - 1);
      Runs.push_back({first, last, cells[c].Start, cells[c].Start + cells[c].Length});
      offset += static_cast<int64_t>(last - first + 1) * kSector;
    }
    if (!Runs.empty()) NextSector = Runs[0].First;
  }

  // Reads whole sectors into buf (at most count of them); the number read,
  // or an AVERROR.
  int ReadSectors(uint8_t* buf, int maxSectors) {
    while (RunIndex < Runs.size() && NextSector > Runs[RunIndex].Last) {
      ++RunIndex;
      if (RunIndex < Runs.size()) NextSector = Runs[RunIndex].First;
    }
    if (RunIndex >= Runs.size()) return AVERROR_EOF;
    const TRun& run = Runs[RunIndex];
    int count = std::min<int>({maxSectors, kChunkSectors,
                               static_cast<int>(run.Last - NextSector + 1)});
    ssize_t got = DVDReadBlocks(Vob, static_cast<int>(NextSector), static_cast<size_t>(count), buf);
    if (got <= 0) {
      ReadError = true;
      ErrorText = "cannot read sector " + std::to_string(NextSector) + " of the title VOBs of " +
                  Set->IfoPath + " (missing or truncated VOB file)" + Log.Text();
      return AVERROR(EIO);
    }
    for (ssize_t i = 0; i < got; ++i) {
      const uint8_t* s = buf + i * kSector;
      if (IsNavPack(s))
        Marks.push_back({Delivered + i * kSector, run.CellStart + NavCellElapsed(s, Set->FrameRate()),
                         NavVobuStartPtm(s)});
    }
    NextSector += static_cast<uint32_t>(got);
    Delivered += got * kSector;
    return static_cast<int>(got);
  }

  int Read(uint8_t* buf, int size) {
    if (PendingAt < Pending.size()) {
      int n = std::min<int>(size, static_cast<int>(Pending.size() - PendingAt));
      std::memcpy(buf, Pending.data() + PendingAt, static_cast<size_t>(n));
      PendingAt += static_cast<size_t>(n);
      return n;
    }
    if (size >= kSector) {
      int got = ReadSectors(buf, size / kSector);
      return got < 0 ? got : got * kSector;
    }
    // A request smaller than a sector: read one and hand it out in parts.
    Pending.resize(kSector);
    int got = ReadSectors(Pending.data(), 1);
    if (got < 0) return got;
    PendingAt = 0;
    return Read(buf, size);
  }

  static int ReadCallback(void* opaque, uint8_t* buf, int size) {
    return static_cast<TImpl*>(opaque)->Read(buf, size);
  }

  // Seconds from the title start of a 90 kHz stamp read at a byte position.
  bool TitleTime(int64_t stamp, int64_t pos, double* seconds) const {
    if (stamp == AV_NOPTS_VALUE || Marks.empty()) return false;
    auto it = std::upper_bound(Marks.begin(), Marks.end(), pos,
                               [](int64_t p, const TVobuMark& m) { return p < m.Offset; });
    const TVobuMark& mark = it == Marks.begin() ? Marks.front() : *(it - 1);
    // 33-bit time stamps: the difference modulo 2^33, as a signed value.
    int64_t diff = (stamp - static_cast<int64_t>(mark.Ptm)) & ((int64_t{1} << 33) - 1);
    if (diff >= (int64_t{1} << 32)) diff -= int64_t{1} << 33;
    *seconds = mark.Time + static_cast<double>(diff) / 90000.0;
    return true;
  }

  TStreamKind* KindOf(int streamIndex, TStreamKind* kind) {
    AVStream* st = Format->streams[streamIndex];
    int id = st->id;
    if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO &&
        (StreamIndex[0] < 0 || StreamIndex[0] == streamIndex)) {
      StreamIndex[0] = streamIndex;
      *kind = TStreamKind::Video;
      return kind;
    }
    if (AudioStreamId >= 0 && id == AudioStreamId) {
      StreamIndex[1] = streamIndex;
      *kind = TStreamKind::Audio;
      return kind;
    }
    if (SubtitleStreamId >= 0 && id == SubtitleStreamId) {
      StreamIndex[2] = streamIndex;
      *kind = TStreamKind::Subtitle;
      return kind;
    }
    return nullptr;
  }
};

TTitleStream::TTitleStream(std::unique_ptr<TImpl> impl) : impl_(std::move(impl)) {}
TTitleStream::~TTitleStream() = default;

std::unique_ptr<TTitleStream> TTitleStream::Open(const std::string& ifoPath, double start,
                                                 double end, int audioTrack, int subtitleIndex,
                                                 TCutVobs cutVobs) {
  std::string error;
  auto set = ReadDvdTitleSet(ifoPath, &error, true);
  if (!set) throw ETitleStream(error);
  int title = set->TitleAt(start);
  if (title < 0) throw ETitleStream("the title set has no title: " + ifoPath);

  auto impl = std::make_unique<TImpl>();
  impl->Set = std::move(set);
  impl->Title = title;
  const TDvdTitle& info = impl->TitleInfo();
  if (info.Cells.empty()) throw ETitleStream("the title has no cell: " + ifoPath);
  const uint32_t vobSectors = impl->Set->TitleVobSectors;
  if (cutVobs == TCutVobs::EndThere && info.Cells.front().FirstSector >= vobSectors)
    throw ETitleStream(!info.VobProblem.empty() ? info.VobProblem
                                                : "the title VOBs of " + ifoPath + " end before the title begins");
  for (const auto& cell : info.Cells)
    if (cell.LastSector >= vobSectors && cutVobs == TCutVobs::Refuse)
      throw ETitleStream(!info.VobProblem.empty() ? info.VobProblem
                                                  : "a cell of " + ifoPath + " points past the end of its VOB files");
  impl->SectorLimit = vobSectors;
  impl->Start = std::clamp(start, info.Begin, info.Begin + info.Length);
  impl->End = std::clamp(end, impl->Start, info.Begin + info.Length);
  if (audioTrack >= 0 && audioTrack < static_cast<int>(info.AudioTracks.size()))
    impl->AudioStreamId = info.AudioTracks[audioTrack].StreamId;
  if (subtitleIndex >= 0 && subtitleIndex < static_cast<int>(info.Subtitles.size()))
    impl->SubtitleStreamId = info.Subtitles[subtitleIndex].StreamId;

  std::string folder = impl->Set->Folder;
  impl->Dvd = DVDOpen2(&impl->Log, impl->Log.Callbacks(), folder.c_str());
  if (!impl->Dvd) throw ETitleStream("cannot open the DVD folder " + folder + impl->Log.Text());
  impl->Vob = DVDOpenFile(impl->Dvd, impl->Set->SetNumber, DVD_READ_TITLE_VOBS);
  if (!impl->Vob) throw ETitleStream("the title VOB files of " + ifoPath + " are missing");

  double from = impl->Start - info.Begin;
  double lookFrom = impl->SubtitleStreamId >= 0 ? std::max(0.0, from - kSubtitleLookback) : from;
  impl->PlanRuns(lookFrom, from);

  auto* buffer = static_cast<uint8_t*>(av_malloc(kChunkSectors * kSector));
  if (!buffer) throw ETitleStream("out of memory");
  impl->Io = avio_alloc_context(buffer, kChunkSectors * kSector, 0, impl.get(),
                                &TImpl::ReadCallback, nullptr, nullptr);
  if (!impl->Io) {
    av_free(buffer);
    throw ETitleStream("out of memory");
  }
  impl->Format = avformat_alloc_context();
  impl->Format->pb = impl->Io;
  impl->Format->flags |= AVFMT_FLAG_CUSTOM_IO;
  const AVInputFormat* mpeg = av_find_input_format("mpeg");
  AVDictionary* options = nullptr;
  int rc = avformat_open_input(&impl->Format, nullptr, mpeg, &options);
  av_dict_free(&options);
  if (rc < 0) {
    impl->Format = nullptr;  // freed by avformat_open_input
    throw ETitleStream(impl->ReadError ? impl->ErrorText
                                       : "cannot demux the title VOBs of " + ifoPath);
  }
  impl->Scratch = av_packet_alloc();
  return std::unique_ptr<TTitleStream>(new TTitleStream(std::move(impl)));
}

std::unique_ptr<TTitleStream> TTitleStream::OpenTitle(const std::string& ifoPath, int title,
                                                      double start, double end, int audioTrack,
                                                      int subtitleIndex) {
  std::string error;
  auto set = ReadDvdTitleSet(ifoPath, &error, false);
  if (!set) throw ETitleStream(error);
  if (title < 0 || title >= static_cast<int>(set->Titles.size()))
    throw ETitleStream("no title " + std::to_string(title + 1) + " in " + ifoPath);
  const TDvdTitle& info = set->Titles[title];
  // A start at the very end would fall into the next title.
  double s = std::clamp(start, 0.0, std::max(0.0, info.Length - 1e-3));
  return Open(ifoPath, info.Begin + s, info.Begin + std::min(end, info.Length), audioTrack,
              subtitleIndex);
}

const TDvdTitleSet& TTitleStream::TitleSet() const { return *impl_->Set; }
int TTitleStream::TitleIndex() const { return impl_->Title; }
double TTitleStream::Start() const { return impl_->Start; }
double TTitleStream::End() const { return impl_->End; }
bool TTitleStream::HasAudio() const { return impl_->AudioStreamId >= 0; }
bool TTitleStream::HasSubtitle() const { return impl_->SubtitleStreamId >= 0; }
uint64_t TTitleStream::BytesRead() const { return static_cast<uint64_t>(impl_->Delivered); }

const std::array<uint32_t, 16>& TTitleStream::SubtitlePalette() const {
  return impl_->TitleInfo().Palette;
}

const AVCodecParameters* TTitleStream::CodecParameters(TStreamKind kind) const {
  int index = impl_->StreamIndex[static_cast<int>(kind)];
  return index < 0 ? nullptr : impl_->Format->streams[index]->codecpar;
}

bool TTitleStream::ReadPacket(AVPacket* packet, TStreamKind* kind) {
  TImpl& s = *impl_;
  if (s.Finished) return false;
  const double begin = s.TitleInfo().Begin;
  const double endInTitle = s.End - begin;
  for (;;) {
    av_packet_unref(s.Scratch);
    int rc = av_read_frame(s.Format, s.Scratch);
    if (rc < 0) {
      if (s.ReadError) throw ETitleStream(s.ErrorText);
      s.Finished = true;
      return false;
    }
    TStreamKind k;
    if (!s.KindOf(s.Scratch->stream_index, &k)) {
      // A stream nobody chose (navigation, other tracks): the demuxer skips
      // its packets from now on instead of copying them.
      s.Format->streams[s.Scratch->stream_index]->discard = AVDISCARD_ALL;
      continue;
    }
    // Before the VOBU of the range start only subtitles are wanted; video
    // begins there with its first key picture.
    if (k != TStreamKind::Subtitle && s.Scratch->pos >= 0 && s.Scratch->pos < s.AvStartOffset)
      continue;
    if (k == TStreamKind::Video && !s.VideoStarted) {
      if (!(s.Scratch->flags & AV_PKT_FLAG_KEY)) continue;
      s.VideoStarted = true;
    }
    double pts = 0, dts = 0;
    bool hasPts = s.TitleTime(s.Scratch->pts, s.Scratch->pos, &pts);
    bool hasDts = s.TitleTime(s.Scratch->dts, s.Scratch->pos, &dts);
    double when = hasDts ? dts : (hasPts ? pts : -1);
    if (k == TStreamKind::Video && when > endInTitle + kEndMargin) {
      s.Finished = true;
      return false;
    }
    if (when > endInTitle + kEndMargin) continue;
    av_packet_move_ref(packet, s.Scratch);
    packet->pts = hasPts ? std::llround((begin + pts) * 90000.0) : AV_NOPTS_VALUE;
    packet->dts = hasDts ? std::llround((begin + dts) * 90000.0) : AV_NOPTS_VALUE;
    packet->time_base = AVRational{1, 90000};
    packet->stream_index = static_cast<int>(k);
    *kind = k;
    return true;
  }
}

}  // namespace reelcast
