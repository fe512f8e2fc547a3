// reelcast-cli flv2swf with general templates on ffmpeg's FLVs: bad
// templates are refused before anything is written; good ones give a
// movie of the template's proportions.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "movie/FlashMovie.h"
#include "movie/FlashShape.h"
#include "publish/PublishedMovie.h"
#include "publish/TemplateTrailer.h"

namespace reelcast::test {
namespace {

namespace fs = std::filesystem;

std::string MovieBytes(const fs::path& path, int w, int h) {
  TFlashMovie m(0, 0, w, h, 24, true);
  TFlashShape* box = m.AddRectangle(0, 0, w, h / 4);
  box->AddSolidFill(0xFF2040A0u);
  m.PlaceObject(box, 1);
  m.ShowFrame(2);
  m.MakeStream();
  m.SaveToFile(path.string());
  return ReadFile(path);
}

std::string Trailer(const std::string& xml, const char* magic) {
  std::string out = xml;
  const uint32_t n = static_cast<uint32_t>(xml.size());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
  return out + magic;
}

TEST(GeneralTemplateCli, BadTemplatesAreRefusedBeforeAnythingIsWritten) {
  TempDir dir;
  MakePublishFlv((dir / "in.flv").string());  // 160 x 120
  const fs::path data = dir / "data";
  const fs::path folder = data / "templates" / "24";
  fs::create_directories(folder);
  const std::string swf = MovieBytes(dir / "plain.swf", 400, 300);
  const std::string area = "<T><ImageArea left=\"40\" top=\"30\" right=\"360\" bottom=\"270\"/></T>";
  struct Case {
    const char* Name;
    std::string Bytes;  // empty: no template file
    const char* Message;
  } cases[] = {
      {"Bare", swf, "has no readable image area"},
      {"Krwt", swf + Trailer(area, "KRWT"), "has no readable image area"},
      {"BadXml", swf + Trailer("<T><ImageArea left=", "KRWP"), "has no readable image area"},
      {"NoArea", swf + Trailer("<T><Other/></T>", "KRWP"), "has no readable image area"},
      {"Flat", swf + Trailer("<T><ImageArea left=\"40\" top=\"30\" right=\"360\" bottom=\"30\"/></T>", "KRWP"),
       "image area without width or height: (40, 30)-(360, 30)"},
      {"NotAMovie", "just text" + Trailer(area, "KRWP"), "is not an SWF movie"},
      {"Missing", "", "There is no general template \"Missing\""},
      {"NoEnding", swf + Trailer(area, "KRWP"), "lacks"},
      {"Good", swf + Trailer(area, "KRWP"), ""},
  };
  for (const Case& c : cases) {
    const std::string name = c.Name;
    if (!c.Bytes.empty()) WriteFile(folder / (name + ".template.swf"), c.Bytes);
    MovieBytes(folder / (name + ".prelude.swf"), 600, 450);
    if (name != "NoEnding") MovieBytes(folder / (name + ".endtitle.swf"), 600, 450);
  }
  ScopedEnv dataEnv("REELCAST_DATA_DIR", data.string());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const fs::path out = dir / (std::string(c.Name) + ".swf");
    auto r = Flv2Swf((dir / "in.flv").string(), out.string(),
                     {"--template", std::string("general:") + c.Name, "--title-text", "T", "--html"});
    if (!*c.Message) {
      ASSERT_EQ(r.ExitCode, 0) << r.Output;
      // A 320 x 240 window of a 400 x 300 template around a 160 x 120 video.
      int32_t w = 0, h = 0;
      ASSERT_TRUE(SwfPixelSize(out.string(), w, h));
      EXPECT_EQ(w, 200);
      EXPECT_EQ(h, 150);
      EXPECT_TRUE(fs::exists(dir / (std::string(c.Name) + ".html")));
    } else {
      EXPECT_EQ(r.ExitCode, 1) << r.Output;
      EXPECT_NE(r.Output.find(c.Message), std::string::npos) << r.Output;
      EXPECT_FALSE(fs::exists(out));
      EXPECT_FALSE(fs::exists(dir / (std::string(c.Name) + ".html")));
    }
    EXPECT_FALSE(fs::exists(out.string() + ".video.swf"));
  }
}

// A conversion job with a general template: the titles are rendered, the
// image area read and the template copied before the job, and the movie is
// composed at its end. A template whose window has no height is refused
// before anything is converted.
TEST(GeneralTemplateCli, ConvertComposesTheTemplateMovieAndRefusesAFlatWindow) {
  TempDir dir;
  auto convert = [&](const std::string& name, const std::string& out) {
    return RunProcess({(BinDir() / "reelcast-cli").string(), "convert", DvdFixture().string(), "-o", out,
                       "--format", "swf", "--titles", "1", "--trim", "0-2", "--size", "320x240", "--template",
                       "general:" + name, "--cast-text", "Everyone", "-y"},
                      300);
  };
  const std::string good = (dir / "framed.swf").string();
  auto made = convert("Gallery", good);
  ASSERT_EQ(made.ExitCode, 0) << made.Output;
  int32_t w = 0, h = 0;
  ASSERT_TRUE(SwfPixelSize(good, w, h));
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  auto dump = RunProcess({(BinDir() / "reelcast-cli").string(), "swf", "dump", good});
  EXPECT_NE(dump.Output.find("MainMovie"), std::string::npos);

  const fs::path data = dir / "data";
  fs::create_directories(data / "templates" / "24");
  fs::copy(DataDir(), data, fs::copy_options::recursive | fs::copy_options::skip_existing);
  WriteFile(data / "templates" / "24" / "Flat.template.swf",
            MovieBytes(dir / "plain.swf", 400, 300) +
                Trailer("<T><ImageArea left=\"40\" top=\"30\" right=\"360\" bottom=\"30\"/></T>", "KRWP"));
  MovieBytes(data / "templates" / "24" / "Flat.prelude.swf", 600, 450);
  MovieBytes(data / "templates" / "24" / "Flat.endtitle.swf", 600, 450);
  ScopedEnv dataEnv("REELCAST_DATA_DIR", data.string());
  const std::string flat = (dir / "flat.swf").string();
  auto refused = convert("Flat", flat);
  EXPECT_EQ(refused.ExitCode, 1) << refused.Output;
  EXPECT_NE(refused.Output.find("image area without width or height"), std::string::npos) << refused.Output;
  EXPECT_FALSE(fs::exists(flat));
}

}  // namespace
}  // namespace reelcast::test
