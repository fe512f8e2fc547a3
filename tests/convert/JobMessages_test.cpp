#include "convert/JobMessages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <thread>

namespace reelcast {
namespace {

TEST(MessageQueue, PostsFromManyThreadsArriveCompleteAndInOrderPerPoster) {
  TMessageQueue queue;
  constexpr int kThreads = 6;
  constexpr int kEach = 2000;
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t)
    posters.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i)
        ASSERT_TRUE(PostMessage(queue.Handle(), kMsgMovieProgress, static_cast<uintptr_t>(t), i));
    });
  // Drain while the posters run, as a window would.
  std::vector<TMessage> received;
  while (received.size() < size_t{kThreads} * kEach) {
    auto batch = queue.WaitAndDrain(std::chrono::milliseconds(200));
    received.insert(received.end(), batch.begin(), batch.end());
  }
  for (auto& p : posters) p.join();
  EXPECT_TRUE(queue.Drain().empty());
  std::map<uintptr_t, intptr_t> next;
  for (const auto& m : received) {
    EXPECT_EQ(m.Msg, kMsgMovieProgress);
    EXPECT_EQ(m.LParam, next[m.WParam]++) << "poster " << m.WParam;
  }
  EXPECT_EQ(next.size(), size_t{kThreads});
}

TEST(MessageQueue, PostingToAMissingWindowFailsQuietly) {
  EXPECT_FALSE(PostMessage(0, kMsgJobDone));
  TWindowHandle stale;
  {
    TMessageQueue gone;
    stale = gone.Handle();
    EXPECT_TRUE(PostMessage(stale, kMsgJobDone));
  }
  EXPECT_FALSE(PostMessage(stale, kMsgJobDone));
  // A new window never answers to the old handle.
  TMessageQueue fresh;
  EXPECT_NE(fresh.Handle(), stale);
}

TEST(MessageQueue, WorkerOutlivingItsWindowIsHarmless) {
  auto window = std::make_unique<TMessageQueue>();
  TWindowHandle handle = window->Handle();
  std::atomic<bool> stop{false};
  std::atomic<int> refused{0};
  std::thread worker([&] {
    while (!stop)
      if (!PostMessage(handle, kMsgEncodeProgress)) ++refused;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  window.reset();
  // Wait (bounded) until the worker has tried the dead handle.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (refused == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  stop = true;
  worker.join();
  EXPECT_GT(refused.load(), 0);
}

TEST(MessageQueue, WakeUpRunsForEveryPostAndPostsNeverWaitForTheReceiver) {
  TMessageQueue queue;
  std::atomic<int> wakeUps{0};
  queue.SetWakeUp([&] { ++wakeUps; });
  // Nobody drains: every post still returns at once.
  for (int i = 0; i < 50000; ++i) ASSERT_TRUE(PostMessage(queue.Handle(), kMsgEncodeProgress));
  EXPECT_EQ(wakeUps.load(), 50000);
  EXPECT_EQ(queue.Pending(), 50000u);
  EXPECT_TRUE(queue.WaitAndDrain(std::chrono::milliseconds(0)).size() == 50000u);
  EXPECT_TRUE(queue.WaitAndDrain(std::chrono::milliseconds(10)).empty());
}

TEST(JobMessages, NumbersAndStageTexts) {
  EXPECT_EQ(kMsgEncodeProgress, 0xFB8u);
  EXPECT_EQ(kMsgEncodeDone, 0xFB9u);
  EXPECT_EQ(kMsgFlvToSwfDone, 0x8E9u);
  EXPECT_EQ(kMsgTemplateDone, 0x8EBu);
  EXPECT_EQ(kMsgJobDone, 0x8E6u);
  EXPECT_EQ(kMsgMovieProgress, 0xBD7u);
  EXPECT_EQ(kMsgStageNotice, 0xBD8u);
  const char* texts[] = {"Saving the converted file, please wait a moment...",
                         "In process of adding background music...",
                         "In process of integrating template...",
                         "In process of generating EXE file...",
                         "In process of generating Html file...",
                         "In process of generating ScreenSava file...",
                         "In process of creating background music file...",
                         ""};
  for (uint32_t code = 0; code < 8; ++code) EXPECT_STREQ(StageNoticeText(code), texts[code]);
  EXPECT_STREQ(StageNoticeText(99), "");
}

}  // namespace
}  // namespace reelcast
