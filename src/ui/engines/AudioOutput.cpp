#include "ui/engines/AudioOutput.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

namespace reelcast::ui {
namespace {

constexpr int kFeedMs = 10;            // how often the sink is fed
constexpr double kBufferSeconds = 0.2;  // what Write takes ahead of the sink

}  // namespace

struct TQtAudioDevice::TSink {
  std::unique_ptr<QAudioSink> Sink;
  QIODevice* Io = nullptr;
  std::unique_ptr<QTimer> Feed;
  QAudioFormat Format;
  QAudioDevice Device;
};

TQtAudioDevice::TQtAudioDevice() : thread_(std::make_unique<QThread>()) {
  thread_->setObjectName(QStringLiteral("preview audio"));
  thread_->start();
  context_ = new QObject;
  context_->moveToThread(thread_.get());
}

TQtAudioDevice::~TQtAudioDevice() {
  OnAudioThread([this] {
    if (sink_ && sink_->Sink) sink_->Sink->stop();
    sink_.reset();
    delete context_;
  });
  thread_->quit();
  thread_->wait();
}

void TQtAudioDevice::OnAudioThread(const std::function<void()>& call) {
  if (QThread::currentThread() == thread_.get())
    call();
  else
    QMetaObject::invokeMethod(context_, call, Qt::BlockingQueuedConnection);
}

bool TQtAudioDevice::Open(int sampleRate, int channels) {
  bool opened = false;
  OnAudioThread([&] {
    auto sink = std::make_unique<TSink>();
    sink->Device = QMediaDevices::defaultAudioOutput();
    if (sink->Device.isNull()) return;
    sink->Format.setSampleRate(sampleRate);
    sink->Format.setChannelCount(channels);
    sink->Format.setSampleFormat(QAudioFormat::Int16);
    if (!sink->Device.isFormatSupported(sink->Format)) return;
    sampleRate_ = sampleRate;
    bytesPerFrame_ = sink->Format.bytesPerFrame();
    sink_ = std::move(sink);
    Flush();
    opened = sink_->Io != nullptr;
    if (!opened) sink_.reset();
  });
  return opened;
}

int64_t TQtAudioDevice::Write(const int16_t* samples, int64_t frames) {
  if (!sink_ || bytesPerFrame_ == 0) return 0;
  std::lock_guard lock(mutex_);
  const int64_t room = static_cast<int64_t>(kBufferSeconds * sampleRate_) - pending_.size() / bytesPerFrame_;
  const int64_t taken = std::clamp<int64_t>(frames, 0, std::max<int64_t>(room, 0));
  pending_.append(reinterpret_cast<const char*>(samples), static_cast<qsizetype>(taken * bytesPerFrame_));
  return taken;
}

int64_t TQtAudioDevice::PlayedFrames() { return played_.load(); }

void TQtAudioDevice::Pause() {
  OnAudioThread([this] {
    if (sink_ && sink_->Sink) sink_->Sink->suspend();
  });
}

void TQtAudioDevice::Resume() {
  OnAudioThread([this] {
    if (sink_ && sink_->Sink) sink_->Sink->resume();
  });
}

void TQtAudioDevice::Flush() {
  OnAudioThread([this] {
    if (!sink_) return;
    // A new sink: its played time starts at 0, and what the old one held
    // is dropped with it.
    sink_->Feed.reset();
    if (sink_->Sink) sink_->Sink->stop();
    sink_->Io = nullptr;
    {
      std::lock_guard lock(mutex_);
      pending_.clear();
    }
    played_ = 0;
    sink_->Sink = std::make_unique<QAudioSink>(sink_->Device, sink_->Format);
    sink_->Sink->setBufferSize(static_cast<qsizetype>(0.1 * sampleRate_) * bytesPerFrame_);
    sink_->Io = sink_->Sink->start();
    if (!sink_->Io) return;
    sink_->Feed = std::make_unique<QTimer>();
    QObject::connect(sink_->Feed.get(), &QTimer::timeout, [this] {
      TSink& s = *sink_;
      if (!s.Io) return;
      {
        std::lock_guard lock(mutex_);
        const qsizetype free = s.Sink->bytesFree() / bytesPerFrame_ * bytesPerFrame_;
        const qsizetype n = std::min<qsizetype>(free, pending_.size());
        if (n > 0) {
          const qint64 written = s.Io->write(pending_.constData(), n);
          if (written > 0) pending_.remove(0, static_cast<qsizetype>(written));
        }
      }
      played_ = s.Sink->processedUSecs() * sampleRate_ / 1000000;
    });
    sink_->Feed->start(kFeedMs);
  });
}

}  // namespace reelcast::ui
