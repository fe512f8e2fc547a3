#include "publish/TitleMovies.h"

#include <filesystem>
#include <utility>
#include <vector>

#include "app/Config.h"
#include "app/TextConvert.h"
#include "movie/FlashExternalMovie.h"
#include "movie/FlashMovie.h"
#include "movie/FlashPlaceObject.h"
#include "movie/FlashSprite.h"
#include "movie/TextEffects.h"
#include "swf/SWFStream.h"

namespace reelcast {
namespace {

struct TTitleKind {
  const char* KeyWord;
  const char16_t* Effect;
  int32_t FontSize;
};

const TTitleKind kKinds[] = {
    {"Title", u"MoveDown", 40},
    {"Director", u"Rotate", 32},
    {"Motive", u"MoveDown", 32},
    {"CastView", u"MoveDown", 32},
};
constexpr const char16_t* kDefaultFontName = u"Monotype Corsiva";

std::string Key(const char* keyWord, const char* suffix) {
  return std::string("System.") + keyWord + suffix;
}

std::u16string ConfigText(const std::string& key, const std::u16string& fallback) {
  const char16_t* v = NVGetConfigStrPtr(key);
  return v ? std::u16string(v) : fallback;
}

int32_t ConfigInt(const std::string& key, int32_t fallback) {
  int32_t v = fallback;
  NVGetConfigInt(key, &v);
  return v;
}

// The memo's non-empty lines with their line numbers (0-based, counting the
// empty lines too, which leave their place free).
std::vector<std::pair<size_t, std::u16string>> NonEmptyLines(const std::u16string& memo) {
  std::vector<std::pair<size_t, std::u16string>> lines;
  std::u16string line;
  size_t index = 0;
  for (char16_t c : memo + u"\n") {
    if (c == u'\n') {
      if (!line.empty() && line.back() == u'\r') line.pop_back();
      if (!line.empty()) lines.emplace_back(index, line);
      line.clear();
      ++index;
    } else {
      line.push_back(c);
    }
  }
  return lines;
}

bool IsKnownEffect(const std::u16string& name) {
  TFTxtEffectForUI record;
  for (int i = 0; GetDTxtEffectData(i, &record); ++i)
    if (record.Name == name) return true;
  return false;
}

// Adds the effect sprite of one text of a kind, placed with its centre at
// (x, y) of the part's frame, and returns it.
TFlashSprite* PlaceEffect(TFlashMovie& movie, const TTitleKind& kind, const std::u16string& text,
                          int32_t frameWidth, int32_t frameHeight, uint16_t depth, int32_t x,
                          int32_t y) {
  DTextEffectParam p;
  p.Movie = &movie;
  p.FrameWidth = frameWidth;
  p.FrameHeight = frameHeight;
  p.Text = text;
  p.FontName = ConfigText(Key(kind.KeyWord, "FontName"), kDefaultFontName);
  p.FontColor = static_cast<uint32_t>(ConfigInt(Key(kind.KeyWord, "FontColor"), 0));
  p.FontSize = ConfigInt(Key(kind.KeyWord, "FontSize"), kind.FontSize);
  p.Bold = ConfigInt(Key(kind.KeyWord, "FontBold"), 0) > 0;
  p.Italic = ConfigInt(Key(kind.KeyWord, "FontItalic"), 0) > 0;
  std::u16string effect = ConfigText(Key(kind.KeyWord, "Effect"), u"Fade");
  // A stored name this library does not know would leave the title empty;
  // it gets the effect of a missing key instead.
  if (!IsKnownEffect(effect)) effect = u"Fade";
  TFlashSprite* sprite = DoDTextEffect(effect, p);
  // The effect animates around the frame's centre; the placement moves that
  // centre to the text's place.
  TFlashPlaceObject* place = movie.PlaceObject(sprite, depth);
  place->SetTranslate(x - frameWidth / 40, y - frameHeight / 40);
  return sprite;
}

}  // namespace

void InitTitleEffectDefaults() {
  for (const TTitleKind& k : kKinds) {
    int32_t size = 0;
    if (!NVGetConfigStrPtr(Key(k.KeyWord, "Effect"))) NVSetConfigStr(Key(k.KeyWord, "Effect"), k.Effect);
    if (!NVGetConfigStrPtr(Key(k.KeyWord, "FontName")))
      NVSetConfigStr(Key(k.KeyWord, "FontName"), kDefaultFontName);
    if (!NVGetConfigInt(Key(k.KeyWord, "FontSize"), &size)) NVSetConfigInt(Key(k.KeyWord, "FontSize"), k.FontSize);
  }
}

TTitleTexts LoadTitleTexts() {
  std::u16string values[4];
  bool any = false;
  for (int i = 0; i < 4; ++i) {
    std::string key = std::string("System.FlashText.") + kKinds[i].KeyWord;
    const char16_t* v = NVGetConfigStrPtr(key);
    if (!v) {
      NVSetConfigStr(key, u"");
    } else {
      values[i] = v;
      any = any || !values[i].empty();
    }
  }
  if (!any) return {u"New Flash", u"Kestrine", u"Reelmint", u"Kestrine!"};
  return {values[0], values[1], values[2], values[3]};
}

bool BuildTitleMovie(const std::string& partPath, bool ending, const TTitleTexts& texts,
                     const std::string& outputPath) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(partPath, ec)) return false;
  TSWFStreamReader header;
  try {
    header.LoadFromFile(partPath);
  } catch (const std::exception&) {
    return false;
  }
  if (!header.IsSWF()) return false;
  const TRect& r = header.FrameRect;
  const int32_t w = r.Right - r.Left, h = r.Bottom - r.Top;  // twips
  if (w <= 0 || h <= 0) return false;

  TFlashMovie movie(0, 0, w / 20, h / 20, 10, true);
  TFlashExternalMovie* part = movie.AddExternalMovie(partPath, 3, true);
  movie.PlaceObject(part->AsSprite, 1);
  movie.ShowFrame(1);
  if (!ending) {
    TFlashSprite* s = PlaceEffect(movie, kKinds[0], texts.Title, w, h, 4, 300, 100);
    movie.ShowFrame(s->FrameCount());
    s = PlaceEffect(movie, kKinds[1], texts.Director, w, h, 5, 300, 160);
    movie.ShowFrame(s->FrameCount());
    TFlashSprite* last = nullptr;
    for (const auto& [k, line] : NonEmptyLines(texts.Motive))
      last = PlaceEffect(movie, kKinds[2], line, w, h, static_cast<uint16_t>(7 + k), 300,
                         static_cast<int32_t>(220 + 60 * k));
    if (last) movie.ShowFrame(last->FrameCount());
  } else {
    for (const auto& [k, line] : NonEmptyLines(texts.CastView)) {
      TFlashSprite* s = PlaceEffect(movie, kKinds[3], line, w, h, static_cast<uint16_t>(8 + k),
                                    300, static_cast<int32_t>(130 + 60 * k));
      movie.ShowFrame(s->FrameCount());
    }
  }
  movie.MakeStream();
  // Written beside the target first, so a failure leaves no half movie.
  const std::string scratch = outputPath + ".part";
  try {
    movie.SaveToFile(scratch);
    std::filesystem::rename(scratch, outputPath);
  } catch (...) {
    std::filesystem::remove(scratch, ec);
    throw;
  }
  return true;
}

}  // namespace reelcast
