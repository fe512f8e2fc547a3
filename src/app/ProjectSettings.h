// The two persistent settings objects of the publish settings: the
// preloader (TPreLoader) and the export settings (TExportSetting), and the
// URL record they carry.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace reelcast {

// Root of the persistent settings objects.
class TPersistent {
 public:
  virtual ~TPersistent() = default;
  // Copies what the class defines as its state from source; throws
  // EConvertError when source is of another class.
  virtual void Assign(const TPersistent& source);
};

// A failed Assign between unrelated classes.
class EConvertError : public std::exception {
 public:
  explicit EConvertError(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

enum TBarMode : uint8_t { bmNone = 0, bmBar = 1, bmText = 2, bmAll = 3 };

// The kinds of a published property, as Assign copies them.
enum class TPropertyKind { Ordinal, Float, String, WideString, Set };
using TPropertyValue = std::variant<int64_t, double, std::string, std::u16string>;

class TPreLoader;
struct TPreLoaderProperty {
  const char* Name;
  TPropertyKind Kind;
  TPropertyValue (*Get)(const TPreLoader&);
  void (*Set)(TPreLoader&, const TPropertyValue&);
};

class TPreLoader : public TPersistent {
 public:
  // Copies every published property of another TPreLoader, in property
  // order, through the property's setter.
  void Assign(const TPersistent& source) override;
  // The published properties in their order: BKColor, UseSprite,
  // SpriteStyle, SpriteX, SpriteY, UseCustomLogo, CustomLogo,
  // UseProgressBar, BarStyle, BarMode.
  static const std::vector<TPreLoaderProperty>& Properties();

  uint32_t BKColor = 0;  // background colour, 0x00BBGGRR
  bool UseSprite = false;
  std::u16string SpriteStyle;  // sprite movie name in "res/Preloaders/"
  double SpriteX = 0.5;        // fraction of the movie width
  double SpriteY = 0.4;        // fraction of the movie height
  bool UseCustomLogo = false;
  std::u16string CustomLogo;  // path of the user's picture
  bool UseProgressBar = false;
  std::u16string BarStyle;  // bar style name in "ProgressBars.xml"

  TBarMode BarMode() const { return barMode_; }
  void SetBarMode(TBarMode mode);

 private:
  // Called after every change of BarMode; nothing to do yet.
  void BarModeChanged() {}
  TBarMode barMode_ = bmNone;
};

enum TEmbedType : uint8_t { etEmbedFLV = 0, etSeperaterFLV = 1, etSeperaterURLFLV = 2 };

struct TURLInfo {
  uint8_t Enabled = 0;  // byte boolean
  std::string URL;
  std::string Target;  // "_self", "_blank", "_parent" or "_top"
};

class TExportSetting : public TPersistent {
 public:
  // Copies LoadingFrame and EmbedType only.
  void Assign(const TPersistent& source) override;

  uint32_t LoadingFrame = 0;  // 1 = add a preloader to embedded-video movies
  TEmbedType EmbedType = etEmbedFLV;
  bool AutoPlay = false;
  bool AutoRewind = false;
  bool RepeatPlay = false;
  TURLInfo ClickingUrl;
  TURLInfo PlayEndUrl;
};

// What the program sets at start-up: EmbedType etSeperaterFLV, AutoPlay true.
void SetStartupDefaults(TExportSetting& setting);

// Reads the "LD_" keys once (when the main window is created): the Yes/No
// texts, "LD_BarMode" only when it is 0 to 3, "LD_BACKCOLOR" 0 when missing.
void LoadPreloaderSettings(TPreLoader& preloader, TExportSetting& exportSetting);

// Captions of the embed types as the publish page offers them.
const char* EmbedTypeCaption(TEmbedType type);

}  // namespace reelcast
