// The finishing phase of a conversion job: after the codec bridge has
// written the temporary FLV, TEncoderThread post-processes it (metadata,
// background music), composes the requested output and delivers it by
// output kind, reporting every stage to the progress window by posted
// messages and ending with 2278 (posted twice).
//
// Unlike a job that only logs its failures, the thread checks at the end
// that the output exists; when it does not, or when a stage raised an
// error, both 2278 carry wParam kJobFailed and FailedStage() tells which
// stage failed.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "convert/JobMessages.h"
#include "convert/JobRecord.h"

namespace reelcast {

// wParam of 2278 when the job ended without its output.
inline constexpr uintptr_t kJobFailed = 1;

// The composition routines of the published movies. They are provided by
// the publishing code; an empty one means the output kinds that need it are
// not available in this build, and a job that needs it fails at that stage
// saying so.
struct TFinishingSteps {
  std::function<void(const std::string& flvPath, const std::string& swfPath)> FlvToSwf;
  std::function<void(const std::string& templateName, const std::string& swfPath,
                     const TImageArea& imageArea)>
      CreatFlashMovie;
  std::function<void(const std::string& flvPath, const std::string& templateName,
                     const std::string& swfPath, bool preview)>
      MakePlayerMovie;
  std::function<void(const std::string& swfFileName)> WriteHtmlPage;
  std::function<void(const std::string& playerPath, const std::string& swfPath)> MakeProjector;
  // Returns 0 when the screen saver was installed.
  std::function<int32_t(const std::u16string& swfPath, int32_t flags, const std::u16string& scrName,
                        const std::u16string& extra)>
      ExportToScreenSaver;
};
// The steps every job uses; the publishing code registers its routines here
// at start-up.
TFinishingSteps& FinishingSteps();

// The temporary FLV of the job: TempFolder + BaseName + ".flv".
std::string TemporaryFlvPath();
// The file the job must leave behind for its output kind: OutputFile for
// FLV, SWF and screen-saver movies, the ".exe" beside it for a projector.
std::string ExpectedOutputPath();

// The mixing script of the background music (UTF-8 XML, root "AudioToolX"):
// one Music entry of length musicLength (100-ns units) when single, else the
// music repeated up to the movie's length, or followed by one silent filler
// when LoopMusic is off. Replaces an older file; false when it cannot be
// written.
bool WriteAudioXml(const std::string& scriptPath, const std::string& musicFile, bool single,
                   int64_t musicLength);
// The music target length in 100-ns units: TotalDuration, plus 16 s for
// the opening and ending titles of a general template.
int64_t MusicTargetLength();
// The length of an audio file in 100-ns units, or in whole seconds
// (rounded) when inSeconds; 0 when it cannot be read.
int64_t AudioFileLength(const std::string& fileName, bool inSeconds);

// Mixes SWFParam.MusicFile into TempFolder + "BackGroupMusic.mp3" for the
// movie's length (MusicTargetLength; repeated when LoopMusic, else followed
// by silence), as the job's music stage does. progress receives percentages
// and returns -1 to go on, 0 to stop the encoder. An older mixed file is
// removed first, so a failed mix never leaves earlier music behind. False
// when no music was made, logged as "InitBkMusic Faild.".
bool MixBackgroundMusic(const std::function<int(int percent)>& progress);

class TEncoderThread {
 public:
  // Starts the finishing stages at once on a new thread; their messages go
  // to window. Writes "Create Thread.".
  explicit TEncoderThread(TWindowHandle window);
  // Waits for the stages to end (after Terminate, a running music encoder
  // stops early). Writes "Destroy Thread.".
  ~TEncoderThread();
  TEncoderThread(const TEncoderThread&) = delete;
  TEncoderThread& operator=(const TEncoderThread&) = delete;

  // Asks the thread to end: no further stage starts, the music encoder
  // stops, and a movie being written is given up when the job was
  // cancelled (TMakeSwf).
  void Terminate() { terminated_ = true; }
  // Waits until the stages have ended.
  void Wait();
  // After a cancel or a failure (once the stages have ended): removes the
  // output files this job wrote (the movie, its HTML page, the FLV it links,
  // the projector), so a cancelled or failed job leaves none.
  // Files that were there before the finishing stages began stay.
  void RemoveOutputsMade();
  bool Running() const { return running_; }
  // After a 2278 with kJobFailed: what failed ("creating the SWF movie: ...").
  std::string FailedStage() const;

  // The background-music stage (also run by the thread): mixes MusicFile to
  // TempFolder + "BackGroupMusic.mp3" through the music tool.
  void MakeBackgroundMusic();

 private:
  void Execute();
  void RunStages();
  void Fail(const std::string& stage);
  bool Stopped() const;
  std::vector<std::string> OutputPaths() const;

  TWindowHandle window_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> running_{true};
  mutable std::mutex mutex_;
  std::string failedStage_;
  std::vector<std::pair<std::string, bool>> existedBefore_;  // path, existed at the start
  std::thread thread_;
};

}  // namespace reelcast
