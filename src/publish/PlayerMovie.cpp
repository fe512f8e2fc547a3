#include "publish/PlayerMovie.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>

#include "app/Config.h"
#include "app/Paths.h"
#include "app/SettingsKeys.h"
#include "app/SideFiles.h"
#include "movie/FlashExternalMovie.h"
#include "movie/FlashFont.h"
#include "movie/FlashMovie.h"
#include "movie/FlashPlaceObject.h"
#include "movie/FlashSprite.h"
#include "movie/FlashText.h"
#include "movie/FlashVideo.h"
#include "publish/FlvToSwf.h"
#include "publish/LinkActions.h"
#include "publish/OutputFile.h"
#include "publish/PublishUrls.h"
#include "swf/SWFTools.h"

namespace reelcast {

namespace fs = std::filesystem;

namespace {

// Push value types the frame script uses explicitly.
constexpr uint8_t kPushUndefined = 3;
constexpr uint8_t kPushBoolean = 5;
constexpr uint8_t kPushDouble = 6;
constexpr uint8_t kPushInteger = 7;
constexpr uint8_t kPushPoolIndex = 8;

// Pool indexes of the constants the frame script declares.
constexpr int64_t kPoolGlobal = 0;
constexpr int64_t kPoolVideoWidth = 1;
constexpr int64_t kPoolVideoHeight = 2;

bool IsFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

// A template name is a file name in the player folder, never a path.
bool IsPlainName(const std::string& name) {
  return !name.empty() && name.find('/') == std::string::npos &&
         name.find('\\') == std::string::npos && name != "." && name != "..";
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec);
}

// _global.name = value, "_global" and name taken from the pool or pushed as
// strings, value with its explicit push type.
void SetGlobal(TFlashActionScript& as, const TPushVariant& global, uint8_t globalType,
               const TPushVariant& name, uint8_t nameType, const TPushVariant& value,
               uint8_t valueType) {
  as.PushTypedValues({global}, {globalType});
  as.GetVariable();
  as.PushTypedValues({name, value}, {nameType, valueType});
  as.SetMember();
}

void SetGlobalFromPool(TFlashActionScript& as, const std::string& name, const TPushVariant& value,
                       uint8_t valueType) {
  SetGlobal(as, kPoolGlobal, kPushPoolIndex, name, 0, value, valueType);
}

// "FWS" or "CWS" at the start of the file.
bool LooksLikeMovie(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[3] = {};
  in.read(head, 3);
  return in.gcount() == 3 && (head[0] == 'F' || head[0] == 'C') && head[1] == 'W' && head[2] == 'S';
}


// Steps 3 to 13 of the composition: the movie from the player, the shared
// scripts and the FLV copy f, saved as swfPath.
void BuildPlayerMovie(const std::string& pt, const std::string& as, const std::string& f,
                      const std::string& templateName, const std::string& swfPath, bool preview,
                      const TSWFParam& p) {
  const TPlayerFrame pf = ReadPlayerFrame(templateName);
  const int32_t r = p.FrameRate == 0 ? 15 : static_cast<int32_t>(std::nearbyint(p.FrameRate));
  const int32_t w = p.VideoWidth == 0 ? 320 : p.VideoWidth + pf.Width;
  const int32_t h = (p.VideoHeight == 0 ? 240 : p.VideoHeight) + pf.Height;

  TFlashMovie m(0, 0, w, h, static_cast<float>(r), true);
  m.SetVersion(8);
  m.SetCompressed(false);
  m.BackgroundColor().SetRGB(p.BackColor & 0xFFFFFF);

  TFlashExternalMovie* player = m.AddExternalMovie(pt, 3, true);
  TFlashExternalMovie* scripts = m.AddExternalMovie(as, 3, true);
  m.PlaceObject(scripts->AsSprite, 1)->SetName("as");
  m.PlaceObject(player->AsSprite, 5)->SetName("player");

  const bool embedded = (p.ExportSetting && p.ExportSetting->EmbedType == etEmbedFLV) ||
                        p.OutputKind == kOutputScreenSaver || p.OutputKind == kOutputProjector;
  TFlashActionScript& actions = m.FrameActions();
  uint32_t videoFrames = 0;
  int32_t fps = r;
  if (embedded) {
    TFlashVideo* video = m.AddVideo(f);
    RequireVideoFitsOneMovie(*video, f, 0);
    m.FrameRate = video->FLV().FrameRate();
    // The player turns frames into seconds with g_fps: it must be the rate
    // the movie really runs at, the FLV's, not the job's.
    const int32_t flvRate =
        static_cast<int32_t>(std::nearbyint(Fixed8ToSingle(video->FLV().FrameRate())));
    if (flvRate > 0) fps = flvRate;
    TFlashPlaceVideo* place = m.PlaceVideo(video, 2);
    place->SetEnableSound(true);
    place->StartFrame = 0;
    videoFrames = video->FLV().FrameCount();
    SetGlobal(actions, std::string("_global"), 0, std::string("g_flvURL"), 0, std::monostate{},
              kPushUndefined);
  } else {
    // The default system font as a device font ("_sans"): no outlines.
    TFontDescription desc;
    desc.Name = "_sans";
    TFlashFont* font = m.AddFont(desc, true);
    // The player opens the FLV by this name as a URL relative to the movie:
    // "#", "?", "%", blanks and letters beyond ASCII are percent-encoded.
    TFlashText* name = m.AddDynamicText("FlvFileName", UrlEncodeFileName(fs::path(f).filename().string()),
                                        TRect{0, 0, 0, 0}, font, 0xFF0000FFu);
    m.PlaceObject(name, 19);
    actions.PushValues({std::string("_global")});
    actions.GetVariable();
    actions.PushValues({std::string("g_flvURL"), std::string("FlvFileName")});
    actions.GetVariable();
    actions.SetMember();
  }
  actions.ConstantPool({"_global", "g_videoWidth", "g_videoHeight"});
  SetGlobalFromPool(actions, "g_fps", static_cast<int64_t>(fps), kPushInteger);
  SetGlobal(actions, kPoolGlobal, kPushPoolIndex, kPoolVideoWidth, kPushPoolIndex,
            static_cast<int64_t>(w), kPushInteger);
  SetGlobal(actions, kPoolGlobal, kPushPoolIndex, kPoolVideoHeight, kPushPoolIndex,
            static_cast<int64_t>(h), kPushInteger);
  SetGlobalFromPool(actions, "g_initilized", std::monostate{}, kPushUndefined);
  const TExportSetting defaults;
  const TExportSetting& es = p.ExportSetting ? *p.ExportSetting : defaults;
  SetGlobalFromPool(actions, "g_autoPlay", es.AutoPlay, kPushBoolean);
  SetGlobalFromPool(actions, "g_autoRewind", es.AutoRewind, kPushBoolean);
  SetGlobalFromPool(actions, "g_repeat", es.RepeatPlay, kPushBoolean);
  if (!preview) {
    SetEndUrl(m, p);
    AddClickUrl(m, p);
    AddLink(m, p);
  }
  // initPlayer(), its result dropped.
  m.FrameActions().PushTypedValues({0.0, std::string("initPlayer")}, {kPushDouble, 0});
  m.FrameActions().CallFunction();
  m.FrameActions().Pop();
  m.ShowFrame(embedded ? static_cast<uint16_t>(videoFrames) : 1);

  m.MakeStream();
  SaveThroughScratch(swfPath, [&](const std::string& scratch) { m.SaveToFile(scratch); });
}

}  // namespace

std::string PlayerFolder() {
  std::string folder = AppPath(kPlayerTemplatesFolder);
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

TPlayerFrame ReadPlayerFrame(const std::string& templateName) {
  TPlayerFrame frame;
  if (!IsPlainName(templateName)) return frame;
  const std::string ini = PlayerFolder() + templateName + ".ini";
  frame.Height = ReadIniInteger(ini, "PlayerInfo", "Height", 42);
  frame.Width = ReadIniInteger(ini, "PlayerInfo", "Width", 1);
  return frame;
}

bool MakePlayerMovie(const std::string& flvPath, const std::string& templateName,
                     const std::string& swfPath, bool preview, const TSWFParam& p) {
  const std::string folder = PlayerFolder();
  const std::string pt = folder + templateName + kSwfExt;
  const std::string as = folder + "as.swf";
  if (!IsPlainName(templateName) || !IsFile(pt) || !IsFile(as)) {
    NVLog("Not Found File:" + pt + " or " + as);
    return false;
  }
  // A file that is no movie would import as nothing: the player would never
  // start. Refused before anything is written.
  for (const std::string* movie : {&pt, &as}) {
    if (!LooksLikeMovie(*movie)) {
      NVLog("MakePlayerMovie: not a movie: " + *movie);
      return false;
    }
  }
  const std::string f =
      (swfPath.size() >= 4 ? swfPath.substr(0, swfPath.size() - 4) : swfPath) + kFlvExt;
  if (!IsFile(flvPath)) {
    NVLog("Not found File:" + flvPath);
    return false;
  }
  // A movie named "*.flv" would be written over its own FLV.
  if (f == swfPath) {
    NVLog("MakePlayerMovie: the movie would replace its FLV: " + swfPath);
    return false;
  }
  // The same file (a preview made beside its sample) cannot be copied onto
  // itself; the build goes on with it.
  const bool copied = !SameFile(flvPath, f);
  if (copied) {
    // A copy that cannot be written (a full disk) throws with the reason,
    // as the builder's own write errors do.
    TOutputFile copy(f);
    copy.CopyFrom(flvPath);
    copy.Commit();
  }
  try {
    BuildPlayerMovie(pt, as, f, templateName, swfPath, preview, p);
  } catch (...) {
    // No copy is left behind for a movie that was not made.
    std::error_code ec;
    if (copied) fs::remove(f, ec);
    throw;
  }
  return true;
}

std::string MakePlayerPreview(const std::string& templateName, bool preview,
                              const TSWFParam& param) {
  TSWFParam p = param;
  if (preview) {
    p.VideoWidth = 320;
    p.VideoHeight = 240;
  }
  const std::string swf = TempFolder + "SampleFlv.swf";
  if (!MakePlayerMovie(PlayerFolder() + "SampleFlv.flv", templateName, swf, preview, p)) return {};
  return swf;
}

bool MovieLinksFlv(const std::string& swfPath) {
  TSWFDumpOptions options;
  options.Actions = true;
  try {
    const TSWFDump dump = DumpSWFFile(swfPath, options);
    if (!dump.IsSWF) return false;
    // The linking movie pushes the name of the text that holds the FLV's
    // file name; an embedding one sets g_flvURL to undefined.
    for (const TSWFDumpTag& tag : dump.Tags)
      for (const std::string& action : tag.Actions)
        if (action.find("\"g_flvURL\", \"FlvFileName\"") != std::string::npos) return true;
  } catch (const std::exception&) {
  }
  return false;
}

}  // namespace reelcast
