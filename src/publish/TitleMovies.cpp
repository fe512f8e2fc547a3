#include "publish/TitleMovies.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "app/Config.h"
#include "app/SettingsKeys.h"
#include "app/TextConvert.h"
#include "movie/FlashExternalMovie.h"
#include "movie/FlashMovie.h"
#include "movie/FlashPlaceObject.h"
#include "movie/FlashSprite.h"
#include "movie/FontFace.h"
#include "movie/ProportionalSprite.h"
#include "movie/TextEffects.h"
#include "publish/TemplateTrailer.h"
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
TFlashSprite* PlaceEffect(TFlashMovie& movie, const TTitleStyle& style, const std::u16string& text,
                          int32_t frameWidth, int32_t frameHeight, uint16_t depth, int32_t x,
                          int32_t y) {
  DTextEffectParam p;
  p.Movie = &movie;
  p.FrameWidth = frameWidth;
  p.FrameHeight = frameHeight;
  p.Text = text;
  p.FontName = style.FontName.empty() ? std::u16string(kDefaultFontName) : style.FontName;
  p.FontColor = style.FontColor;
  p.FontSize = style.FontSize;
  p.Bold = style.Bold;
  p.Italic = style.Italic;
  // A name this library does not know would leave the title empty; it gets
  // the effect of a missing key instead.
  const std::u16string effect = IsKnownEffect(style.Effect) ? style.Effect : u"Fade";
  TFlashSprite* sprite = DoDTextEffect(effect, p);
  // The effect animates around the frame's centre; it sits in a holder at
  // the text's place that keeps the letters' proportions when a template
  // stretches the title movie unevenly over a wider or taller stage.
  TFlashSprite* holder = AddProportionalSprite(movie);
  holder->PlaceObject(sprite, 1)->SetTranslate(-frameWidth / 40, -frameHeight / 40);
  holder->ShowFrame(1);
  movie.PlaceObject(holder, depth)->SetTranslate(x, y);
  return sprite;
}

// A text set inside a width: its lines and the font size they share.
struct TTitleLines {
  std::vector<std::u16string> Lines;
  int32_t FontSize = 0;
};

// The words of text, split at blanks.
std::vector<std::u16string> Words(const std::u16string& text) {
  std::vector<std::u16string> words;
  std::u16string word;
  for (char16_t c : text + u" ") {
    if (c == u' ' || c == u'\t') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word.push_back(c);
    }
  }
  return words;
}

// Sets text inside width pixels: at the style's size when it fits; else
// wrapped at blanks into at most three lines, at the largest size down to
// 60 % of the style's at which they fit; a text that still does not fit
// (a long word, too many words) is shrunk further until its widest line
// fits. All lines keep one size, so a wrapped title reads as one.
TTitleLines FitTitle(const TTitleStyle& style, const std::u16string& text, int32_t width) {
  TTitleLines out{{text}, style.FontSize};
  if (text.empty() || width <= 0 || style.FontSize <= 0) return out;
  std::unique_ptr<TFontFace> face;
  try {
    const std::u16string name = style.FontName.empty() ? std::u16string(kDefaultFontName) : style.FontName;
    face = TFontFace::Open(Utf16ToUtf8(name), style.Bold, style.Italic);
  } catch (const std::exception&) {
    return out;  // no face to measure with: the effect library reports the font itself
  }
  // Widths in pixels at size 1.
  auto wide = [&](const std::u16string& t) { return static_cast<double>(face->TextExtent(t).Width) / TFontFace::kEm; };
  if (wide(text) * style.FontSize <= width) return out;
  const std::vector<std::u16string> words = Words(text);
  // Greedy lines of words no wider than width at size.
  auto wrap = [&](double size) {
    std::vector<std::u16string> lines;
    for (const std::u16string& word : words) {
      if (!lines.empty() && wide(lines.back() + u" " + word) * size <= width)
        lines.back() += u" " + word;
      else
        lines.push_back(word);
    }
    return lines;
  };
  auto widest = [&](const std::vector<std::u16string>& lines) {
    double most = 0;
    for (const auto& line : lines) most = std::max(most, wide(line));
    return most;
  };
  const int32_t smallest = std::max(4, style.FontSize * 6 / 10);
  for (int32_t size = style.FontSize; size >= smallest; --size) {
    std::vector<std::u16string> lines = wrap(size);
    if (lines.size() <= 3 && widest(lines) * size <= width) return {lines, size};
  }
  // Three lines at the smallest size, then whatever size makes them fit.
  std::vector<std::u16string> lines = wrap(smallest);
  if (lines.size() > 3) {
    // Too many words for three lines at that size: share them out evenly.
    const size_t perLine = (words.size() + 2) / 3;
    lines.clear();
    for (size_t i = 0; i < words.size(); ++i) {
      if (i % perLine == 0) lines.emplace_back();
      else lines.back() += u" ";
      lines.back() += words[i];
    }
  }
  const double most = widest(lines);
  const int32_t size = most > 0 ? std::min<int32_t>(smallest, static_cast<int32_t>(std::floor(width / most))) : smallest;
  return {lines, std::max(4, size)};
}

}  // namespace

const char* TitleKeyWord(int kind) { return kKinds[kind & 3].KeyWord; }

TTitleStyle LoadTitleStyle(int kind) {
  const TTitleKind& k = kKinds[kind & 3];
  TTitleStyle s;
  s.Effect = ConfigText(Key(k.KeyWord, "Effect"), u"Fade");
  s.FontName = ConfigText(Key(k.KeyWord, "FontName"), kDefaultFontName);
  s.FontSize = ConfigInt(Key(k.KeyWord, "FontSize"), k.FontSize);
  s.FontColor = static_cast<uint32_t>(ConfigInt(Key(k.KeyWord, "FontColor"), 0));
  s.Bold = ConfigInt(Key(k.KeyWord, "FontBold"), 0) > 0;
  s.Italic = ConfigInt(Key(k.KeyWord, "FontItalic"), 0) > 0;
  return s;
}

TTitleSettings LoadTitleSettings() {
  TTitleSettings t;
  // What the user typed, and nothing else: the sample texts only fill a
  // preview, never a published movie.
  const std::array<std::u16string, 4> v = LoadTitleTexts();
  t.Texts = {v[0], v[1], v[2], v[3]};
  for (int i = 0; i < 4; ++i) t.Styles[i] = LoadTitleStyle(i);
  return t;
}

void InitTitleEffectDefaults() {
  for (const TTitleKind& k : kKinds) {
    int32_t size = 0;
    if (!NVGetConfigStrPtr(Key(k.KeyWord, "Effect"))) NVSetConfigStr(Key(k.KeyWord, "Effect"), k.Effect);
    if (!NVGetConfigStrPtr(Key(k.KeyWord, "FontName")))
      NVSetConfigStr(Key(k.KeyWord, "FontName"), kDefaultFontName);
    if (!NVGetConfigInt(Key(k.KeyWord, "FontSize"), &size)) NVSetConfigInt(Key(k.KeyWord, "FontSize"), k.FontSize);
  }
}

TTitleTexts TitleTextsOrSamples() {
  const std::array<std::u16string, 4> v = LoadTitleTexts();
  if (v[0].empty() && v[1].empty() && v[2].empty() && v[3].empty())
    return {u"New Flash", u"Kestrine", u"Reelmint", u"Kestrine!"};
  return {v[0], v[1], v[2], v[3]};
}

bool BuildTitleMovie(const std::string& partPath, bool ending, const TTitleTexts& texts,
                     const std::string& outputPath) {
  TTitleSettings titles;
  titles.Texts = texts;
  for (int i = 0; i < 4; ++i) titles.Styles[i] = LoadTitleStyle(i);
  return BuildTitleMovie(partPath, ending, titles, outputPath);
}

bool BuildTitleMovie(const std::string& partPath, bool ending, const TTitleSettings& titles,
                     const std::string& outputPath) {
  const TTitleTexts& texts = titles.Texts;
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
  // The titles are laid out inside the part's title area: centred across
  // it, each text wrapped or set smaller to be no wider than it, and each
  // block of lines kept inside it, below the block before. A part that
  // names no area offers its frame less a margin.
  TImageArea area = ReadTitleArea(partPath);
  if (area.Right <= area.Left || area.Bottom <= area.Top)
    area = {w / 20 / 20, h / 20 / 20, w / 20 - w / 20 / 20, h / 20 - h / 20 / 20};
  const int32_t centreX = (area.Left + area.Right) / 2;
  const int32_t areaWidth = area.Right - area.Left;
  // Where the last block of lines ended, and the depths of wrapped lines
  // after the first (above every title's own depth).
  int32_t blockBottom = area.Top;
  uint16_t nextDepth = 64;
  // Places text centred on row y (its block moved down below the block
  // before and kept inside the area); returns the sprite that runs longest.
  auto place = [&](int kind, const std::u16string& text, uint16_t depth, int32_t y) {
    const TTitleLines fit = FitTitle(titles.Styles[kind], text, areaWidth);
    TTitleStyle style = titles.Styles[kind];
    style.FontSize = fit.FontSize;
    const int32_t lineHeight = fit.FontSize * 5 / 4;
    const int32_t height = lineHeight * static_cast<int32_t>(fit.Lines.size());
    int32_t top = std::max(y - height / 2, blockBottom);
    top = std::max(area.Top, std::min(top, area.Bottom - height));
    // Half a line apart from the next block.
    blockBottom = top + height + lineHeight / 2;
    TFlashSprite* longest = nullptr;
    for (size_t i = 0; i < fit.Lines.size(); ++i) {
      TFlashSprite* sprite = PlaceEffect(movie, style, fit.Lines[i], w, h, i == 0 ? depth : nextDepth++, centreX,
                                         top + lineHeight * static_cast<int32_t>(i) + lineHeight / 2);
      if (!longest || sprite->FrameCount() > longest->FrameCount()) longest = sprite;
    }
    return longest;
  };
  if (!ending) {
    // An empty text shows nothing and takes no time.
    if (!texts.Title.empty()) movie.ShowFrame(place(0, texts.Title, 4, 100)->FrameCount());
    if (!texts.Director.empty()) movie.ShowFrame(place(1, texts.Director, 5, 160)->FrameCount());
    TFlashSprite* last = nullptr;
    for (const auto& [k, line] : NonEmptyLines(texts.Motive))
      last = place(2, line, static_cast<uint16_t>(7 + k), static_cast<int32_t>(220 + 60 * k));
    if (last) movie.ShowFrame(last->FrameCount());
  } else {
    for (const auto& [k, line] : NonEmptyLines(texts.CastView))
      movie.ShowFrame(place(3, line, static_cast<uint16_t>(8 + k), static_cast<int32_t>(130 + 60 * k))->FrameCount());
  }
  // Shown inside a template, the titles halt on their last picture instead
  // of starting over.
  movie.FrameActions().Stop();
  movie.ShowFrame(1);
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
