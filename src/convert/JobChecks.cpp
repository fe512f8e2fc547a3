#include "convert/JobChecks.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <exception>
#include <filesystem>

#include "app/TextConvert.h"
#include "publish/ControlBarStyles.h"
#include "publish/PreloaderLayout.h"
#include "publish/TemplateLists.h"

namespace reelcast {

namespace fs = std::filesystem;

namespace {

std::string LowerExtension(const std::string& path) {
  std::string ext = fs::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

bool Listed(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

std::string OneOf(const std::vector<std::string>& names) {
  if (names.empty()) return "none is installed";
  std::string list = "one of ";
  for (size_t i = 0; i < names.size(); ++i) list += (i ? ", " : "") + names[i];
  return list;
}

// A file the job reads: it must be a readable file with one of the
// extensions given.
std::optional<std::string> FileProblem(const std::string& path, const std::vector<std::string>& extensions,
                                       const std::string& kinds) {
  std::error_code ec;
  if (path.empty()) return "a file name";
  if (!Listed(extensions, LowerExtension(path)))
    return "a " + kinds + " file; \"" + fs::path(path).extension().string() + "\" is not supported";
  if (!fs::is_regular_file(path, ec)) return "an existing " + kinds + " file; there is no such file";
  if (access(path.c_str(), R_OK) != 0) return "a readable " + kinds + " file; " + std::strerror(errno);
  return std::nullopt;
}

}  // namespace

std::optional<TJobProblem> CheckPublishChoices(const TSWFParam& p) {
  if (p.OutputKind == kOutputFlv) return std::nullopt;
  if (p.Template.Kind == 1 && !Listed(ListGeneralTemplates(), p.Template.Name))
    return TJobProblem{TJobChoice::Template, "general:" + p.Template.Name,
                       "a general template: " + OneOf(ListGeneralTemplates())};
  if (p.Template.Kind == 2 && !Listed(ListPlayerTemplates(), p.Template.Name))
    return TJobProblem{TJobChoice::Template, "player:" + p.Template.Name,
                       "a player template: " + OneOf(ListPlayerTemplates())};
  if (p.ShowControlBar && p.Template.Kind != 2 && !Listed(ListControlBarStyles(), p.BarStyle))
    return TJobProblem{TJobChoice::ControlBar, p.BarStyle, "a control-bar style: " + OneOf(ListControlBarStyles())};
  if (p.LinkKind == kLinkImage)
    if (auto why = FileProblem(p.ImageLink.ImageFile, {".jpg", ".jpeg", ".bmp", ".png"}, "JPEG, BMP or PNG"))
      return TJobProblem{TJobChoice::ImageLink, p.ImageLink.ImageFile, *why};
  if (p.HasMusic && p.Template.Kind != 2)
    if (auto why = FileProblem(p.MusicFile, {".mp3", ".wav"}, "MP3 or WAV"))
      return TJobProblem{TJobChoice::Music, p.MusicFile, *why};
  const bool preloader = p.ExportSetting && p.ExportSetting->LoadingFrame == 1 && p.PreLoader &&
                         p.Template.Kind != 2;
  if (preloader) {
    const TPreLoader& l = *p.PreLoader;
    if (l.UseSprite && l.UseCustomLogo) {
      const std::string logo = Utf16ToUtf8(l.CustomLogo);
      if (auto why = FileProblem(logo, {".jpg", ".jpeg", ".bmp", ".png"}, "JPEG, BMP or PNG"))
        return TJobProblem{TJobChoice::PreloaderLogo, logo, *why};
    } else if (l.UseSprite) {
      const std::string sprite = Utf16ToUtf8(l.SpriteStyle);
      if (!Listed(ListPreloaderSprites(), sprite))
        return TJobProblem{TJobChoice::PreloaderSprite, sprite, "a preloader sprite: " + OneOf(ListPreloaderSprites())};
    }
    if (l.UseProgressBar) {
      const std::string bar = Utf16ToUtf8(l.BarStyle);
      std::vector<std::string> bars;
      try {
        for (const TProgressBarStyle& s : LoadProgressBarStyles()) bars.push_back(s.NameID);
      } catch (const std::exception& e) {
        return TJobProblem{TJobChoice::PreloaderBar, bar, std::string("a bar style; the styles cannot be read: ") + e.what()};
      }
      if (!Listed(bars, bar)) return TJobProblem{TJobChoice::PreloaderBar, bar, "a preloader bar style: " + OneOf(bars)};
    }
  }
  return std::nullopt;
}

std::optional<TJobProblem> CheckOutputFolder(const std::string& folder) {
  std::error_code ec;
  const std::string f = folder.empty() ? "." : folder;
  if (!fs::is_directory(f, ec)) return TJobProblem{TJobChoice::OutputFolder, folder, "a folder that exists"};
  // Writing is tried, as permission bits do not tell (a read-only file
  // system, a full quota, root).
  std::string probe = (fs::path(f) / ".reelcast-write-test-XXXXXX").string();
  int fd = mkstemp(probe.data());
  if (fd < 0)
    return TJobProblem{TJobChoice::OutputFolder, folder,
                       std::string("a folder new files can be written into: ") + std::strerror(errno)};
  close(fd);
  unlink(probe.c_str());
  return std::nullopt;
}

}  // namespace reelcast
