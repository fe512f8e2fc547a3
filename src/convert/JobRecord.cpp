#include "convert/JobRecord.h"

#include "app/Paths.h"
#include "app/SettingsKeys.h"

namespace reelcast {

TSWFParam SWFParam;

void InitJobSettings(TJobSettingObjects& objects) {
  SWFParam = TSWFParam{};
  TEncoderSettings encoder = ReadEncoderSettings();
  SWFParam.VideoWidth = encoder.UserReso ? encoder.Width : 320;
  SWFParam.VideoHeight = encoder.UserReso ? encoder.Height : 240;
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
