#include "cli/TitleOptions.h"

#include "cli/PublishOptions.h"

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <system_error>

#include "app/Config.h"
#include "app/TextConvert.h"
#include "movie/TextEffects.h"
#include "publish/TemplateMovie.h"
#include "publish/TemplateTrailer.h"

namespace reelcast::cli {
namespace {

// The option word of each title kind, in kind order.
const char* const kKindWords[] = {"title", "director", "motive", "cast"};


bool KnownEffect(const std::u16string& name) {
  TFTxtEffectForUI record;
  for (int i = 0; GetDTxtEffectData(i, &record); ++i)
    if (record.Name == name) return true;
  return false;
}

// The memo texts take their line breaks as real ones or written "\n".
std::u16string MemoText(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      out.push_back('\n');
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return Utf8ToUtf16(out);
}

}  // namespace

void LoadStoredTitles(TGeneralTemplateChoice& choice) {
  if (choice.Loaded) return;
  InitTitleEffectDefaults();
  choice.Titles = LoadTitleSettings();
  choice.Loaded = true;
}

void WireGeneralTemplate(TConvertHost& host, TGeneralTemplateChoice& choice) {
  // The job copies the template and renders its title movies in its own
  // scratch folder; here the titles are only read.
  host.RenderTitlePreviews = [&choice] { LoadStoredTitles(choice); };
  host.ReadImageArea = [](const std::string& file) { return ReadImageArea(file); };
}

bool ParseTitleOption(const std::vector<std::string>& args, size_t& i, TGeneralTemplateChoice& choice,
                      std::string& error) {
  const std::string& a = args[i];
  if (a.rfind("--", 0) != 0) return false;
  for (int kind = 0; kind < 4; ++kind) {
    const std::string word = std::string("--") + kKindWords[kind];
    if (a.rfind(word + "-", 0) != 0) continue;
    LoadStoredTitles(choice);
    const std::string suffix = a.substr(word.size());
    TTitleStyle& style = choice.Titles.Styles[kind];
    auto value = [&](std::string& v) {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      v = args[++i];
      if (!IsValidUtf8(v)) {
        error = a + " needs UTF-8 text";
        return false;
      }
      return true;
    };
    std::string v;
    if (suffix == "-text") {
      if (!value(v)) return true;
      std::u16string* texts[] = {&choice.Titles.Texts.Title, &choice.Titles.Texts.Director,
                                 &choice.Titles.Texts.Motive, &choice.Titles.Texts.CastView};
      *texts[kind] = kind >= 2 ? MemoText(v) : Utf8ToUtf16(v);
    } else if (suffix == "-effect") {
      if (!value(v)) return true;
      style.Effect = Utf8ToUtf16(v);
      if (!KnownEffect(style.Effect))
        error = "unknown text effect '" + v + "' (see 'reelcast-cli templates text-effect')";
    } else if (suffix == "-font") {
      if (!value(v)) return true;
      if (v.empty()) error = a + " needs a font name";
      style.FontName = Utf8ToUtf16(v);
    } else if (suffix == "-size") {
      if (!value(v)) return true;
      char* end = nullptr;
      long size = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end || size < 4 || size > 200) error = a + " needs a size from 4 to 200";
      else style.FontSize = static_cast<int32_t>(size);
    } else if (suffix == "-color") {
      if (!value(v)) return true;
      if (!ParseColor(v, style.FontColor)) error = a + " needs RRGGBB";
    } else if (suffix == "-bold") {
      style.Bold = true;
    } else if (suffix == "-italic") {
      style.Italic = true;
    } else if (suffix == "-regular") {
      style.Bold = style.Italic = false;
    } else {
      return false;
    }
    return true;
  }
  return false;
}

void PrintTitleOptionsUsage(FILE* out) {
  std::fprintf(out,
               "  --title-text TEXT, --director-text TEXT\n"
               "                                  the opening movie's first two lines\n"
               "  --motive-text TEXT              the opening movie's motive (lines split by\n"
               "                                  line breaks or \\n)\n"
               "  --cast-text TEXT                the ending movie's lines\n"
               "  --KIND-effect NAME              KIND is title, director, motive or cast; the\n"
               "                                  effect (see 'reelcast-cli templates text-effect')\n"
               "  --KIND-font NAME, --KIND-size N, --KIND-color RRGGBB,\n"
               "  --KIND-bold, --KIND-italic, --KIND-regular\n"
               "                                  the text's font (default: the stored settings)\n");
}

}  // namespace reelcast::cli
