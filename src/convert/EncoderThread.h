// The finishing phase of a conversion job: after the codec bridge has
// written the temporary FLV, TEncoderThread post-processes it (metadata,
// background music), composes the requested output and delivers it by
// output kind. It runs on its job's thread, reads only the job's own
// settings, reports through the job, and returns one result: done, or the
// stage that failed and why.
//
// The publishing routines are reached through TFinishingSteps, which the
// job is given when it is made; the conversion code does not link them.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "convert/JobMessages.h"
#include "convert/JobRecord.h"
#include "convert/StageReport.h"

namespace reelcast {

// The composition routines of the published movies, each taking the job's
// record and returning its result. An empty one means the output kinds that
// need it are not available in this build; a job that needs it fails at
// that stage saying so.
struct TFinishingSteps {
  // Copies a general template and renders its opening and ending title
  // movies into ScratchFolderOf(param).
  std::function<TStageResult(const TSWFParam& param)> PrepareTemplate;
  std::function<TStageResult(const std::string& flvPath, const std::string& swfPath, const TSWFParam& param)>
      FlvToSwf;
  std::function<TStageResult(const std::string& templateName, const std::string& swfPath,
                             const TImageArea& imageArea, const TSWFParam& param)>
      CreatFlashMovie;
  std::function<TStageResult(const std::string& flvPath, const std::string& templateName,
                             const std::string& swfPath, bool preview, const TSWFParam& param)>
      MakePlayerMovie;
  // The page of the movie named swfFileName, beside param.OutputFile.
  std::function<TStageResult(const std::string& swfFileName, const TSWFParam& param)> WriteHtmlPage;
  std::function<TStageResult(const std::string& playerPath, const std::string& swfPath, const TSWFParam& param)>
      MakeProjector;
  // Writes the screen saver scrPath from the movie swfPath.
  std::function<TStageResult(const std::string& swfPath, const std::string& scrPath, const TSWFParam& param)>
      ExportToScreenSaver;
};

// The temporary FLV of a job: its scratch folder + BaseName + ".flv".
std::string TemporaryFlvPath(const TSWFParam& param);
// The file a job must leave behind for its output kind: OutputFile for FLV,
// SWF and screen-saver movies, the ".exe" beside it for a projector.
std::string ExpectedOutputPath(const TSWFParam& param);

// The mixing script of the background music (UTF-8 XML, root "AudioToolX"):
// one Music entry of length musicLength (100-ns units) when single, else the
// music repeated up to the movie's length, or followed by one silent filler
// when LoopMusic is off. Replaces an older file; false when it cannot be
// written.
bool WriteAudioXml(const std::string& scriptPath, const std::string& musicFile, bool single,
                   int64_t musicLength, const TSWFParam& param);
// The music target length in 100-ns units: TotalDuration, plus 16 s for
// the opening and ending titles of a general template.
int64_t MusicTargetLength(const TSWFParam& param);
// The length of an audio file in 100-ns units, or in whole seconds
// (rounded) when inSeconds; 0 when it cannot be read.
int64_t AudioFileLength(const std::string& fileName, bool inSeconds);

// Mixes param.MusicFile into ScratchFolderOf(param) + "BackGroupMusic.mp3"
// for the movie's length (repeated when LoopMusic, else followed by
// silence). progress receives percentages and returns -1 to go on, 0 to
// stop the encoder. An older mixed file is removed first, so a failed mix
// never leaves earlier music behind. False when no music was made, logged
// as "InitBkMusic Faild.".
bool MixBackgroundMusic(const TSWFParam& param, const std::function<int(int percent)>& progress);

class TEncoderThread {
 public:
  // param is the job's record (its Report set), steps its routines; post
  // sends FlvToSwfDone and TemplateDone; a screen saver is written to
  // screenSaverPath. All are used only during Execute. Writes "Create
  // Thread.".
  TEncoderThread(const TSWFParam& param, const TFinishingSteps& steps,
                 std::function<void(TJobEventKind)> post, std::string screenSaverPath);
  // Writes "Destroy Thread.".
  ~TEncoderThread();
  TEncoderThread(const TEncoderThread&) = delete;
  TEncoderThread& operator=(const TEncoderThread&) = delete;

  // Runs the finishing stages once; a cancelled job starts no further
  // stage, and the music encoder and the movie writer stop early.
  TJobResult Execute();

  // The background-music stage: mixes MusicFile into the scratch folder.
  void MakeBackgroundMusic();

 private:
  TJobResult RunStages();
  bool Stopped() const;

  const TSWFParam& param_;
  const TFinishingSteps& steps_;
  std::function<void(TJobEventKind)> post_;
  std::string screenSaverPath_;
};

}  // namespace reelcast
