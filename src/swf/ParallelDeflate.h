// One zlib stream written from independent blocks compressed on several
// threads. The input is cut into blocks; each block is raw-deflated on its
// own, primed with the 32 kB of input before it as the dictionary, and ends
// on a byte boundary (a sync flush), so the blocks' outputs concatenate into
// one deflate stream. The writer puts the zlib header before it and the
// Adler-32 of the whole input (combined from the blocks' sums) after it.
// The bytes do not depend on the thread count.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "swf/Stream.h"

namespace reelcast {

class TParallelDeflate {
 public:
  static constexpr size_t kDictionarySize = 32 * 1024;
  static constexpr size_t kDefaultBlockSize = 256 * 1024;

  // Writes to out (not owned). threads 0 means one per processor; with one
  // thread the blocks are compressed on the caller's thread.
  explicit TParallelDeflate(TStream& out, int level = 6, size_t blockSize = kDefaultBlockSize,
                            unsigned threads = 0);
  // Stops the workers; an unfinished stream is left incomplete.
  ~TParallelDeflate();
  TParallelDeflate(const TParallelDeflate&) = delete;
  TParallelDeflate& operator=(const TParallelDeflate&) = delete;

  // Adds input. Compressed blocks are written to out in order as they are
  // ready, so out sees a bounded amount of work in flight.
  void Write(const void* data, size_t size);
  // Compresses what is left, writes the stream's end and the checksum.
  void Finish();

  // Input bytes whose compressed form has been written to out.
  uint64_t Written() const { return written_; }

  static unsigned DefaultThreads();

 private:
  struct TBlock;
  class TWorker;

  void Submit(bool last);
  void WriteOldest();
  void Run(TWorker& worker);

  TStream& out_;
  int level_;
  size_t blockSize_;
  unsigned threadCount_;
  size_t maxInFlight_;
  bool finished_ = false;
  bool headerWritten_ = false;
  uint32_t adler_ = 1;
  uint64_t written_ = 0;

  std::vector<uint8_t> dictionary_;  // the last 32 kB of input before pending_
  std::vector<uint8_t> pending_;     // input not yet handed to a block

  std::mutex mutex_;
  std::condition_variable workReady_;
  std::condition_variable blockDone_;
  std::deque<std::shared_ptr<TBlock>> queue_;     // blocks waiting for a worker
  std::deque<std::shared_ptr<TBlock>> inFlight_;  // blocks in stream order, not yet written
  bool stopping_ = false;
  std::vector<std::unique_ptr<TWorker>> workers_;
  std::vector<std::thread> threads_;
};

}  // namespace reelcast
