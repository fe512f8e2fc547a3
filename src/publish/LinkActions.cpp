#include "publish/LinkActions.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/Config.h"
#include "movie/FlashButton.h"
#include "movie/FlashFont.h"
#include "movie/FlashMovie.h"
#include "movie/FlashPlaceObject.h"
#include "movie/FlashShape.h"
#include "movie/FlashText.h"
#include "publish/PreloaderLayout.h"
#include "publish/PublishUrls.h"

namespace reelcast {

namespace {

// Button record states.
constexpr uint8_t kButtonUp = 1;
constexpr uint8_t kButtonDown = 2;
constexpr uint8_t kButtonOver = 4;
constexpr uint8_t kButtonHit = 8;

constexpr uint16_t kLinkDepth = 65531;
constexpr uint16_t kClickDepth = 65530;

void PlaceLink(TFlashMovie& m, TFlashButton* b, double x, double y) {
  m.PlaceObject(b, kLinkDepth)
      ->SetTranslate(RoundToPixel(m.Width() * x), RoundToPixel(m.Height() * y));
}

void SetGlobal(TFlashActionScript& as, const std::string& name, const std::string& value) {
  as.PushVariant(std::string("_global"));
  as.GetVariable();
  as.PushValues({name, value});
  as.SetMember();
}

// A script address never goes into a movie: the link is published without
// its action and the log says why.
bool PublishableUrl(const std::string& url) {
  std::string why = RefusedUrlReason(url);
  if (why.empty()) return true;
  NVLog("The address " + url + " is left out: " + why);
  return false;
}

}  // namespace

void AddLink(TFlashMovie& movie, const TSWFParam& param) {
  if (param.LinkKind == kLinkText) AddTextLink(movie, param.TextLink);
  else if (param.LinkKind == kLinkImage) AddImageLink(movie, param.ImageLink);
}

void AddTextLink(TFlashMovie& m, const TTextLink& link) {
  TFontDescription desc;
  desc.Name = link.FontName;
  desc.Height = link.FontSize;
  desc.Bold = link.Bold;
  desc.Italic = link.Italic;
  TFlashFont* font = m.AddFont(desc, false);
  TFlashText* text = m.AddText(link.Text, (link.Color & 0xFFFFFF) | 0xFF000000u, font, TPoint32{0, 0});
  TFlashFont::TExtent extent = font->TextExtent(link.Text);
  const int32_t w = extent.Width / 20, h = extent.Height / 20;
  TFlashButton* b = m.AddButton(false, true);
  // Under the pointer the link is underlined; pressed, it dims a little.
  b->AddRecord(text, kButtonUp | kButtonOver, 1);
  b->AddRecord(text, kButtonDown, 1)->GetColorTransform().SetAddA(-80);
  TFlashShape* underline = m.AddRectangle(0, 0, w, std::max(1, link.FontSize / 12));
  underline->AddSolidFill((link.Color & 0xFFFFFF) | 0xFF000000u);
  b->AddRecord(underline, kButtonOver | kButtonDown, 2)->GetMatrix().SetTranslate(0, (h - 1) * m.Multiplier());
  TFlashShape* hit = m.AddRectangle(0, 0, w, h);
  hit->AddSolidFill(255, 255, 255, 0);
  b->AddRecord(hit, kButtonHit, 1);
  if (PublishableUrl(link.URL)) b->ReleaseActions().GetUrl(NormalizeUrl(link.URL), "_blank");
  PlaceLink(m, b, link.X, link.Y);
}

void AddImageLink(TFlashMovie& m, const TImageLink& link) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(link.ImageFile, ec)) {
    NVLog("procedure:MakeSwfURL,File not Exists");
    return;
  }
  // The picture as the user gave it, in every state: square corners, its own
  // colours and opacity.
  TFlashImage* image = m.AddImage(link.ImageFile);
  TFlashShape* face = m.AddRectangle(0, 0, image->Width(), image->Height());
  face->AddImageFill(image, 1, 1, 1);
  TFlashButton* b = m.AddButton(false, true);
  b->AddRecord(face, kButtonUp | kButtonOver | kButtonDown | kButtonHit, 1);
  if (PublishableUrl(link.URL)) b->ReleaseActions().GetUrl(NormalizeUrl(link.URL), "_blank");
  PlaceLink(m, b, link.X, link.Y);
}

void AddClickUrl(TFlashMovie& m, const TSWFParam& param) {
  if (!param.ExportSetting) return;
  const TURLInfo& click = param.ExportSetting->ClickingUrl;
  if (!click.Enabled || click.URL.empty() || !PublishableUrl(click.URL)) return;
  TFlashShape* area = m.AddRectangle(0, 0, m.Width(), m.Height() - 43);
  area->AddSolidFill(255, 255, 255, 0);
  TFlashButton* b = m.AddButton(false, true);
  b->AddRecord(area, kButtonUp | kButtonDown | kButtonOver | kButtonHit, 1);
  b->ReleaseActions().GetUrl(NormalizeUrl(click.URL), click.Target);
  m.PlaceObject(b, kClickDepth);
}

void SetEndUrl(TFlashMovie& m, const TSWFParam& param) {
  if (!param.ExportSetting) return;
  const TURLInfo& end = param.ExportSetting->PlayEndUrl;
  if (!end.Enabled || !PublishableUrl(end.URL)) return;
  TFlashActionScript& as = m.FrameActions();
  SetGlobal(as, "g_endURL", NormalizeUrl(end.URL));
  if (!end.Target.empty()) SetGlobal(as, "g_endURLTarget", end.Target);
}

}  // namespace reelcast
