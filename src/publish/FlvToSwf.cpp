#include "publish/FlvToSwf.h"

#include <filesystem>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <system_error>

#include "app/Config.h"
#include "app/Paths.h"
#include "convert/MakeSwf.h"
#include "movie/FlashExternalMovie.h"
#include "movie/FlashMovie.h"
#include "movie/FlashPlaceObject.h"
#include "movie/FlashSound.h"
#include "movie/FlashSprite.h"
#include "movie/FlashVideo.h"
#include "movie/SoundReader.h"
#include "publish/ControlBar.h"
#include "publish/FlashPreloader.h"
#include "publish/LinkActions.h"
#include "publish/OutputFile.h"
#include "swf/Records.h"

namespace reelcast {

namespace fs = std::filesystem;

namespace {

bool IsFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// Stage, frame rate, version 8, compressed, background colour.
std::unique_ptr<TFlashMovie> NewMovie(const TSWFParam& p) {
  auto movie = std::make_unique<TFlashMovie>(0, 0, p.VideoWidth, p.VideoHeight,
                                             static_cast<float>(p.FrameRate), true);
  movie->SetVersion(8);
  movie->SetCompressed(true);
  movie->BackgroundColor().SetRGB(p.BackColor & 0xFFFFFF);
  return movie;
}

// Posts the writing progress (3031), the saving notice (3032, 0) and saves.
void WriteMovie(TFlashMovie& movie, const std::string& swfPath, const char* logLine, const TSWFParam& p) {
  TMakeSwf receiver(p.Report);
  movie.OnProgress = receiver.Handler();
  NVLog(logLine);
  movie.MakeStream();
  ReportNotice(p, snSaving);
  SaveThroughScratch(swfPath, [&](const std::string& scratch) { movie.SaveToFile(scratch); });
  movie.OnProgress = nullptr;
}

}  // namespace

void RequireVideoFitsOneMovie(const TFlashVideo& video, const std::string& flvPath,
                              uint32_t framesAround) {
  constexpr uint64_t kMostFrames = 65535;
  const uint64_t frames = video.FLV().FrameCount();
  if (frames + framesAround <= kMostFrames) return;
  const double fps = Fixed8ToSingle(video.FLV().FrameRate());
  std::string length;
  if (fps > 0) {
    const auto seconds = static_cast<uint64_t>(static_cast<double>(frames) / fps);
    char text[64];
    std::snprintf(text, sizeof text, " (%llu:%02llu:%02llu at %.4g fps)",
                  static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60),
                  static_cast<unsigned long long>(seconds % 60), fps);
    length = text;
  }
  throw std::runtime_error(
      flvPath + " has " + std::to_string(frames) + " video frames" + length +
      ", more than the 65535 frames one SWF movie holds: publish it with a player template that "
      "plays the FLV beside the movie, or convert it at a lower frame rate or in shorter parts");
}

std::string BackgroundMusicPath(const TSWFParam& p) { return ScratchFolderOf(p) + "BackGroupMusic.mp3"; }

void FlvToSwf(const std::string& flvPath, const std::string& swfPath, const TSWFParam& p) {
  if (!IsFile(flvPath)) {
    NVLog("Function:FlvToSwf;File Not Exists: " + flvPath);
    return;
  }
  const bool musicPass = p.HasMusic && p.Template.Kind == 0;
  const bool noBar = p.HasMusic || p.Template.Kind != 0;

  // First pass.
  {
    std::unique_ptr<TFlashMovie> m = NewMovie(p);
    if (p.ExportSetting && p.ExportSetting->LoadingFrame != 0 && p.Template.Kind == 0)
      AddPreloader(*m, p);
    TFlashVideo* v = m->AddVideo(flvPath);
    // Preloader, bar and end frames around the video's own.
    RequireVideoFitsOneMovie(*v, flvPath, 3);
    m->FrameRate = v->FLV().FrameRate();  // the movie runs at the video's rate
    TFlashPlaceVideo* place = m->PlaceVideo(v, 2);
    // A movie that ends (Replay, No Loop) keeps its last picture under its
    // end frame instead of starting the video over for one frame.
    if (p.PlayMode != kPlayAutoLoop) place->Loop = false;
    if (p.Template.Kind == 0) AddLink(*m, p);
    if (p.AudioEnabled) place->SetEnableSound(true);
    // The video starts in the frame it is placed in (after the preloader's
    // frame when there is one), so every one of its frames is shown.
    const uint32_t frames = v->FLV().FrameCount();
    bool barAdded = false;
    if (p.ShowControlBar && !noBar && frames > 0) {
      place->SetName("MainMovie");
      m->FrameLabel = "MainMovie";
      NVLog("Add Control Bar");
      // The video plays on the root's own timeline: the bar drives the root.
      barAdded = AddControlBar(*m, static_cast<uint16_t>(frames - 1), "", "_root", p);
      if (barAdded) m->ShowFrame(1);
    }
    // Without the bar's movies the video frames are still laid out, as
    // without a bar.
    if (!barAdded) {
      // Inside the music wrapper a movie that ends (Replay, No Loop) halts
      // on its last picture, while the wrapper shows its own end frame.
      if (musicPass && p.PlayMode != kPlayAutoLoop && frames > 0) {
        m->ShowFrame(static_cast<uint16_t>(frames - 1));
        m->FrameActions().Stop();
        m->ShowFrame(1);
      } else {
        m->ShowFrame(static_cast<uint16_t>(frames));
      }
    }
    if (p.PlayMode == kPlayReplayButton && !noBar) {
      AddReplayButton(*m);
      m->FrameActions().Stop();
      m->ShowFrame(1);
    } else if (p.PlayMode == kPlayNoLoop && !musicPass) {
      m->FrameActions().Stop();
      m->ShowFrame(1);
    }
    WriteMovie(*m, swfPath, "MakeStream1", p);
  }
  if (!musicPass) return;

  // Second pass: the first movie becomes a sprite of a wrapper whose stream
  // sound is the mixed music, looping for the length of the movie. The
  // control bar and the "Replay" button live in the wrapper only.
  const std::string music = BackgroundMusicPath(p);
  if (!IsFile(music)) {
    NVLog("function:FlvtoSwf;File Not Exists:" + music);
    return;
  }
  std::unique_ptr<TFlashMovie> m2 = NewMovie(p);
  ReportNotice(p, snAddingMusic);
  TFlashExternalMovie* first = m2->AddExternalMovie(swfPath, 3, true);
  // The wrapper runs at the rate of the movie it carries, the video's, also
  // when the job keeps the source rate (and its own rate is 0).
  m2->FrameRate = first->Reader().FrameRate;
  TFlashSprite* sprite = first->AsSprite;
  const uint16_t spriteFrames = sprite->FrameCount();
  TFlashPlaceObject* place = m2->PlaceObject(sprite, 0);
  place->SetName("MainMovie");
  // "Replay" plays the wrapper from its first frame, where the movie (kept
  // on its last picture) starts again.
  if (p.PlayMode == kPlayReplayButton) RestartOnEntry(*m2, "MainMovie");
  bool barAdded = false;
  if (p.ShowControlBar && spriteFrames > 0) {
    m2->FrameLabel = "MainMovie";
    NVLog("Add Control Bar");
    barAdded = AddControlBar(*m2, static_cast<uint16_t>(spriteFrames - 1), "_root.MainMovie", "_root", p);
    if (barAdded) m2->ShowFrame(1);
  }
  if (!barAdded) m2->ShowFrame(spriteFrames);
  // A looping wrapper starts the movie anew; one that ends keeps its last
  // picture under the end frame (and the "Replay" button).
  if (p.PlayMode == kPlayAutoLoop) m2->RemoveObject(0, sprite);
  NVLog("ThirdAudio");
  try {
    TFlashSound& sound = m2->StreamSound();
    sound.LoadFromFile(music);
    sound.Loop = true;
  } catch (const ESoundError& e) {
    // A music file that no movie can carry leaves the first movie as it is.
    NVLog(std::string("function:FlvtoSwf;") + e.what());
    return;
  }
  if (p.PlayMode == kPlayReplayButton) {
    AddReplayButton(*m2);
    m2->FrameActions().Stop();
    m2->ShowFrame(1);
  } else if (p.PlayMode == kPlayNoLoop) {
    m2->FrameActions().Stop();
    m2->ShowFrame(1);
  }
  WriteMovie(*m2, swfPath, "MakeStream2", p);
}

}  // namespace reelcast
