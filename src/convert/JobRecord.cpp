#include "convert/JobRecord.h"

#include "app/Paths.h"
#include "app/SettingsKeys.h"
#include "sources/EncoderChoice.h"

namespace reelcast {

TSWFParam SWFParam;

void InitJobSettings(TJobSettingObjects& objects) {
  SWFParam = TSWFParam{};
  const TEncoderChoice encoder = TEncoderChoice::FromSettings();
  SWFParam.VideoWidth = encoder.Resolution ? encoder.Width : 320;
  SWFParam.VideoHeight = encoder.Resolution ? encoder.Height : 240;
  SWFParam.FrameRate = 24;
  SWFParam.OutputKind = kOutputSwf;
  SWFParam.Template = TTemplate{2, "Classic Gray"};
  *objects.PreLoader = TPreLoader{};
  *objects.ExportSetting = TExportSetting{};
  SetStartupDefaults(*objects.ExportSetting);
  LoadPreloaderSettings(*objects.PreLoader, *objects.ExportSetting);
  SWFParam.PreLoader = objects.PreLoader.get();
  SWFParam.ExportSetting = objects.ExportSetting.get();
}

const char* OutputExtension(int32_t outputKind) {
  switch (outputKind) {
    case kOutputFlv: return ".flv";
    case kOutputSwf: return ".swf";
    case kOutputProjector: return ".exe";
    default: return "";
  }
}

std::string MakeOutputFile(int32_t outputKind, const std::string& outputBox,
                           const std::string& outputFolder, const std::string& name) {
  switch (outputKind) {
    case kOutputScreenSaver: return TempFolder + name + ".swf";
    case kOutputProjector: {
      std::string folder = outputFolder;
      if (!folder.empty() && folder.back() != '/') folder.push_back('/');
      return folder + name + ".swf";
    }
    default: return outputBox;
  }
}

}  // namespace reelcast
