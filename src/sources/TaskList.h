// The source list: the rows of a loaded DVD folder (the root, its titles,
// each title's chapters), each holding one TTask, with loading, the staging
// array, the first-title decoder check, and the audio track and subtitle
// choice. The desktop window shows it; reelcast-cli prints it. Both reach the
// user only through the host callbacks.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sources/Task.h"

namespace reelcast {

struct TTaskRow {
  TTask Task;
  TTaskRow* Parent = nullptr;  // not owning; null for the root
  std::vector<std::unique_ptr<TTaskRow>> Children;
  bool Expanded = false;

  int Level() const { return Parent ? Parent->Level() + 1 : 0; }
};

// What the window shows in its audio and subtitle boxes for a row.
struct TStreamChoice {
  std::vector<std::string> AudioItems;
  int AudioItem = -1;
  std::vector<std::string> SubtitleItems;  // ends with "No_SubTitle"
  int SubtitleItem = -1;
};

inline constexpr const char* kNoSubtitle = "No_SubTitle";

// The line that tells the user which titles cannot be used and why:
// "Title_02_01 cannot be used: /dvd/VIDEO_TS/VTS_02_1.VOB is missing".
std::string UnusableTitlesText(const std::vector<std::string>& titleNames, const std::string& vobProblem);

class TTaskList {
 public:
  // What the list needs from the window around it; every member may be
  // empty.
  struct THost {
    // A message box with an OK button.
    std::function<void(const std::string& text, const std::string& caption)> ShowMessage;
    std::function<void(bool on)> EnableSourceControls;
    std::function<void(bool busy)> SetBusy;  // the hourglass cursor
    // The default encoder parameters of the Encoder page's current state;
    // when empty, they come from the settings and the encoder manager.
    std::function<TEncoderParams()> DefaultEncoder;
  };

  explicit TTaskList(THost host = {});
  // A list loaded on another thread takes the window's callbacks when it is
  // handed to the window.
  void SetHost(THost host) { host_ = std::move(host); }

  // Loads the DVD of a chosen folder: "VIDEO_TS/" is appended when the
  // folder holds one, the folder must hold "VTS_01_0.IFO" (else "%s is not
  // a valid DVD folder." and the previous list stays), and every "VTS*.IFO"
  // of it is loaded. File names compare without regard to case. Titles
  // whose VOB files are missing, empty or cut short stay in the list,
  // unchecked, and are named in a message; the others load as usual.
  // Returns true when a DVD was loaded.
  bool LoadDvdFolder(const std::string& chosenFolder);
  // Reads the title sets and builds the rows; false when files is empty.
  bool LoadDvdFiles(const std::vector<std::string>& files);
  // Appends the records of one title set to the staging array; false (after
  // "Failed to parse IFO file [%s]!") when it cannot be opened.
  bool LoadTitleSet(const std::string& path, int setNumber);
  // Turns the staging array into rows and empties it.
  void BuildTaskTree();
  // Names every title that cannot be read from its VOB files, one message
  // per damaged file.
  void ReportUnusableTitles();
  // Test-opens the first title that can be read; false after "Failed to
  // create decoder." (also when no title can be read).
  bool CheckTitleDecoder();
  // Empties the list and the folder box.
  void Clear();

  TTaskRow* Root() const { return root_.get(); }
  std::vector<TTaskRow*> Titles() const;
  std::vector<TTaskRow*> Rows() const;  // list order: root, title, its chapters, ...
  const std::string& OpenFileText() const { return openFileText_; }
  TTaskArray& Staging() { return staging_; }
  // The first title's picture, kept by CheckTitleDecoder.
  int PictureWidth() const { return pictureWidth_; }
  int PictureHeight() const { return pictureHeight_; }

  // Selecting a row: a chapter first takes its title's audio track and
  // subtitle index; the boxes show the title's lists. A title whose list
  // holds only "No_SubTitle" gets the subtitle index -1. The root or null
  // selects nothing and gives empty boxes.
  TStreamChoice Select(TTaskRow* row);
  TTaskRow* Selected() const { return selected_; }
  // The audio track or subtitle item chosen for a row's title: the title and
  // every chapter of it take it ("No_SubTitle" gives -1).
  void ChooseAudioTrack(TTaskRow* row, int index);
  void ChooseSubtitle(TTaskRow* row, int item);
  // The records of the checked title and chapter rows, in list order.
  TTaskArray CheckedTasks() const;

  // The picture size of a title set through a video decoder created for
  // it; false when none can be created.
  static bool PictureSize(const std::string& ifoPath, int* width, int* height);

 private:
  void Message(const std::string& text) const;
  void ClearRows();
  static TTaskRow* TitleOf(TTaskRow* row);
  std::vector<std::string> SubtitleItemsOf(const TTaskRow* title) const;

  THost host_;
  std::unique_ptr<TTaskRow> root_;
  TTaskArray staging_;
  std::string openFileText_;
  TTaskRow* selected_ = nullptr;
  int pictureWidth_ = 0;
  int pictureHeight_ = 0;
};

}  // namespace reelcast
