// TFlashMovie composes every movie the system publishes: a factory that
// hands out character ids and keeps one ordered object list, and a timeline
// (placements, removals, frames). MakeStream writes the list into the body
// of the SWF file, with the header tags the settings call for and each
// frame's video data, then the closing frame and the End tag.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "movie/FlashActionScript.h"
#include "movie/FlashObject.h"
#include "swf/ControlTags.h"
#include "swf/SWFStream.h"

namespace reelcast {

class TFlashPlaceObject;
class TFlashPlaceVideo;
class TFlashSprite;
class TFlashButton;
class TFlashVideo;
class TFlashExternalMovie;
class TFlashShape;
class TFlashImage;
class TFlashFont;
class TFlashText;
class TFlashSound;
struct TFontDescription;
struct TPoint32;

class TFlashMovie : public TBasedSWFStream {
 public:
  // The stage XMin..XMax x YMin..YMax, in pixels (scaled by 20) or twips.
  TFlashMovie(int32_t xMin, int32_t yMin, int32_t xMax, int32_t yMax, float fps, bool inPixels);
  ~TFlashMovie() override;

  // 20 when the movie works in pixels, 1 in twips.
  int32_t Multiplier() const { return multiplier_; }

  // ------------------------------------------------------------ objects
  std::vector<std::unique_ptr<TBasedSWFObject>>& ObjectList() { return objects_; }
  // Appends (or, in insert mode, inserts) any tag or object; returns it.
  TBasedSWFObject* AddObject(std::unique_ptr<TBasedSWFObject> object);
  template <class T>
  T* AddObject(std::unique_ptr<T> object) {
    return static_cast<T*>(AddObject(std::unique_ptr<TBasedSWFObject>(std::move(object))));
  }
  // What every Add... does with a new id-bearing object: the next id, the
  // object list, the typed index (may be null).
  template <class T>
  T* RegisterObject(std::unique_ptr<T> object, TFlashObjectList* index) {
    T* raw = object.get();
    raw->SetOwner(this);
    raw->SetCharacterId(NextCharacterId);
    AddObject(std::unique_ptr<TBasedSWFObject>(std::move(object)));
    if (index) index->Add(raw);
    ++NextCharacterId;
    return raw;
  }
  // Moves object, when it stands after before in the object list, to
  // before's place (a sprite's definitions must precede the sprite).
  void MoveBefore(TBasedSWFObject* object, TBasedSWFObject* before);

  // Shapes (FlashShape.cpp): a shape given or a new empty one; the box
  // forms set the bounds, move the pen to the top-left corner and draw.
  TFlashShape* AddShape(std::unique_ptr<TFlashShape> shape = nullptr);
  TFlashShape* AddRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom);
  TFlashShape* AddRoundRect(int32_t left, int32_t top, int32_t right, int32_t bottom,
                            int32_t radius);
  TFlashShape* AddRoundRect(const TRect& rect, int32_t radius);
  TFlashShape* AddEllipse(int32_t left, int32_t top, int32_t right, int32_t bottom);
  TFlashShape* AddCircle(int32_t x, int32_t y, int32_t radius);
  // A picture file (JPEG, BMP or PNG); errors leave the movie unchanged.
  TFlashImage* AddImage(const std::string& fileName);
  // Fonts and texts (FlashText.cpp).
  TFlashFont* AddFont();
  TFlashFont* AddFont(const TFontDescription& font, bool deviceFont);
  TFlashText* AddText(const std::string& text, uint32_t rgba, TFlashFont* font, TPoint32 point,
                      uint8_t align = 0);
  TFlashText* AddText(const std::u16string& text, uint32_t rgba, TFlashFont* font,
                      TPoint32 point, uint8_t align = 0);
  TFlashText* AddText(const std::string& text, uint32_t rgba, TFlashFont* font, const TRect& rect);
  TFlashText* AddText(const std::u16string& text, uint32_t rgba, TFlashFont* font,
                      const TRect& rect);
  TFlashText* AddDynamicText(const std::string& variableName, const std::string& text,
                             const TRect& rect, TFlashFont* font, uint32_t rgba);
  TFlashText* AddDynamicText(const std::string& variableName, const std::u16string& text,
                             const TRect& rect, TFlashFont* font, uint32_t rgba);
  TFlashVideo* AddVideo(const std::string& fileName);
  // An event sound (DefineSound) from a WAV or MP3 file; errors leave the
  // movie unchanged (FlashSound.h).
  TFlashSound* AddSound(const std::string& fileName);
  TFlashSprite* AddSprite(TFlashVisualObject* firstObject = nullptr);
  TFlashButton* AddButton(bool trackAsMenu = false, bool advanced = true);
  TFlashExternalMovie* AddExternalMovie(const std::string& fileName, uint8_t importMode, bool renumber);

  // ------------------------------------------------------------ timeline
  TFlashPlaceObject* PlaceObject(TFlashVisualObject* object, uint16_t depth);
  TFlashPlaceVideo* PlaceVideo(TFlashVideo* video, uint16_t depth);
  void RemoveObject(uint16_t depth, TFlashIDObject* object = nullptr);
  // Closes the frame being built: its label, its actions, Count frames.
  void ShowFrame(uint16_t count = 1);

  size_t VideoPlacementCount() const { return videoPlacements_.size(); }
  TFlashPlaceVideo* VideoPlacement(size_t index) const;

  // ------------------------------------------------------------ settings
  TSWFRGB& BackgroundColor();  // every request sets UseBackgroundColor
  TFlashActionScript& FrameActions();
  TSWFFileAttributes& FileAttributes();
  TFlashButtonList& Buttons() { return buttons_; }
  TFlashFontList& Fonts() { return fonts_; }
  TFlashImageList& Images() { return images_; }
  TFlashShapeList& Shapes() { return shapes_; }
  TFlashSpriteList& Sprites() { return sprites_; }
  TFlashTextList& Texts() { return texts_; }
  TFlashVideoList& Videos() { return videos_; }

  uint16_t NextCharacterId = 1;
  bool InsertMode = false;
  int32_t InsertPosition = 0;
  bool UseBackgroundColor = false;
  std::string FrameLabel;
  // When set, ShowFrame keeps the frame's actions as the bytes of their tag
  // (TFlashWrittenActions) instead of as action objects.
  bool FrameActionsAsBytes = false;
  uint32_t CurrentFrame = 0;
  uint16_t MaxDepth = 0;
  bool UseFileAttributes = false;
  std::string Metadata;
  bool Protect = false;
  std::string Password;
  // The movie's own stream sound: created on first request, with Loop set
  // and no file (composition code loads one with LoadFromFile); creating it
  // sets HasStreamSound. Owned by the movie, not in the object list.
  TFlashSound& StreamSound();
  // The stream sound is written; a video placement with sound clears it.
  bool HasStreamSound = false;
  void DropStreamSound() { HasStreamSound = false; }

  // Builds the body from the object list (again from scratch each time).
  void MakeStream() override;

 private:
  std::vector<std::unique_ptr<TBasedSWFObject>> objects_;
  std::vector<std::unique_ptr<TFlashPlaceVideo>> videoPlacements_;
  std::unique_ptr<TSWFRGB> backgroundColor_;
  std::unique_ptr<TFlashActionScript> frameActions_;
  std::unique_ptr<TSWFFileAttributes> fileAttributes_;
  std::unique_ptr<TFlashSound> streamSound_;
  TFlashButtonList buttons_;
  TFlashFontList fonts_;
  TFlashImageList images_;
  TFlashShapeList shapes_;
  TFlashSpriteList sprites_;
  TFlashTextList texts_;
  TFlashVideoList videos_;
};

}  // namespace reelcast
