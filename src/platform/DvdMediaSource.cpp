// The conversion source of a DVD title set: the title stream behind the
// media source calls, so that the converter reads titles like media files.
#include <memory>

#include "platform/MediaSource.h"
#include "platform/TitleStream.h"

namespace reelcast {
namespace {

class TDvdSource final : public TMediaSource {
 public:
  explicit TDvdSource(std::unique_ptr<TTitleStream> stream) : stream_(std::move(stream)) {}

  bool ReadPacket(AVPacket* packet, TSourceStream* kind) override {
    TStreamKind k;
    try {
      if (!stream_->ReadPacket(packet, &k)) return false;
    } catch (const ETitleStream& e) {
      throw EMediaSource(e.what());
    }
    *kind = static_cast<TSourceStream>(static_cast<int>(k));
    return true;
  }

  const AVCodecParameters* Parameters(TSourceStream kind) const override {
    return stream_->CodecParameters(static_cast<TStreamKind>(static_cast<int>(kind)));
  }

  double FrameRate() const override { return stream_->TitleSet().FrameRate(); }

  const std::array<uint32_t, 16>* SubtitlePalette() const override {
    return stream_->HasSubtitle() ? &stream_->SubtitlePalette() : nullptr;
  }

 private:
  std::unique_ptr<TTitleStream> stream_;
};

static_assert(static_cast<int>(TSourceStream::Video) == static_cast<int>(TStreamKind::Video) &&
              static_cast<int>(TSourceStream::Audio) == static_cast<int>(TStreamKind::Audio) &&
              static_cast<int>(TSourceStream::Subtitle) == static_cast<int>(TStreamKind::Subtitle));

}  // namespace

std::unique_ptr<TMediaSource> OpenDvdMediaSource(const std::string& ifoPath, double start,
                                                 double end, int audioTrack, int subtitleIndex) {
  try {
    return std::make_unique<TDvdSource>(
        TTitleStream::Open(ifoPath, start, end, audioTrack, subtitleIndex));
  } catch (const ETitleStream& e) {
    throw EMediaSource(e.what());
  }
}

}  // namespace reelcast
