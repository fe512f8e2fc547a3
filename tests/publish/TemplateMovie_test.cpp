#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Config.h"
#include "app/Paths.h"
#include "movie/FlashMovie.h"
#include "movie/FlashShape.h"
#include "publish/TemplateLists.h"
#include "publish/TemplateMovie.h"
#include "publish/TemplateTrailer.h"
#include "support/StoreFixture.h"
#include "swf/DisplayList.h"
#include "swf/SWFStream.h"

namespace reelcast {
namespace {

namespace fs = std::filesystem;

// A movie of the given size (pixels) and frame count, with a box in it.
std::string MovieBytes(const fs::path& path, int w, int h, int frames) {
  TFlashMovie m(0, 0, w, h, 24, true);
  TFlashShape* box = m.AddRectangle(1, 1, w - 1, h - 1);
  box->AddSolidFill(0xFF336699u);
  m.PlaceObject(box, 1);
  m.ShowFrame(static_cast<uint16_t>(frames));
  m.MakeStream();
  m.SaveToFile(path.string());
  return test::ReadFile(path);
}

std::string Trailer(const std::string& xml, const char* magic, uint32_t length) {
  std::string out = xml;
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((length >> (8 * i)) & 0xFF));
  return out + magic;
}
std::string Trailer(const std::string& xml, const char* magic) {
  return Trailer(xml, magic, static_cast<uint32_t>(xml.size()));
}

std::string AreaXml(int l, int t, int r, int b) {
  return "<Template><ImageArea left=\"" + std::to_string(l) + "\" top=\"" + std::to_string(t) +
         "\" right=\"" + std::to_string(r) + "\" bottom=\"" + std::to_string(b) + "\"/></Template>";
}

// One character placement of the root timeline.
struct TPlaced {
  int Frame = 0;
  int Depth = 0;
  double ScaleX = 1, ScaleY = 1;
  int TranslateX = 0, TranslateY = 0;  // twips
  std::string Name;
};

struct TComposed {
  int Width = 0, Height = 0;  // twips
  int Frames = 0;
  std::vector<TPlaced> Placed;
  std::vector<int> StopFrames;  // frames with actions (only a Stop here)
};

TComposed ReadComposed(const std::string& path) {
  TSWFStreamReader reader(path);
  reader.ParseTags(true, true);
  EXPECT_TRUE(reader.IsSWF());
  for (const std::string& problem : reader.Problems()) ADD_FAILURE() << problem;
  TComposed c;
  c.Width = reader.FrameRect.Right - reader.FrameRect.Left;
  c.Height = reader.FrameRect.Bottom - reader.FrameRect.Top;
  c.Frames = reader.FrameCount;
  int frame = 0;
  for (size_t i = 0; i < reader.TagCount(); ++i) {
    TSWFTagInfo& info = reader.TagInfo(i);
    if (info.TagCode == 1) ++frame;
    if (auto* p = dynamic_cast<TSWFPlaceObject2*>(info.TagObject); p && p->HasCharacter) {
      TPlaced placed;
      placed.Frame = frame;
      placed.Depth = p->Depth;
      placed.Name = p->Name();
      if (TSWFMatrix* m = p->Matrix()) {
        if (m->HasScale) {
          placed.ScaleX = m->ScaleX / 65536.0;
          placed.ScaleY = m->ScaleY / 65536.0;
        }
        placed.TranslateX = m->TranslateX;
        placed.TranslateY = m->TranslateY;
      }
      c.Placed.push_back(placed);
    }
    if (info.TagCode == 12) c.StopFrames.push_back(frame);
  }
  return c;
}

class TemplateMovie : public test::StoreFixture {
 protected:
  TemplateMovie() { InitFolders(); }

  // The scratch inputs of a 400 x 300 template with the image area
  // (50, 40)-(250, 190), a 2-frame 200 x 150 opening, a 3-frame 300 x 300
  // ending and a 5-frame 320 x 240 video movie.
  void ScratchInputs() {
    test::WriteFile(TemplateCopyPath(TSWFParam{}), MovieBytes(home_ / "t.swf", 400, 300, 1));
    MovieBytes(PreludeMoviePath(TSWFParam{}), 200, 150, 2);
    MovieBytes(EndTitleMoviePath(TSWFParam{}), 300, 300, 3);
    MovieBytes(video_, 320, 240, 5);
  }

  TSWFParam Param() {
    TSWFParam p;
    p.VideoWidth = 320;
    p.VideoHeight = 240;
    p.FrameRate = 24;
    p.Template = {1, "Test"};
    return p;
  }

  std::string video_ = (home_ / "video.swf").string();
};

TEST_F(TemplateMovie, PrepareCutsEitherTrailerAndKeepsOtherFilesWhole) {
  const std::string swf = MovieBytes(home_ / "plain.swf", 400, 300, 1);
  const std::string xml = AreaXml(50, 40, 250, 190);
  struct Case {
    const char* Name;
    std::string Bytes;
    std::string Expected;
  } cases[] = {
      {"krwp", swf + Trailer(xml, "KRWP"), swf},
      {"krwt", swf + Trailer(xml, "KRWT"), swf},
      {"no trailer", swf, swf},
      // A length past the file's start cannot be cut: the file stays whole.
      {"lying length", swf + Trailer(xml, "KRWP", 1u << 30), swf + Trailer(xml, "KRWP", 1u << 30)},
      {"empty xml", swf + Trailer("", "KRWP"), swf},
  };
  const fs::path source = home_ / "Frames.template.swf";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    test::WriteFile(source, c.Bytes);
    ASSERT_TRUE(PrepareTemplate(source.string(), TSWFParam{}));
    EXPECT_EQ(test::ReadFile(TemplateCopyPath(TSWFParam{})), c.Expected);
  }
  // A template that cannot be copied leaves no older copy to be used.
  EXPECT_FALSE(PrepareTemplate((home_ / "missing.template.swf").string(), TSWFParam{}));
  EXPECT_FALSE(fs::exists(TemplateCopyPath(TSWFParam{})));
}

// The worked example: a 400 x 300 template with the image area
// (50, 40)-(250, 190) and a 320 x 240 video make a 640 x 480 movie, the
// template scaled by 1.6 and the video at (80, 64); the opening, the video
// under the template, and the ending follow each other.
TEST_F(TemplateMovie, ComposesTitlesAndTheVideoInTheTemplateWindow) {
  ScratchInputs();
  TSWFParam p = Param();
  p.PlayMode = kPlayNoLoop;
  ASSERT_TRUE(CreatFlashMovie("Test", video_, {50, 40, 250, 190}, p));
  TComposed c = ReadComposed(video_);
  EXPECT_EQ(c.Width, 640 * 20);
  EXPECT_EQ(c.Height, 480 * 20);
  EXPECT_EQ(c.Frames, 2 + 5 + 3 + 1);
  ASSERT_EQ(c.Placed.size(), 5u);
  // Opening: frame 0, stretched from 200 x 150 to the stage.
  EXPECT_EQ(c.Placed[0].Frame, 0);
  EXPECT_EQ(c.Placed[0].Depth, 0);
  EXPECT_NEAR(c.Placed[0].ScaleX, 3.2, 1e-4);
  EXPECT_NEAR(c.Placed[0].ScaleY, 3.2, 1e-4);
  // After the opening's two frames: the background, the template and the
  // video, in the order of their depths' meaning.
  for (int i = 1; i <= 3; ++i) EXPECT_EQ(c.Placed[i].Frame, 2) << i;
  EXPECT_EQ(c.Placed[1].Depth, 0);  // background rectangle
  EXPECT_EQ(c.Placed[2].Depth, 2);  // template
  EXPECT_NEAR(c.Placed[2].ScaleX, 1.6, 1e-4);
  EXPECT_NEAR(c.Placed[2].ScaleY, 1.6, 1e-4);
  EXPECT_EQ(c.Placed[3].Depth, 1);  // video
  EXPECT_EQ(c.Placed[3].Name, "MainMovie");
  EXPECT_EQ(c.Placed[3].TranslateX, 80 * 20);
  EXPECT_EQ(c.Placed[3].TranslateY, 64 * 20);
  EXPECT_NEAR(c.Placed[3].ScaleX, 1.0, 1e-9);
  // Ending after the video's five frames, 300 x 300 stretched to 640 x 480.
  EXPECT_EQ(c.Placed[4].Frame, 7);
  EXPECT_NEAR(c.Placed[4].ScaleX, 640.0 / 300, 1e-4);
  EXPECT_NEAR(c.Placed[4].ScaleY, 1.6, 1e-4);
  // "No Loop": the last frame stops.
  ASSERT_FALSE(c.StopFrames.empty());
  EXPECT_EQ(c.StopFrames.back(), 10);
}

TEST_F(TemplateMovie, BadInputsLeaveTheVideoMovieAsItWas) {
  ScratchInputs();
  const std::string before = test::ReadFile(video_);
  // An area without width or height is refused with the template's name.
  for (TImageArea area : {TImageArea{50, 40, 50, 190}, TImageArea{50, 40, 250, 40}}) {
    try {
      CreatFlashMovie("Test", video_, area, Param());
      ADD_FAILURE() << "an empty image area was accepted";
    } catch (const ETemplateError& e) {
      EXPECT_NE(std::string(e.what()).find("without width or height"), std::string::npos) << e.what();
    }
    EXPECT_EQ(test::ReadFile(video_), before);
  }
  // A template copy that is not a movie.
  test::WriteFile(TemplateCopyPath(TSWFParam{}), "not a movie");
  EXPECT_THROW(CreatFlashMovie("Test", video_, {50, 40, 250, 190}, Param()), ETemplateError);
  EXPECT_EQ(test::ReadFile(video_), before);
  // A missing ending movie: logged, nothing written.
  MovieBytes(TemplateCopyPath(TSWFParam{}), 400, 300, 1);
  fs::remove(EndTitleMoviePath(TSWFParam{}));
  EXPECT_FALSE(CreatFlashMovie("Test", video_, {50, 40, 250, 190}, Param()));
  EXPECT_EQ(test::ReadFile(video_), before);
  EXPECT_NE(test::ReadFile(LogFilePath()).find("function:CreatFlashMovie;file not Exitsts:" + PreludeMoviePath(TSWFParam{}) +
                                               " or " + EndTitleMoviePath(TSWFParam{})),
            std::string::npos);
}

// MP3 frames (MPEG-1 Layer III, 128 kbit/s, 44100 Hz) with filler data.
std::string Mp3Bytes(int frames) {
  std::string s;
  for (int i = 0; i < frames; ++i) s += std::string("\xFF\xFB\x90\x00", 4) + std::string(413, '\x55');
  return s;
}

// With music the composed movie becomes the sprite "ThirdAudio" of a
// wrapper of its size whose stream sound is the music; the "Replay" button
// is the wrapper's only. Without the music file the wrapper is still made.
TEST_F(TemplateMovie, MusicWrapsTheComposedMovieAsThirdAudio) {
  for (bool musicThere : {true, false}) {
    SCOPED_TRACE(musicThere ? "music" : "no music file");
    ScratchInputs();
    if (musicThere) test::WriteFile(TempFolder + "BackGroupMusic.mp3", Mp3Bytes(200));
    else fs::remove(TempFolder + "BackGroupMusic.mp3");
    TSWFParam p = Param();
    p.HasMusic = true;
    p.PlayMode = kPlayReplayButton;
    p.OutputFile = video_;
    ASSERT_TRUE(CreatFlashMovie("Test", video_, {50, 40, 250, 190}, p));

    TSWFStreamReader reader(video_);
    reader.ParseTags(true, true);
    ASSERT_TRUE(reader.IsSWF());
    EXPECT_EQ(reader.FrameRect.Right - reader.FrameRect.Left, 640 * 20);
    int heads = 0, blocks = 0, buttons = 0, wrappers = 0, rootPlacements = 0;
    for (size_t i = 0; i < reader.TagCount(); ++i) {
      TSWFTagInfo& info = reader.TagInfo(i);
      heads += info.TagCode == 18 || info.TagCode == 45;
      blocks += info.TagCode == 19;
      buttons += info.TagCode == 7 || info.TagCode == 34;
      if (auto* place = dynamic_cast<TSWFPlaceObject2*>(info.TagObject); place && place->HasCharacter) {
        ++rootPlacements;
        wrappers += place->Name() == "ThirdAudio" && place->Depth == 0;
      }
    }
    // The wrapper shows the composition (2 + 5 + 3 frames and the frame it
    // halts on) and its Replay frame.
    EXPECT_EQ(reader.FrameCount, 2 + 5 + 3 + 1 + 1);
    EXPECT_EQ(wrappers, 1);
    EXPECT_EQ(rootPlacements, 2);  // the wrapped movie and the Replay button
    EXPECT_EQ(buttons, 1);         // no Replay button inside the composition
    EXPECT_EQ(heads, musicThere ? 1 : 0);
    EXPECT_EQ(blocks > 0, musicThere);
  }
  EXPECT_NE(test::ReadFile(LogFilePath()).find("Not Found File:" + TempFolder + "BackGroupMusic.mp3"),
            std::string::npos);
}

// The front end's preparation refuses a template before anything is
// written: no trailer, a "KRWT" trailer, broken XML, no ImageArea, an area
// without width, a missing part.
TEST_F(TemplateMovie, PreparationRefusesTemplatesWithoutAUsableWindow) {
  const fs::path folder = data_.Path() / "templates" / "24";
  fs::create_directories(folder / "more");
  const std::string swf = MovieBytes(home_ / "plain.swf", 400, 300, 1);
  struct Case {
    const char* Name;
    std::string Bytes;
    const char* Message;  // empty: accepted
  } cases[] = {
      {"Good", swf + Trailer(AreaXml(50, 40, 250, 190), "KRWP"), ""},
      {"Bare", swf, "no readable image area"},
      {"Krwt", swf + Trailer(AreaXml(50, 40, 250, 190), "KRWT"), "no readable image area"},
      {"BadXml", swf + Trailer("<Template><ImageArea left=", "KRWP"), "no readable image area"},
      {"NoArea", swf + Trailer("<Template/>", "KRWP"), "no readable image area"},
      {"Thin", swf + Trailer(AreaXml(50, 40, 50, 190), "KRWP"), "without width or height"},
  };
  for (const Case& c : cases) {
    // The parts live in a subfolder, as installed templates may.
    test::WriteFile(folder / "more" / (std::string(c.Name) + ".template.swf"), c.Bytes);
    MovieBytes(folder / "more" / (std::string(c.Name) + ".prelude.swf"), 600, 450, 2);
    MovieBytes(folder / "more" / (std::string(c.Name) + ".endtitle.swf"), 600, 450, 2);
  }
  TTitleSettings titles;
  titles.Texts = {u"Title", u"By", u"", u"Cast"};
  for (TTitleStyle& s : titles.Styles) s.Effect = u"Fade";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    fs::remove(TemplateCopyPath(TSWFParam{}));
    fs::remove(PreludeMoviePath(TSWFParam{}));
    if (!*c.Message) {
      TImageArea a = PrepareGeneralTemplate(c.Name, titles, TSWFParam{});
      EXPECT_EQ(a.Right, 250);
      EXPECT_EQ(test::ReadFile(TemplateCopyPath(TSWFParam{})), swf);
      EXPECT_TRUE(fs::exists(PreludeMoviePath(TSWFParam{})));
      EXPECT_TRUE(fs::exists(EndTitleMoviePath(TSWFParam{})));
      continue;
    }
    try {
      PrepareGeneralTemplate(c.Name, titles, TSWFParam{});
      ADD_FAILURE() << "accepted";
    } catch (const ETemplateError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.Name), std::string::npos) << e.what();
    }
    EXPECT_FALSE(fs::exists(TemplateCopyPath(TSWFParam{})));
    EXPECT_FALSE(fs::exists(PreludeMoviePath(TSWFParam{})));
  }
  EXPECT_THROW(PrepareGeneralTemplate("Nowhere", titles, TSWFParam{}), ETemplateError);
  fs::remove(folder / "more" / "Good.endtitle.swf");
  EXPECT_THROW(PrepareGeneralTemplate("Good", titles, TSWFParam{}), ETemplateError);
}

// The lists the template page and `reelcast-cli templates` show.
TEST_F(TemplateMovie, ListsFollowTheDataFolder) {
  const fs::path players = data_.Path() / "templates" / "Players";
  const fs::path general = data_.Path() / "templates" / "24";
  fs::create_directories(players);
  fs::create_directories(general / "Seasons");
  for (const char* f : {"Classic Gray.swf", "Classic Gray.ini", "Dark.v2.swf", "SampleFlv.swf",
                        "SampleFlv.flv", "notes.txt", "AS.swf"})
    test::WriteFile(players / f, "x");
  for (const char* f : {"Gallery.template.swf", "Gallery.prelude.swf", "Seasons/Winter.template.swf",
                        "Seasons/Winter.endtitle.swf", "Broken.swf"})
    test::WriteFile(general / f, "x");
  // Without "as.swf" (the name compares exactly) no player is listed.
  EXPECT_TRUE(ListPlayerTemplates().empty());
  test::WriteFile(players / "as.swf", "x");
  EXPECT_EQ(ListPlayerTemplates(), (std::vector<std::string>{"AS", "Classic Gray", "Dark"}));
  EXPECT_EQ(ListGeneralTemplates(), (std::vector<std::string>{"Gallery", "Winter"}));
  // A template in a subfolder keeps its parts beside it.
  TGeneralTemplateFiles winter = GeneralTemplateFiles("Winter");
  EXPECT_EQ(fs::path(winter.Template), general / "Seasons" / "Winter.template.swf");
  EXPECT_EQ(fs::path(winter.EndTitle), general / "Seasons" / "Winter.endtitle.swf");

  TTemplateLists lists = LoadTemplateLists();
  EXPECT_EQ(lists.GeneralTemplates.size(), 2u);
  EXPECT_TRUE(lists.ControlBarStyles.empty());  // no "res/" in this data folder
  ASSERT_GE(lists.TextEffects.size(), 8u);
  for (const char* name : {"MoveDown", "Rotate", "Fade"})
    EXPECT_NE(std::find(lists.TextEffects.begin(), lists.TextEffects.end(), name), lists.TextEffects.end());
}

}  // namespace
}  // namespace reelcast
