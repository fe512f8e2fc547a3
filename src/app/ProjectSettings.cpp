#include "app/ProjectSettings.h"

#include <typeinfo>

#include "app/Config.h"
#include "app/SettingsKeys.h"
#include "app/TextConvert.h"

namespace reelcast {

namespace {

std::string ClassName(const TPersistent& object) {
  if (dynamic_cast<const TPreLoader*>(&object)) return "TPreLoader";
  if (dynamic_cast<const TExportSetting*>(&object)) return "TExportSetting";
  return "TPersistent";
}

// The text of a Yes/No key: "Yes" is true, anything else (or nothing) false.
bool ReadYesNo(std::string_view key) { return ReadConfigText(key) == u"Yes"; }

}  // namespace

void TPersistent::Assign(const TPersistent& source) {
  throw EConvertError("Cannot assign a " + ClassName(source) + " to a " + ClassName(*this));
}

const std::vector<TPreLoaderProperty>& TPreLoader::Properties() {
  using K = TPropertyKind;
  using V = TPropertyValue;
  static const std::vector<TPreLoaderProperty> properties = {
      {"BKColor", K::Ordinal, [](const TPreLoader& p) -> V { return int64_t{p.BKColor}; },
       [](TPreLoader& p, const V& v) { p.BKColor = static_cast<uint32_t>(std::get<int64_t>(v)); }},
      {"UseSprite", K::Ordinal, [](const TPreLoader& p) -> V { return int64_t{p.UseSprite}; },
       [](TPreLoader& p, const V& v) { p.UseSprite = std::get<int64_t>(v) != 0; }},
      {"SpriteStyle", K::WideString, [](const TPreLoader& p) -> V { return p.SpriteStyle; },
       [](TPreLoader& p, const V& v) { p.SpriteStyle = std::get<std::u16string>(v); }},
      {"SpriteX", K::Float, [](const TPreLoader& p) -> V { return p.SpriteX; },
       [](TPreLoader& p, const V& v) { p.SpriteX = std::get<double>(v); }},
      {"SpriteY", K::Float, [](const TPreLoader& p) -> V { return p.SpriteY; },
       [](TPreLoader& p, const V& v) { p.SpriteY = std::get<double>(v); }},
      {"UseCustomLogo", K::Ordinal,
       [](const TPreLoader& p) -> V { return int64_t{p.UseCustomLogo}; },
       [](TPreLoader& p, const V& v) { p.UseCustomLogo = std::get<int64_t>(v) != 0; }},
      {"CustomLogo", K::WideString, [](const TPreLoader& p) -> V { return p.CustomLogo; },
       [](TPreLoader& p, const V& v) { p.CustomLogo = std::get<std::u16string>(v); }},
      {"UseProgressBar", K::Ordinal,
       [](const TPreLoader& p) -> V { return int64_t{p.UseProgressBar}; },
       [](TPreLoader& p, const V& v) { p.UseProgressBar = std::get<int64_t>(v) != 0; }},
      {"BarStyle", K::WideString, [](const TPreLoader& p) -> V { return p.BarStyle; },
       [](TPreLoader& p, const V& v) { p.BarStyle = std::get<std::u16string>(v); }},
      {"BarMode", K::Ordinal, [](const TPreLoader& p) -> V { return int64_t{p.BarMode()}; },
       [](TPreLoader& p, const V& v) {
         p.SetBarMode(static_cast<TBarMode>(std::get<int64_t>(v)));
       }},
  };
  return properties;
}

void TPreLoader::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TPreLoader*>(&source);
  if (!other) return TPersistent::Assign(source);
  if (other == this) return;
  for (const auto& property : Properties()) property.Set(*this, property.Get(*other));
}

void TPreLoader::SetBarMode(TBarMode mode) {
  barMode_ = mode;
  BarModeChanged();
}

void TExportSetting::Assign(const TPersistent& source) {
  const auto* other = dynamic_cast<const TExportSetting*>(&source);
  if (!other) return TPersistent::Assign(source);
  LoadingFrame = other->LoadingFrame;
  EmbedType = other->EmbedType;
}

void SetStartupDefaults(TExportSetting& setting) {
  setting.EmbedType = etSeperaterFLV;
  setting.AutoPlay = true;
}

void LoadPreloaderSettings(TPreLoader& preloader, TExportSetting& exportSetting) {
  exportSetting.LoadingFrame = ReadYesNo(keys::UsePreloader) ? 1 : 0;
  preloader.UseSprite = ReadYesNo(keys::UseSprite);
  preloader.UseProgressBar = ReadYesNo(keys::UseProgressBar);
  preloader.UseCustomLogo = ReadYesNo(keys::UseCustomLogo);
  preloader.SpriteStyle = ReadConfigText(keys::SpriteStyle);
  preloader.CustomLogo = ReadConfigText(keys::CustomLogo);
  preloader.BarStyle = ReadConfigText(keys::BarStyle);
  int32_t mode = -1;
  if (!NVGetConfigInt(keys::BarMode, &mode)) {
    preloader.SetBarMode(bmNone);
  } else if (mode >= 0 && mode <= 3) {
    preloader.SetBarMode(static_cast<TBarMode>(mode));
  }
  int32_t color = 0;
  NVGetConfigInt(keys::BackColor, &color);
  preloader.BKColor = static_cast<uint32_t>(color);
}

const char* EmbedTypeCaption(TEmbedType type) {
  switch (type) {
    case etEmbedFLV: return "Embed Video in SWF";
    case etSeperaterFLV: return "Link External FLV";
    case etSeperaterURLFLV: return "Link External URL FLV";
  }
  return "";
}

}  // namespace reelcast
