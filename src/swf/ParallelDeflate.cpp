#include "swf/ParallelDeflate.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <string>

namespace reelcast {

struct TParallelDeflate::TBlock {
  std::vector<uint8_t> input;  // dictionary bytes, then the block's own bytes
  size_t dictionaryLength = 0;
  bool last = false;
  // Set by the worker.
  std::vector<uint8_t> output;
  uint32_t adler = 1;
  bool done = false;
  std::exception_ptr error;

  size_t Length() const { return input.size() - dictionaryLength; }
};

// A raw-deflate state kept for the worker's life and reset per block.
class TParallelDeflate::TWorker {
 public:
  explicit TWorker(int level) {
    int rc = deflateInit2(&z_, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    if (rc != Z_OK) throw EWriteError("cannot start compression (zlib error " + std::to_string(rc) + ")");
  }
  ~TWorker() { deflateEnd(&z_); }
  TWorker(const TWorker&) = delete;
  TWorker& operator=(const TWorker&) = delete;

  void Compress(TBlock& block) {
    deflateReset(&z_);
    if (block.dictionaryLength > 0)
      deflateSetDictionary(&z_, block.input.data(), static_cast<uInt>(block.dictionaryLength));
    const uint8_t* data = block.input.data() + block.dictionaryLength;
    const size_t length = block.Length();
    block.adler = static_cast<uint32_t>(adler32(1L, data, static_cast<uInt>(length)));
    // A sync flush ends the block on a byte boundary with an empty stored
    // block; the last block ends the deflate stream instead.
    block.output.resize(deflateBound(&z_, static_cast<uLong>(length)) + 16);
    z_.next_in = const_cast<uint8_t*>(data);
    z_.avail_in = static_cast<uInt>(length);
    size_t used = 0;
    const int flush = block.last ? Z_FINISH : Z_SYNC_FLUSH;
    for (;;) {
      z_.next_out = block.output.data() + used;
      z_.avail_out = static_cast<uInt>(block.output.size() - used);
      int rc = deflate(&z_, flush);
      used = block.output.size() - z_.avail_out;
      if (rc == Z_STREAM_ERROR) throw EWriteError("compression failed");
      if (block.last ? rc == Z_STREAM_END : (z_.avail_in == 0 && z_.avail_out > 0)) break;
      block.output.resize(block.output.size() * 2);
    }
    block.output.resize(used);
  }

 private:
  z_stream z_{};
};

unsigned TParallelDeflate::DefaultThreads() {
  return std::clamp(std::thread::hardware_concurrency(), 1u, 16u);
}

TParallelDeflate::TParallelDeflate(TStream& out, int level, size_t blockSize, unsigned threads)
    : out_(out),
      level_(level < 0 || level > 9 ? 6 : level),
      blockSize_(std::max<size_t>(blockSize, 1)),
      threadCount_(threads == 0 ? DefaultThreads() : threads),
      maxInFlight_(threadCount_ * 2) {
  pending_.reserve(blockSize_);
  if (threadCount_ == 1) {
    workers_.push_back(std::make_unique<TWorker>(level_));
    return;
  }
  for (unsigned i = 0; i < threadCount_; ++i) workers_.push_back(std::make_unique<TWorker>(level_));
  for (unsigned i = 0; i < threadCount_; ++i)
    threads_.emplace_back([this, i] { Run(*workers_[i]); });
}

TParallelDeflate::~TParallelDeflate() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  workReady_.notify_all();
  for (auto& t : threads_) t.join();
}

void TParallelDeflate::Run(TWorker& worker) {
  for (;;) {
    std::shared_ptr<TBlock> block;
    {
      std::unique_lock lock(mutex_);
      workReady_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) return;
      block = std::move(queue_.front());
      queue_.pop_front();
    }
    try {
      worker.Compress(*block);
    } catch (...) {
      block->error = std::current_exception();
    }
    {
      std::lock_guard lock(mutex_);
      block->done = true;
    }
    blockDone_.notify_all();
  }
}

void TParallelDeflate::Write(const void* data, size_t size) {
  if (finished_) throw EWriteError("compressed stream already finished");
  const auto* p = static_cast<const uint8_t*>(data);
  while (size > 0) {
    size_t n = std::min(size, blockSize_ - pending_.size());
    pending_.insert(pending_.end(), p, p + n);
    p += n;
    size -= n;
    if (pending_.size() == blockSize_) Submit(false);
  }
}

void TParallelDeflate::Finish() {
  if (finished_) return;
  Submit(true);
  while (!inFlight_.empty()) WriteOldest();
  uint8_t trailer[4] = {static_cast<uint8_t>(adler_ >> 24), static_cast<uint8_t>(adler_ >> 16),
                        static_cast<uint8_t>(adler_ >> 8), static_cast<uint8_t>(adler_)};
  out_.WriteBuffer(trailer, 4);
  finished_ = true;
}

void TParallelDeflate::Submit(bool last) {
  if (!headerWritten_) {
    // CMF: deflate with a 32 kB window; FLG: the level's class, check bits.
    const uint8_t cmf = 0x78;
    const uint8_t levelClass = level_ < 2 ? 0 : level_ < 6 ? 1 : level_ == 6 ? 2 : 3;
    uint8_t flg = static_cast<uint8_t>(levelClass << 6);
    flg = static_cast<uint8_t>(flg + (31 - (cmf * 256 + flg) % 31) % 31);
    uint8_t header[2] = {cmf, flg};
    out_.WriteBuffer(header, 2);
    headerWritten_ = true;
  }
  auto block = std::make_shared<TBlock>();
  block->last = last;
  block->dictionaryLength = dictionary_.size();
  block->input.reserve(dictionary_.size() + pending_.size());
  block->input.insert(block->input.end(), dictionary_.begin(), dictionary_.end());
  block->input.insert(block->input.end(), pending_.begin(), pending_.end());
  // The next block's dictionary: the last 32 kB of everything so far.
  const size_t keep = std::min(kDictionarySize, block->input.size());
  dictionary_.assign(block->input.end() - static_cast<ptrdiff_t>(keep), block->input.end());
  pending_.clear();

  if (threads_.empty()) {
    workers_.front()->Compress(*block);
    block->done = true;
    inFlight_.push_back(std::move(block));
    WriteOldest();
    return;
  }
  while (inFlight_.size() >= maxInFlight_) WriteOldest();
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(block);
    inFlight_.push_back(std::move(block));
  }
  workReady_.notify_one();
}

void TParallelDeflate::WriteOldest() {
  std::shared_ptr<TBlock> block = inFlight_.front();
  {
    std::unique_lock lock(mutex_);
    blockDone_.wait(lock, [&] { return block->done; });
    inFlight_.pop_front();
  }
  if (block->error) std::rethrow_exception(block->error);
  out_.WriteBuffer(block->output.data(), block->output.size());
  adler_ = static_cast<uint32_t>(
      adler32_combine(adler_, block->adler, static_cast<z_off_t>(block->Length())));
  written_ += block->Length();
}

}  // namespace reelcast
