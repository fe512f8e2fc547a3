// How the control bar, the Replay button and the links are laid into a
// movie: positions, the per-frame scripts, and nothing at all when there is
// nothing to add.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/Config.h"
#include "app/Paths.h"
#include "movie/FlashMovie.h"
#include "movie/FlashPlaceObject.h"
#include "movie/FlashShape.h"
#include "publish/ControlBar.h"
#include "publish/ControlBarPreview.h"
#include "publish/ControlBarStyles.h"
#include "publish/LinkActions.h"
#include "publish/PlayerMovieRead.h"
#include "support/TestEnv.h"
#include "swf/DoAction.h"

namespace reelcast {
namespace {

TFlashPlaceObject* PlacementAt(TFlashMovie& m, uint16_t depth) {
  for (auto& o : m.ObjectList())
    if (auto* p = dynamic_cast<TFlashPlaceObject*>(o.get()); p && p->Depth() == depth) return p;
  return nullptr;
}

// The frame scripts of the movie, in frame order, as they are written (a
// long run of them is kept as bytes): each read back into its actions.
std::vector<std::unique_ptr<TSWFDoAction>> FrameScripts(TFlashMovie& m) {
  std::vector<std::unique_ptr<TSWFDoAction>> scripts;
  for (auto& o : m.ObjectList()) {
    std::vector<uint8_t> bytes;
    if (auto* a = dynamic_cast<TFlashActionScript*>(o.get())) bytes = TFlashWrittenActions(&m, *a).Bytes();
    else if (auto* w = dynamic_cast<TFlashWrittenActions*>(o.get())) bytes = w->Bytes();
    else continue;
    const uint16_t word = static_cast<uint16_t>(bytes.at(0) | bytes.at(1) << 8);
    EXPECT_EQ(word >> 6, 12);
    const size_t head = (word & 63) == 63 ? 6 : 2;
    auto tag = std::make_unique<TSWFDoAction>();
    tag->SetReadContext({8, true});
    tag->BodySize = static_cast<int32_t>(bytes.size() - head);
    TMemoryViewStream view(bytes.data() + head, bytes.size() - head);
    TBitsEngine be(view);
    tag->ReadFromStream(be);
    scripts.push_back(std::move(tag));
  }
  return scripts;
}

bool PushesText(const TSWFActionList& list, const std::string& text) {
  for (size_t i = 0; i < list.Count(); ++i)
    if (auto* push = dynamic_cast<TSWFActionPush*>(list[i]))
      for (size_t v = 0; v < push->ValueCount(); ++v)
        if (auto* s = std::get_if<std::string>(&push->Value(v).Value); s && *s == text) return true;
  return false;
}

int CountCode(const TSWFActionList& list, uint8_t code) {
  int n = 0;
  for (size_t i = 0; i < list.Count(); ++i) n += list[i]->ActionCode() == code;
  return n;
}

TEST(ControlBarLayout, BarPositionFrameTextsAndThePauseOfFrameOne) {
  InitFolders();
  TFlashMovie m(0, 0, 320, 240, 25, true);
  TSWFParam p;
  p.BarStyle = "Classic";
  ASSERT_TRUE(AddControlBar(m, 99, "_root.MainMovie", "_root", p));
  TFlashPlaceObject* guide = PlacementAt(m, 65535);
  ASSERT_NE(guide, nullptr);
  EXPECT_EQ(m.FrameCount, 100);
  const auto scripts = FrameScripts(m);
  ASSERT_EQ(scripts.size(), 100u);
  for (int n = 0; n < 100; ++n) {
    EXPECT_TRUE(PushesText(scripts[n]->Actions(), std::to_string(n) + " of 99")) << n;
    // Only frame 1 pauses: the bar shows play (NextFrame) and three Stops.
    EXPECT_EQ(CountCode(scripts[n]->Actions(), 0x04), n == 1 ? 1 : 0) << n;
    EXPECT_EQ(CountCode(scripts[n]->Actions(), 0x07), n == 1 ? 3 : 0) << n;
  }
  // The pause is skipped once "Replay" was clicked (an If over it).
  EXPECT_EQ(CountCode(scripts[1]->Actions(), 0x9D), 1);

  // A video on the root's own timeline is not addressed as a clip of its
  // own; with auto-play the movie never pauses by itself.
  struct Case {
    bool AutoPlay;
    const char* MainPath;
    int Stops;
  };
  for (const Case c : {Case{false, "", 2}, Case{true, "_root.MainMovie", 0}}) {
    SCOPED_TRACE(c.MainPath);
    TFlashMovie bar(0, 0, 320, 240, 25, true);
    TExportSetting es;
    es.AutoPlay = c.AutoPlay;
    p.ExportSetting = &es;
    ASSERT_TRUE(AddControlBar(bar, 9, c.MainPath, "_root", p));
    const auto frames = FrameScripts(bar);
    ASSERT_EQ(frames.size(), 10u);
    EXPECT_EQ(CountCode(frames[1]->Actions(), 0x07), c.Stops);
    p.ExportSetting = nullptr;
  }
}

// Every style keeps buttons of at least 24 pixels side by side inside the
// video, on small and large, wide and narrow videos, and inside the video's
// window when a template frames it.
TEST(ControlBarLayout, EveryStyleKeepsLargeButtonsInsideTheVideo) {
  InitFolders();
  const std::vector<std::string> styles = ListControlBarStyles();
  ASSERT_GE(styles.size(), 4u);
  for (const std::string& style : styles) {
    for (const TRect area : {TRect{0, 0, 160, 120}, TRect{0, 0, 320, 240}, TRect{0, 0, 384, 216},
                             TRect{0, 0, 1280, 720}, TRect{80, 64, 400, 304}}) {
      SCOPED_TRACE(style + " " + std::to_string(area.Right - area.Left) + "x" +
                   std::to_string(area.Bottom - area.Top));
      const TControlBarLayout l = LayOutControlBar(ControlBarLook(style).Layout, area);
      EXPECT_GE(l.Button, 24);
      EXPECT_GE(l.Stop.X, l.PlayPause.X + l.Button) << "the buttons overlap";
      for (const TPoint32 b : {l.PlayPause, l.Stop}) {
        EXPECT_GE(b.X, l.Panel.Left);
        EXPECT_GE(b.Y, l.Panel.Top);
        EXPECT_LE(b.X + l.Button, l.Panel.Right);
        EXPECT_LE(b.Y + l.Button, l.Panel.Bottom);
      }
      EXPECT_GE(l.Panel.Left, area.Left);
      EXPECT_LE(l.Panel.Right, area.Right);
      EXPECT_GE(l.Panel.Top, area.Top + (area.Bottom - area.Top) / 2) << "the bar keeps to the bottom";
      EXPECT_LE(l.Panel.Bottom, area.Bottom);
    }
  }
}

TEST(ControlBarLayout, MissingStyleIsLoggedAndAddsNothing) {
  InitFolders();
  TFlashMovie m(0, 0, 320, 240, 25, true);
  TSWFParam p;
  p.BarStyle = "No Such Style";
  EXPECT_FALSE(AddControlBar(m, 9, "_root.MainMovie", "_root", p));
  EXPECT_TRUE(m.ObjectList().empty());
  EXPECT_NE(test::ReadFile(LogFilePath()).find("Add Control Bar:File Not Exists"), std::string::npos);
}

// The button's face (its first shape) is centred on the stage, wide and
// narrow.
TEST(ReplayButtonLayout, SitsInTheMiddleAtDepthFour) {
  for (const auto& [w, h] : {std::pair{320, 240}, {384, 216}, {1280, 720}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    TFlashMovie m(0, 0, w, h, 25, true);
    AddReplayButton(m);
    TFlashPlaceObject* replay = PlacementAt(m, 4);
    ASSERT_NE(replay, nullptr);
    TFlashShape* face = nullptr;
    for (auto& o : m.ObjectList())
      if (!face) face = dynamic_cast<TFlashShape*>(o.get());
    ASSERT_NE(face, nullptr);
    EXPECT_NEAR(replay->PlaceTag->GetMatrix().TranslateX / 20 + face->XMax() / 2, w / 2, 1);
    EXPECT_NEAR(replay->PlaceTag->GetMatrix().TranslateY / 20 + face->YMax() / 2, h / 2, 1);
    EXPECT_GE(face->YMax(), 34) << "large enough to hit";
  }
}

TEST(LinkLayout, NoLinkDefinesNothingAndAMissingPictureIsLogged) {
  TFlashMovie m(0, 0, 320, 240, 25, true);
  TSWFParam p;
  p.LinkKind = kLinkNone;
  AddLink(m, p);
  EXPECT_TRUE(m.ObjectList().empty());
  p.LinkKind = kLinkImage;
  p.ImageLink.ImageFile = "/nonexistent/logo.png";
  AddLink(m, p);
  EXPECT_TRUE(m.ObjectList().empty());
  EXPECT_NE(test::ReadFile(LogFilePath()).find("procedure:MakeSwfURL,File not Exists"),
            std::string::npos);
}

TEST(LinkLayout, ClickAreaLeavesThePlayersControlsFreeAndEndUrlIsSetGlobally) {
  TJobSettingObjects objects;
  TSWFParam p;
  p.ExportSetting = objects.ExportSetting.get();
  TFlashMovie m(0, 0, 320, 240, 25, true);
  AddClickUrl(m, p);  // off
  SetEndUrl(m, p);
  EXPECT_TRUE(m.ObjectList().empty());

  p.ExportSetting->ClickingUrl = {1, "www.example.com", "_self"};
  p.ExportSetting->PlayEndUrl = {1, "Http://end.example.com", "_top"};
  AddClickUrl(m, p);
  SetEndUrl(m, p);
  TFlashShape* area = nullptr;
  for (auto& o : m.ObjectList())
    if (auto* s = dynamic_cast<TFlashShape*>(o.get())) area = s;
  ASSERT_NE(area, nullptr);
  EXPECT_EQ(area->XMax(), 320);
  EXPECT_EQ(area->YMax(), 240 - 43);
  ASSERT_NE(PlacementAt(m, 65530), nullptr);
  const TSWFActionList& first = m.FrameActions().ActionList();
  EXPECT_TRUE(PushesText(first, "g_endURL"));
  EXPECT_TRUE(PushesText(first, "Http://end.example.com"));  // already has the prefix
  EXPECT_TRUE(PushesText(first, "g_endURLTarget"));
  EXPECT_TRUE(PushesText(first, "_top"));
}

// The style preview of the Template page: the three button movies side by
// side in one movie, written once per style.
TEST(ControlBarPreview, ShowsThePlayPauseAndStopButtonsSideBySide) {
  using L = TControlBarPreviewLayout;
  InitFolders();
  const std::string path = MakeControlBarPreview("Classic");
  ASSERT_FALSE(path.empty());
  {
    test::TReadPlayerMovie movie(path);
    EXPECT_EQ(movie.Reader->FrameRect.Right - movie.Reader->FrameRect.Left, L::Width * 20);
    EXPECT_EQ(movie.Reader->FrameRect.Bottom - movie.Reader->FrameRect.Top, 32 * 20);
    ASSERT_EQ(movie.Placed.size(), 3u);
    for (int n = 0; n < 3; ++n) {
      TSWFPlaceObject2* place = movie.Placed.at(static_cast<uint16_t>(n + 1));
      ASSERT_TRUE(place->HasCharacter);
      const int32_t x = place->Matrix() ? place->Matrix()->TranslateX : 0;
      EXPECT_EQ(x, L::Left(n) * 20) << n;
    }
  }
  // Asked again, the written movie is used as it is.
  const auto written = std::filesystem::last_write_time(path);
  EXPECT_EQ(MakeControlBarPreview("Classic"), path);
  EXPECT_EQ(std::filesystem::last_write_time(path), written);
  // A style without its movies previews as an empty strip.
  const std::string none = MakeControlBarPreview("Missing");
  ASSERT_FALSE(none.empty());
  EXPECT_TRUE(test::TReadPlayerMovie(none).Placed.empty());
}

}  // namespace
}  // namespace reelcast
