#include "publish/TemplateMovie.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/Config.h"
#include "app/Paths.h"
#include "convert/JobMessages.h"
#include "convert/MakeSwf.h"
#include "movie/FlashExternalMovie.h"
#include "movie/FlashMovie.h"
#include "movie/FlashPlaceObject.h"
#include "movie/FlashShape.h"
#include "movie/FlashSound.h"
#include "movie/SoundReader.h"
#include "movie/FlashSprite.h"
#include "publish/ControlBar.h"
#include "publish/FlashPreloader.h"
#include "publish/FlvToSwf.h"
#include "publish/LinkActions.h"
#include "publish/OutputFile.h"
#include "publish/TemplateTrailer.h"
#include "swf/SWFStream.h"

namespace reelcast {

namespace fs = std::filesystem;

namespace {

bool IsFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

int32_t RoundInt(double v) { return static_cast<int32_t>(std::lround(v)); }

// The pixel size of one of the composition's inputs; a file that is there
// but is not a movie of some size cannot be scaled into the stage.
void InputPixelSize(const std::string& path, int32_t& width, int32_t& height) {
  width = height = 0;
  if (!SwfPixelSize(path, width, height) || width <= 0 || height <= 0)
    throw ETemplateError("The movie " + path + " is not an SWF movie with a stage size");
}

// Stage (pixels), frame rate, version 8, compressed, background colour.
std::unique_ptr<TFlashMovie> NewMovie(int32_t width, int32_t height, double fps, const TSWFParam& p) {
  auto movie = std::make_unique<TFlashMovie>(0, 0, width, height, static_cast<float>(fps), true);
  movie->SetVersion(8);
  movie->SetCompressed(true);
  movie->BackgroundColor().SetRGB(p.BackColor & 0xFFFFFF);
  return movie;
}

// The movie's frame rate: the job's, or, when the job keeps the source
// rate, the rate of the movie being wrapped.
double FrameRateFor(const TSWFParam& p, const std::string& innerMovie) {
  if (p.FrameRate > 0) return p.FrameRate;
  TSWFStreamReader reader;
  try {
    reader.LoadFromFile(innerMovie);
    if (reader.IsSWF() && reader.GetFPS() > 0) return reader.GetFPS();
  } catch (const std::exception&) {
  }
  return 24;
}

// Posts the writing progress (3031), the saving notice (3032, 0) and saves
// through a scratch file.
// The movie's last frame by play mode: a stop, with the "Replay" button when
// asked for and allowed here (a movie inside the music wrapper only halts:
// the wrapper shows the button); "Auto Loop" adds nothing.
void EndByPlayMode(TFlashMovie& m, int32_t playMode, bool replayAllowed) {
  if (playMode == kPlayAutoLoop) return;
  if (playMode == kPlayReplayButton && replayAllowed) AddReplayButton(m);
  m.FrameActions().Stop();
  m.ShowFrame(1);
}

void WriteMovie(TFlashMovie& movie, const std::string& path) {
  TMakeSwf receiver;
  movie.OnProgress = receiver.Handler();
  movie.MakeStream();
  PostMessage(ConverterWindow, kMsgStageNotice, snSaving);
  SaveThroughScratch(path, [&](const std::string& scratch) { movie.SaveToFile(scratch); });
  movie.OnProgress = nullptr;
}

// A file in folder or one of its subfolders whose name is name + suffix
// (compared without regard to case); empty when there is none.
std::string FindTemplateFile(const fs::path& folder, const std::string& fileName) {
  std::error_code ec;
  const fs::path direct = ResolveRelative(folder.string(), fileName);
  if (fs::is_regular_file(direct, ec)) return direct.string();
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  const std::string wanted = lower(fileName);
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
  for (; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec) && lower(it->path().filename().string()) == wanted)
      return it->path().string();
  return "";
}

}  // namespace

std::string TemplateCopyPath() { return TempFolder + "Template.swf"; }
std::string PreludeMoviePath() { return TempFolder + "prelude.swf"; }
std::string EndTitleMoviePath() { return TempFolder + "EndTitle.swf"; }

TGeneralTemplateFiles GeneralTemplateFiles(const std::string& name) {
  const std::string folder = AppPath("templates/24/");
  TGeneralTemplateFiles files{folder + name + ".template.swf", folder + name + ".prelude.swf",
                              folder + name + ".endtitle.swf"};
  // A template installed in a subfolder keeps its parts beside it.
  const std::string found = FindTemplateFile(folder, name + ".template.swf");
  if (!found.empty()) {
    const std::string dir = fs::path(found).parent_path().string() + "/";
    files.Template = found;
    files.Prelude = dir + name + ".prelude.swf";
    files.EndTitle = dir + name + ".endtitle.swf";
    const std::string prelude = FindTemplateFile(dir, name + ".prelude.swf");
    if (!prelude.empty()) files.Prelude = prelude;
    const std::string endTitle = FindTemplateFile(dir, name + ".endtitle.swf");
    if (!endTitle.empty()) files.EndTitle = endTitle;
  }
  return files;
}

bool PrepareTemplate(const std::string& templatePath) {
  const std::string copy = TemplateCopyPath();
  std::error_code ec;
  // An older copy must not stand in for a template that cannot be copied.
  fs::remove(copy, ec);
  if (!fs::copy_file(templatePath, copy, fs::copy_options::overwrite_existing, ec)) return false;
  fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
  std::FILE* f = std::fopen(copy.c_str(), "r+b");
  if (!f) {
    fs::remove(copy, ec);
    return false;
  }
  unsigned char tail[8];
  const uintmax_t size = fs::file_size(copy, ec);
  bool cut = false;
  uintmax_t keep = size;
  if (!ec && size >= 8 && std::fseek(f, static_cast<long>(size - 8), SEEK_SET) == 0 &&
      std::fread(tail, 1, 8, f) == 8 &&
      (std::memcmp(tail + 4, "KRWP", 4) == 0 || std::memcmp(tail + 4, "KRWT", 4) == 0)) {
    const uint32_t n = static_cast<uint32_t>(tail[0]) | static_cast<uint32_t>(tail[1]) << 8 |
                       static_cast<uint32_t>(tail[2]) << 16 | static_cast<uint32_t>(tail[3]) << 24;
    // A length past the file's start cannot be cut; the movie's own length
    // field still ends it before the trailer.
    if (n <= size - 8) {
      keep = size - n - 8;
      cut = true;
    }
  }
  std::fclose(f);
  if (cut) fs::resize_file(copy, keep, ec);
  if (ec) {
    fs::remove(copy, ec);
    return false;
  }
  return true;
}

TImageArea PrepareGeneralTemplate(const std::string& name, const TTitleSettings& titles) {
  const TGeneralTemplateFiles files = GeneralTemplateFiles(name);
  if (!IsFile(files.Template))
    throw ETemplateError("There is no general template \"" + name + "\" (" + files.Template + ")");
  const TImageArea area = ReadImageArea(files.Template);
  CheckImageArea(area, files.Template);
  int32_t w = 0, h = 0;
  InputPixelSize(files.Template, w, h);
  for (const std::string* part : {&files.Prelude, &files.EndTitle})
    if (!IsFile(*part)) throw ETemplateError("The general template \"" + name + "\" lacks " + *part);
  if (!PrepareTemplate(files.Template))
    throw ETemplateError("The template " + files.Template + " cannot be copied to " + TemplateCopyPath());
  if (!BuildTitleMovie(files.Prelude, false, titles, PreludeMoviePath()))
    throw ETemplateError("The opening movie " + files.Prelude + " is not a movie");
  if (!BuildTitleMovie(files.EndTitle, true, titles, EndTitleMoviePath()))
    throw ETemplateError("The ending movie " + files.EndTitle + " is not a movie");
  return area;
}

bool CreatFlashMovie(const std::string& /*templateName*/, const std::string& swfPath,
                     const TImageArea& a, const TSWFParam& p) {
  const std::string t = TemplateCopyPath(), pre = PreludeMoviePath(), end = EndTitleMoviePath();
  if (!IsFile(t) || !IsFile(swfPath)) {
    NVLog("function:CreatFlashMovie;file not Exitsts:" + t + " or " + swfPath);
    return false;
  }
  if (!IsFile(pre) || !IsFile(end)) {
    NVLog("function:CreatFlashMovie;file not Exitsts:" + pre + " or " + end);
    return false;
  }
  // The stage's size divides by the image area's: an area without width or
  // height is refused before anything is written.
  CheckImageArea(a, t);
  const bool withMusic = p.HasMusic && p.Template.Kind != 0;

  int32_t tw = 0, th = 0, pw = 0, ph = 0, ew = 0, eh = 0;
  InputPixelSize(t, tw, th);
  InputPixelSize(pre, pw, ph);
  InputPixelSize(end, ew, eh);
  const int32_t W = RoundInt(static_cast<double>(tw) * p.VideoWidth / (a.Right - a.Left));
  const int32_t H = RoundInt(static_cast<double>(th) * p.VideoHeight / (a.Bottom - a.Top));
  if (W <= 0 || H <= 0) throw ETemplateError("The video has no size to set into the template");
  std::unique_ptr<TFlashMovie> m = NewMovie(W, H, FrameRateFor(p, swfPath), p);

  if (p.ExportSetting && p.ExportSetting->LoadingFrame != 0) AddPreloader(*m, p);

  // Opening title, stretched over the stage.
  TFlashExternalMovie* x1 = m->AddExternalMovie(pre, 3, true);
  m->PlaceObject(x1->AsSprite, 0)
      ->SetScale(static_cast<float>(static_cast<double>(W) / pw), static_cast<float>(static_cast<double>(H) / ph));
  AddLink(*m, p);
  m->ShowFrame(x1->AsSprite->FrameCount());
  m->RemoveObject(0, x1->AsSprite);

  // The background, the template over the video, the video in its window.
  TFlashShape* back = m->AddRectangle(0, 0, W, H);
  back->AddSolidFill((p.BackColor & 0xFFFFFFu) | 0xFF000000u);
  m->PlaceObject(back, 0);
  TFlashExternalMovie* x2 = m->AddExternalMovie(t, 3, true);
  m->PlaceObject(x2->AsSprite, 2)
      ->SetScale(static_cast<float>(static_cast<double>(W) / tw), static_cast<float>(static_cast<double>(H) / th));
  TFlashExternalMovie* x3 = m->AddExternalMovie(swfPath, 3, true);
  TFlashPlaceObject* video = m->PlaceObject(x3->AsSprite, 1);
  video->SetName("MainMovie");
  const int32_t videoX = RoundInt(static_cast<double>(W) * a.Left / tw);
  const int32_t videoY = RoundInt(static_cast<double>(H) * a.Top / th);
  video->SetTranslate(videoX, videoY);
  const uint16_t videoFrames = x3->AsSprite->FrameCount();
  bool barAdded = false;
  if (p.ShowControlBar && videoFrames > 0) {
    m->FrameLabel = "MainMovie";
    const TRect videoArea{videoX, videoY, videoX + p.VideoWidth, videoY + p.VideoHeight};
    barAdded = withMusic ? AddControlBar(*m, videoFrames - 1, "_root.ThirdAudio.MainMovie",
                                         "_root.ThirdAudio", videoArea, p)
                         : AddControlBar(*m, videoFrames - 1, "_root.MainMovie", "_root", videoArea, p);
    if (barAdded) m->ShowFrame(1);
  }
  // Without the bar's movies the video frames are still laid out.
  if (!barAdded) {
    m->FrameLabel.clear();
    m->ShowFrame(videoFrames);
  }
  m->RemoveObject(0, back);
  m->RemoveObject(1, x3->AsSprite);
  m->RemoveObject(2, x2->AsSprite);

  // Ending title.
  TFlashExternalMovie* x4 = m->AddExternalMovie(end, 3, true);
  m->PlaceObject(x4->AsSprite, 0)
      ->SetScale(static_cast<float>(static_cast<double>(W) / ew), static_cast<float>(static_cast<double>(H) / eh));
  m->ShowFrame(x4->AsSprite->FrameCount());
  // A movie that ends keeps the ending's last picture under its end frame;
  // a looping one clears the stage for the next round.
  if (p.PlayMode == kPlayAutoLoop) m->RemoveObject(0, x4->AsSprite);

  EndByPlayMode(*m, p.PlayMode, !withMusic);
  WriteMovie(*m, swfPath);
  m.reset();

  if (withMusic) {
    NVLog("Begin Add Thrid Audio");
    PostMessage(ConverterWindow, kMsgStageNotice, snAddingMusic);
    TSWFParam wrapped = p;
    wrapped.OutputFile = swfPath;
    ThirdAudio(wrapped);
    NVLog("End Add Thrid Audio");
  }

  return true;
}

void ThirdAudio(const TSWFParam& p) {
  const std::string o = p.OutputFile;
  int32_t w = 0, h = 0;
  InputPixelSize(o, w, h);
  std::unique_ptr<TFlashMovie> m = NewMovie(w, h, FrameRateFor(p, o), p);
  // The composed movie as the sprite "ThirdAudio": the control bar inside
  // it addresses the video as _root.ThirdAudio.MainMovie.
  TFlashExternalMovie* x = m->AddExternalMovie(o, 3, true);
  m->PlaceObject(x->AsSprite, 0)->SetName("ThirdAudio");
  if (p.PlayMode == kPlayReplayButton) RestartOnEntry(*m, "ThirdAudio");
  m->ShowFrame(x->AsSprite->FrameCount());
  // The composed movie halts on its own end frame; the wrapper keeps it
  // there unless it loops.
  if (p.PlayMode == kPlayAutoLoop) m->RemoveObject(0, x->AsSprite);
  const std::string music = BackgroundMusicPath();
  if (IsFile(music)) {
    try {
      TFlashSound& sound = m->StreamSound();
      sound.LoadFromFile(music);
      sound.Loop = true;
    } catch (const ESoundError& e) {
      // A music file no movie can carry: the wrapper goes without sound.
      m->DropStreamSound();
      NVLog(std::string("function:ThirdAudio;") + e.what());
    }
  } else {
    NVLog("Not Found File:" + music);
  }
  EndByPlayMode(*m, p.PlayMode, true);
  WriteMovie(*m, o);
}

}  // namespace reelcast
