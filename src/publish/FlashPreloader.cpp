#include "publish/FlashPreloader.h"

#include <algorithm>
#include <cmath>

#include "app/Paths.h"
#include "app/TextConvert.h"
#include "movie/FlashExternalMovie.h"
#include "movie/FlashFont.h"
#include "movie/FlashMovie.h"
#include "movie/FlashPlaceObject.h"
#include "movie/FlashShape.h"
#include "movie/FlashSprite.h"
#include "movie/FlashText.h"
#include "publish/OutputFile.h"
#include "publish/PreloaderScript.h"

namespace reelcast {

namespace {

// One colour: solid; several: a gradient turned by 270 degrees.
void FillWith(TFlashShape& shape, const std::vector<uint32_t>& colors) {
  if (colors.size() == 1) shape.AddSolidFill(colors[0]);
  else if (colors.size() > 1) shape.AddGradientFill(colors, 270);
}

// The relative luminance of a packed colour (R in the low byte), 0..1.
double Luminance(uint32_t rgb) {
  auto channel = [](uint32_t c) {
    const double v = c / 255.0;
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(rgb & 0xFF) + 0.7152 * channel((rgb >> 8) & 0xFF) +
         0.0722 * channel((rgb >> 16) & 0xFF);
}

double Contrast(uint32_t a, uint32_t b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The caption's colour, or, when it would be hard to read on the
// background (a pale text on white), a dark slate or white, whichever
// stands out more.
uint32_t LegibleOn(uint32_t background, uint32_t text) {
  if (Contrast(background, text) >= 3.0) return text;
  constexpr uint32_t kSlate = 0x37291F, kWhite = 0xFFFFFF;
  return Contrast(background, kSlate) >= Contrast(background, kWhite) ? kSlate : kWhite;
}

}  // namespace

TFlashPreloader::TFlashPreloader(TFlashMovie& movie, const TSWFParam& param)
    : movie_(&movie), param_(param) {
  if (param.PreLoader) preloader_.Assign(*param.PreLoader);
  param_.PreLoader = &preloader_;
}

TFlashPreloader::TFlashPreloader(std::unique_ptr<TFlashMovie> owned, const TSWFParam& param)
    : TFlashPreloader(*owned, param) {
  owned_ = std::move(owned);
  preview_ = true;
}

std::unique_ptr<TFlashPreloader> TFlashPreloader::CreatePreview(const TSWFParam& param) {
  // 8000 x 6000 twips in pixel units.
  auto movie = std::make_unique<TFlashMovie>(0, 0, 400, 300, 15.0f, true);
  movie->SetVersion(8);
  return std::unique_ptr<TFlashPreloader>(new TFlashPreloader(std::move(movie), param));
}

TFlashPreloader::~TFlashPreloader() = default;

uint16_t TFlashPreloader::NextDepth() {
  uint16_t depth = static_cast<uint16_t>(movie_->MaxDepth + 1);
  placedDepths_.push_back(depth);
  return depth;
}

void TFlashPreloader::MakeLayout() {
  const std::vector<TProgressBarStyle> styles = LoadProgressBarStyles();
  const TProgressBarStyle* style = FindProgressBarStyle(styles, Utf16ToUtf8(preloader_.BarStyle));
  spriteWidth_ = spriteHeight_ = 0;
  if (preloader_.UseSprite && !preloader_.UseCustomLogo) {
    TSWFStreamReader sprite(PreloaderSpritePath(Utf16ToUtf8(preloader_.SpriteStyle)));
    spriteWidth_ = (sprite.FrameRect.Right - sprite.FrameRect.Left) / 20;
    spriteHeight_ = (sprite.FrameRect.Bottom - sprite.FrameRect.Top) / 20;
  }
  layout_ = ComputePreloaderLayout(movie_->Width(), movie_->Height(), preloader_, style,
                                   spriteWidth_, spriteHeight_);
}

void TFlashPreloader::BuildFrame(bool withScript) {
  MakeLayout();
  TFlashMovie& m = *movie_;
  const TPreloaderLayout& l = layout_;
  const uint32_t bk = preloader_.BKColor;
  TFlashShape* background = m.AddRectangle(0, 0, m.Width(), m.Height());
  background->AddSolidFill(bk & 0xFF, (bk >> 8) & 0xFF, (bk >> 16) & 0xFF, 255);
  m.PlaceObject(background, NextDepth());

  if (preloader_.UseSprite) {
    if (preloader_.UseCustomLogo) {
      TFlashImage* image = m.AddImage(Utf16ToUtf8(preloader_.CustomLogo));
      TFlashShape* logo = m.AddRectangle(0, 0, image->Width(), image->Height());
      logo->AddImageFill(image, 1, 1, 1);
      m.PlaceObject(logo, NextDepth())
          ->SetTranslate(l.SpriteX - image->Width() / 2, l.SpriteY - image->Height() / 2);
    } else {
      TFlashExternalMovie* ext =
          m.AddExternalMovie(PreloaderSpritePath(Utf16ToUtf8(preloader_.SpriteStyle)), 3, true);
      TFlashPlaceObject* place = m.PlaceObject(ext->AsSprite, NextDepth());
      // Centred on its point at the size it is shown: a full background
      // covers the stage from its top-left corner.
      place->SetTranslate(l.SpriteX - RoundToPixel(spriteWidth_ * l.SpriteScaleX / 2),
                          l.SpriteY - RoundToPixel(spriteHeight_ * l.SpriteScaleY / 2));
      if (l.SpriteScaleX != 1 || l.SpriteScaleY != 1)
        place->SetScale(static_cast<float>(l.SpriteScaleX), static_cast<float>(l.SpriteScaleY));
    }
  }

  const TBarMode mode = preloader_.BarMode();
  if (preloader_.UseProgressBar) {
    // A style the file does not hold has no size: no bar then.
    if ((mode == bmBar || mode == bmAll) && l.BarWidth > 0 && l.BarHeight > 0) {
      // A bar wider than the stage is narrowed to leave a margin.
      const int32_t barWidth = std::min(l.BarWidth, std::max(1, m.Width() * 86 / 100));
      const int32_t x = l.BarX - barWidth / 2, y = l.BarY - l.BarHeight / 2;
      TFlashShape* back = m.AddRectangle(0, 0, barWidth, l.BarHeight);
      FillWith(*back, l.BackColors);
      TFlashShape* front =
          m.AddRectangle(0, 0, preview_ ? barWidth / 2 : barWidth, l.BarHeight);
      FillWith(*front, l.FrontColors);
      m.PlaceObject(back, NextDepth())->SetTranslate(x, y);
      TFlashSprite* bar = m.AddSprite();
      bar->PlaceObject(front, 1)->SetName("loading");
      bar->ShowFrame(1);
      TFlashPlaceObject* place = m.PlaceObject(bar, NextDepth());
      place->SetName("BarSprite");
      place->SetTranslate(x, y);
    }
    if (!l.Caption.empty() && (mode == bmText || mode == bmAll)) {
      TFontDescription desc;
      desc.Name = l.FontName;
      desc.Height = l.FontSize;
      desc.Bold = (l.FontStyle & 1) != 0;
      desc.Italic = (l.FontStyle & 2) != 0;
      TFlashFont* font = m.AddFont(desc, false);
      TFlashFont::TExtent extent = font->TextExtent(l.Caption);
      const int32_t cx = extent.Width / 20, cy = extent.Height / 20;
      // Over a full background picture the style's own colour is kept.
      const bool onPicture = preloader_.UseSprite && l.FullBackground;
      const uint32_t color =
          (onPicture ? l.TextColor & 0xFFFFFF : LegibleOn(bk & 0xFFFFFF, l.TextColor & 0xFFFFFF)) | 0xFF000000u;
      TFlashText* text;
      if (preview_) {
        std::string shown = l.Caption;
        if (size_t at = shown.find("%d"); at != std::string::npos) shown.replace(at, 2, "50");
        text = m.AddText(shown, color, font, TPoint32{0, 0});
      } else {
        // Centred on the text point, twice the caption's width so that the
        // longest number fits; it shows 0 until the script writes into it.
        std::string first = l.Caption;
        if (size_t at = first.find("%d"); at != std::string::npos) first.replace(at, 2, "0");
        text = m.AddDynamicText("vLoadTxt", first, TRect{0, 0, 2 * cx + 8, 2 * cy}, font, color);
        text->SetAlign(2);
        // The text draws with the font's own outlines: the font carries the
        // glyphs of every text the script can put there, the caption around
        // the number and the ten digits.
        std::string shown = l.Caption + "0123456789";
        if (size_t at = shown.find("%d"); at != std::string::npos) shown.erase(at, 2);
        if (std::all_of(shown.begin(), shown.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
          font->AddChars(shown);
        else
          font->AddChars(Utf8ToUtf16(shown));
      }
      text->NoSelect = true;
      m.PlaceObject(text, NextDepth())
          ->SetTranslate(preview_ ? l.TextX - cx / 2 : l.TextX - cx - 4, l.TextY - cy / 2);
    }
  }

  if (withScript) AddPreloaderScript(m.FrameActions(), l.Caption);
  m.ShowFrame(1);
  // The next frame of a movie starts with an empty stage. A preview has no
  // next frame: removals after its only frame would blank it when it loops.
  if (!preview_)
    for (uint16_t depth : placedDepths_) m.RemoveObject(depth);
}

bool TFlashPreloader::Build() {
  BuildFrame(true);
  return true;
}

void TFlashPreloader::BuildPreview(const std::string& fileName) {
  BuildFrame(false);
  movie_->MakeStream();
  SaveThroughScratch(fileName, [&](const std::string& scratch) { movie_->SaveToFile(scratch); });
}

bool AddPreloader(TFlashMovie& movie, const TSWFParam& param) {
  TFlashPreloader preloader(movie, param);
  return preloader.Build();
}

std::string PreloaderPreviewPath() { return TempFolder + "QVX2_PreviewPreloader.swf"; }

bool MakePreloaderPreview(const TSWFParam& param) {
  auto preview = TFlashPreloader::CreatePreview(param);
  preview->BuildPreview(PreloaderPreviewPath());
  return true;
}

}  // namespace reelcast
