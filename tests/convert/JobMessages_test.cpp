#include "convert/JobMessages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <thread>

namespace reelcast {
namespace {

TJobEvent Progress(int poster, int i) {
  TJobEvent e{TJobEventKind::MovieProgress};
  e.SubCode = static_cast<uint32_t>(poster);
  e.Value = i;
  return e;
}

TEST(JobEventQueue, PostsFromManyThreadsArriveCompleteAndInOrderPerPoster) {
  auto queue = std::make_shared<TJobEventQueue>();
  constexpr int kThreads = 6;
  constexpr int kEach = 2000;
  std::vector<std::thread> posters;
  for (int t = 0; t < kThreads; ++t)
    posters.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) ASSERT_TRUE(PostJobEvent(queue, Progress(t, i)));
    });
  // Drain while the posters run, as a window would.
  std::vector<TJobEvent> received;
  while (received.size() < size_t{kThreads} * kEach) {
    auto batch = queue->WaitAndDrain(std::chrono::milliseconds(200));
    received.insert(received.end(), batch.begin(), batch.end());
  }
  for (auto& p : posters) p.join();
  EXPECT_TRUE(queue->Drain().empty());
  std::map<uint32_t, int32_t> next;
  for (const auto& e : received) {
    EXPECT_EQ(e.Kind, TJobEventKind::MovieProgress);
    EXPECT_EQ(e.Value, next[e.SubCode]++) << "poster " << e.SubCode;
  }
  EXPECT_EQ(next.size(), size_t{kThreads});
}

TEST(JobEventQueue, AReceiverThatHasGoneDropsEventsWhileAWorkerGoesOn) {
  auto window = std::make_shared<TJobEventQueue>();
  std::weak_ptr<TJobEventQueue> handle = window;
  EXPECT_FALSE(PostJobEvent(std::weak_ptr<TJobEventQueue>(), {TJobEventKind::JobEnd}));
  std::atomic<bool> stop{false};
  std::atomic<int> delivered{0}, dropped{0};
  std::thread worker([&] {
    while (!stop) (PostJobEvent(handle, {TJobEventKind::EncodeProgress}) ? delivered : dropped)++;
  });
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (delivered == 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  window.reset();
  while (dropped == 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  stop = true;
  worker.join();
  EXPECT_GT(delivered.load(), 0);
  EXPECT_GT(dropped.load(), 0);
}

TEST(JobEventQueue, WakeUpRunsForEveryPostAndPostsNeverWaitForTheReceiver) {
  auto queue = std::make_shared<TJobEventQueue>();
  std::atomic<int> wakeUps{0};
  queue->SetWakeUp([&] { ++wakeUps; });
  // Nobody drains: every post still returns at once.
  for (int i = 0; i < 50000; ++i) ASSERT_TRUE(PostJobEvent(queue, {TJobEventKind::EncodeProgress}));
  EXPECT_EQ(wakeUps.load(), 50000);
  EXPECT_EQ(queue->Pending(), 50000u);
  EXPECT_EQ(queue->WaitAndDrain(std::chrono::milliseconds(0)).size(), 50000u);
  EXPECT_TRUE(queue->WaitAndDrain(std::chrono::milliseconds(10)).empty());
}

TEST(JobMessages, KindsKeepTheMessageNumbersAndStageTexts) {
  EXPECT_EQ(static_cast<uint32_t>(TJobEventKind::EncodeProgress), 0xFB8u);
  EXPECT_EQ(static_cast<uint32_t>(TJobEventKind::EncodeDone), 0xFB9u);
  EXPECT_EQ(static_cast<uint32_t>(TJobEventKind::FlvToSwfDone), 0x8E9u);
  EXPECT_EQ(static_cast<uint32_t>(TJobEventKind::TemplateDone), 0x8EBu);
  EXPECT_EQ(static_cast<uint32_t>(TJobEventKind::JobEnd), 0x8E6u);
  EXPECT_EQ(static_cast<uint32_t>(TJobEventKind::MovieProgress), 0xBD7u);
  EXPECT_EQ(static_cast<uint32_t>(TJobEventKind::StageNotice), 0xBD8u);
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

TEST(JobMessages, ResultTexts) {
  EXPECT_EQ(TJobResult::Failure("making the projector", "the player program /d/SAFlashPlayer.exe is missing").Text(),
            "The conversion failed while making the projector: the player program /d/SAFlashPlayer.exe is missing.");
  EXPECT_EQ(TJobResult::Failure(kEncodeStage, "No space left on device: /o/m.flv").Text(),
            "Failed to create the FLV file: No space left on device: /o/m.flv");
  EXPECT_TRUE(TJobResult::Cancel().Cancelled());
  EXPECT_TRUE(TJobResult::Success().Succeeded());
}

}  // namespace
}  // namespace reelcast
