#include "sources/TaskList.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "app/Config.h"
#include "app/Paths.h"
#include "app/TextConvert.h"
#include "sources/EncoderChoice.h"

namespace reelcast {
namespace {

namespace fs = std::filesystem;

std::string Format(const char* pattern, const std::string& value) {
  std::vector<char> buffer(value.size() + 256);
  std::snprintf(buffer.data(), buffer.size(), pattern, value.c_str());
  return buffer.data();
}

std::string TwoDigits(int n) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d", n);
  return buffer;
}

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

// The chapter count text as a number, 1 when it is not one.
int ChapterCountOf(const TTask& task) {
  try {
    size_t used = 0;
    int n = std::stoi(task.Base.ChapterCount, &used);
    return used == task.Base.ChapterCount.size() ? n : 1;
  } catch (...) {
    return 1;
  }
}

// The two characters at positions 5 and 6 of the name read as a number
// ("VTS_03_0.IFO" gives 3); 0 when they are not digits.
int SetNumberOf(const std::string& name) {
  if (name.size() < 6 || !std::isdigit(static_cast<unsigned char>(name[4])) ||
      !std::isdigit(static_cast<unsigned char>(name[5])))
    return 0;
  return (name[4] - '0') * 10 + (name[5] - '0');
}

bool IsInfoFileName(const std::string& name) {
  if (name.size() < 7) return false;
  return EqualsNoCase(name.substr(0, 3), "VTS") && EqualsNoCase(name.substr(name.size() - 4), ".IFO");
}

}  // namespace

std::string UnusableTitlesText(const std::vector<std::string>& titleNames, const std::string& vobProblem) {
  std::string names;
  for (size_t i = 0; i < titleNames.size(); ++i)
    names += (i == 0 ? "" : i + 1 == titleNames.size() ? " and " : ", ") + titleNames[i];
  return names + " cannot be used: " + vobProblem;
}

TTaskList::TTaskList(THost host) : host_(std::move(host)) {}

void TTaskList::Message(const std::string& text) const {
  NVLog(text);
  if (host_.ShowMessage) host_.ShowMessage(text, "Information");
}

bool TTaskList::LoadDvdFolder(const std::string& chosenFolder) {
  NVLog("Load from DVD folder.");
  if (chosenFolder.empty()) return false;  // the folder browser was cancelled
  std::string path = WithSlash(chosenFolder);
  std::error_code ec;
  if (path.find("VIDEO_TS/") == std::string::npos) {
    std::string below = ResolveRelative(path, "VIDEO_TS");
    if (fs::is_directory(below, ec)) path = WithSlash(below);
  }
  if (!fs::is_regular_file(ResolveRelative(path, "VTS_01_0.IFO"), ec)) {
    Message(Format("%s is not a valid DVD folder.", path));
    return false;
  }
  std::vector<std::string> files;
  for (auto it = fs::directory_iterator(path, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (IsInfoFileName(name) && it->is_regular_file(ec)) files.push_back(path + name);
  }
  if (ec && files.empty()) {
    Message(Format("%s is not a valid DVD folder.", path));
    return false;
  }
  // The listing order of the file system the program was made for: by name.
  std::sort(files.begin(), files.end(),
            [](const std::string& a, const std::string& b) { return CompareNoCase(a, b) < 0; });
  for (const auto& f : files) NVLog(f);
  if (files.empty()) return false;
  openFileText_ = path;
  LoadDvdFiles(files);
  return root_ != nullptr;
}

bool TTaskList::LoadDvdFiles(const std::vector<std::string>& files) {
  if (files.empty()) return false;
  ClearRows();
  staging_.clear();
  std::string folder = WithSlash(fs::path(files.front()).parent_path().string());
  TTask root;
  root.Base.Name = folder.substr(0, folder.size() - 1);
  root.Base.SourcePath = folder;
  staging_.push_back(root);

  if (host_.SetBusy) host_.SetBusy(true);
  int totalTitles = 0;
  for (const auto& file : files) {
    std::string name = fs::path(file).filename().string();
    if (EqualsNoCase(name, "VIDEO_TS.IFO")) continue;
    TIfoHandle h = IFOOpen(file);
    totalTitles += IFOGetTitleCount(h);
    IFOClose(h);
    LoadTitleSet(file, SetNumberOf(name));
  }
  (void)totalTitles;  // the rows are built from the staging array itself
  BuildTaskTree();
  if (host_.EnableSourceControls) host_.EnableSourceControls(true);
  if (host_.SetBusy) host_.SetBusy(false);
  ReportUnusableTitles();
  if (!CheckTitleDecoder()) Clear();
  return true;
}

bool TTaskList::LoadTitleSet(const std::string& path, int setNumber) {
  TIfoHandle h = IFOOpen(path);
  if (!h) {
    NVLog("IFOOpen: " + IFOLastError());
    Message(Format("Failed to parse IFO file [%s]!", path));
    return false;
  }
  int titles = IFOGetTitleCount(h);
  for (int i = 0; i < titles; ++i) {
    TTask title;
    TBase& b = title.Base;
    b.Name = "Title_" + TwoDigits(setNumber) + "_" + TwoDigits(i + 1);
    b.DestinationName = "Title_" + TwoDigits(setNumber) + TwoDigits(i + 1);
    b.Length = IFOGetTitleLength(h, i);
    b.RoundedLength = RoundHalfEven(b.Length);
    b.TitleIndex = i;
    b.TitleSetHandle = h;
    int chapters = IFOGetChapterCount(h, i);
    b.ChapterCount = std::to_string(chapters);
    b.AudioTracks = std::make_shared<TStringList>();
    for (int a = 0; a < IFOGetTitleAudioTrackCount(h, i); ++a)
      b.AudioTracks->push_back(Utf16ToUtf8(IFOGetAudioTrackDesc(h, i, a)));
    b.Subtitles = std::make_shared<TStringList>();
    for (int s = 0; s < IFOGetTitleSubTitleCount(h, i); ++s)
      b.Subtitles->push_back(Utf16ToUtf8(IFOGetSubTitleDesc(h, i, s)));
    b.SourcePath = path;
    b.BeginTime = IFOGetTitleBeginTime(h, i);
    b.VobProblem = IFOGetTitleVobProblem(h, i);
    title.Checked = b.Length > 3.0 && b.VobProblem.empty();
    title.TrimStart = 0;
    title.TrimEnd = b.Length;
    title.SubtitleIndex = static_cast<int32_t>(b.Subtitles->size());
    title.AudioTrackIndex = 0;
    staging_.push_back(title);

    for (int j = 0; j < chapters; ++j) {
      TTask chapter;
      TBase& c = chapter.Base;
      c.Name = "Chapter_" + TwoDigits(j + 1);
      char suffix[48];
      std::snprintf(suffix, sizeof suffix, "-%d%d%d", setNumber, i + 1, j + 1);
      c.DestinationName = c.Name + suffix;
      c.Length = IFOGetChapterLength(h, i, j);
      c.RoundedLength = RoundHalfEven(c.Length);
      c.TitleIndex = i;
      c.TitleSetHandle = h;
      c.SourcePath = path;
      c.BeginTime = IFOGetChapterBeginTime(h, i, j);
      c.ChapterIndex = j;
      c.VobProblem = b.VobProblem;
      chapter.TrimStart = 0;
      chapter.TrimEnd = c.Length;
      chapter.Checked = chapters == 1 && c.VobProblem.empty();
      chapter.AudioTrackIndex = 0;
      // A chapter starts with its title's "no subtitle", so that a checked
      // chapter that is never selected is not converted with the first
      // subtitle stream burnt in.
      chapter.SubtitleIndex = title.SubtitleIndex;
      staging_.push_back(chapter);
    }
  }
  IFOClose(h);
  return true;
}

void TTaskList::BuildTaskTree() {
  if (staging_.size() <= 1) {
    Clear();
    staging_.clear();
    return;
  }
  TEncoderParams encoder = host_.DefaultEncoder
                               ? host_.DefaultEncoder()
                               : DefaultEncoderParams(TEncoderChoice::FromSettings(),
                                                      EncMgrGetFormatTable());
  auto withDefaults = [&](TTask task) {
    task.Encoder = encoder;
    task.Volume = 100;
    task.Brightness = task.Contrast = task.Saturation = 0;
    task.EffectFlags = kEffectNone;
    task.Reserved = 0;
    task.Crop = TCropRect{};
    return task;
  };

  ClearRows();
  root_ = std::make_unique<TTaskRow>();
  root_->Task = withDefaults(staging_[0]);
  // Rows in list order take the staging records at the same positions: each
  // title is followed by as many chapter rows as its chapter count.
  size_t at = 1;
  while (at < staging_.size()) {
    auto title = std::make_unique<TTaskRow>();
    title->Task = withDefaults(staging_[at++]);
    title->Parent = root_.get();
    int chapters = ChapterCountOf(title->Task);
    for (int j = 0; j < chapters && at < staging_.size(); ++j) {
      auto chapter = std::make_unique<TTaskRow>();
      chapter->Task = withDefaults(staging_[at++]);
      chapter->Parent = title.get();
      title->Children.push_back(std::move(chapter));
    }
    root_->Children.push_back(std::move(title));
  }

  root_->Expanded = true;
  auto& titles = root_->Children;
  for (auto& title : titles) {
    title->Expanded = false;
    auto& chapters = title->Children;
    for (auto it = chapters.begin(); it != chapters.end();) {
      if ((*it)->Task.Base.RoundedLength <= 0) {
        it = chapters.erase(it);
        title->Task.Base.ChapterCount = std::to_string(ChapterCountOf(title->Task) - 1);
      } else {
        ++it;
      }
    }
  }
  titles.erase(std::remove_if(titles.begin(), titles.end(),
                              [](const std::unique_ptr<TTaskRow>& t) {
                                return t->Task.Base.RoundedLength <= 0 || ChapterCountOf(t->Task) == 0;
                              }),
               titles.end());
  for (auto& title : titles)
    if (ChapterCountOf(title->Task) == 1 && title->Children.size() == 1 && title->Task.Base.VobProblem.empty())
      title->Children[0]->Task.Checked = true;

  if (titles.empty())
    Clear();
  else
    Select(titles.front().get());
  staging_.clear();
}

void TTaskList::ReportUnusableTitles() {
  // The titles a damaged file makes unusable, in list order, by the file's problem.
  std::vector<std::pair<std::string, std::vector<std::string>>> damaged;
  for (TTaskRow* title : Titles()) {
    const TBase& b = title->Task.Base;
    if (b.VobProblem.empty()) continue;
    auto it = std::find_if(damaged.begin(), damaged.end(), [&](const auto& d) { return d.first == b.VobProblem; });
    if (it == damaged.end()) it = damaged.insert(damaged.end(), {b.VobProblem, {}});
    it->second.push_back(b.Name);
  }
  for (const auto& [problem, names] : damaged) Message(UnusableTitlesText(names, problem) + ".");
}

bool TTaskList::CheckTitleDecoder() {
  auto titles = Titles();
  if (titles.empty()) return false;
  // Titles that cannot be read were named already; the first one that can
  // is tried. When none can, there is nothing to decode.
  auto usable = std::find_if(titles.begin(), titles.end(),
                             [](const TTaskRow* t) { return t->Task.Base.VobProblem.empty(); });
  if (usable == titles.end()) {
    Message("Failed to create decoder.");
    return false;
  }
  const TTask& first = (*usable)->Task;
  TVideoDecoderParams params = first.VideoStreamSelection();
  int32_t error = 0;
  TVideoDecoderHandle decoder = WVDCreate(first.Base.SourcePath, &params, &error);
  if (error == kWvdInfoUnreadable || error == kWvdNoVideo) {
    NVLog("WVDCreate: " + IFOLastError());
    Message("Failed to create decoder.");
    return false;
  }
  if (const TVideoInfo* info = WVDGetVideoInfo(decoder)) {
    pictureWidth_ = info->Width;
    pictureHeight_ = info->Height;
  }
  WVDDestroy(decoder);
  return true;
}

bool TTaskList::PictureSize(const std::string& ifoPath, int* width, int* height) {
  TVideoDecoderParams params;
  int32_t error = 0;
  TVideoDecoderHandle decoder = WVDCreate(ifoPath, &params, &error);
  const TVideoInfo* info = decoder ? WVDGetVideoInfo(decoder) : nullptr;
  if (info) {
    *width = info->Width;
    *height = info->Height;
  }
  WVDDestroy(decoder);
  return info != nullptr;
}

void TTaskList::ClearRows() {
  selected_ = nullptr;
  root_.reset();
}

void TTaskList::Clear() {
  ClearRows();
  openFileText_.clear();
}

std::vector<TTaskRow*> TTaskList::Titles() const {
  std::vector<TTaskRow*> out;
  if (root_)
    for (auto& t : root_->Children) out.push_back(t.get());
  return out;
}

std::vector<TTaskRow*> TTaskList::Rows() const {
  std::vector<TTaskRow*> out;
  if (!root_) return out;
  out.push_back(root_.get());
  for (auto& t : root_->Children) {
    out.push_back(t.get());
    for (auto& c : t->Children) out.push_back(c.get());
  }
  return out;
}

TTaskRow* TTaskList::TitleOf(TTaskRow* row) {
  if (!row || !row->Parent) return nullptr;  // none, or the root
  return row->Parent->Parent ? row->Parent : row;
}

std::vector<std::string> TTaskList::SubtitleItemsOf(const TTaskRow* title) const {
  std::vector<std::string> items;
  if (title->Task.Base.Subtitles) items = *title->Task.Base.Subtitles;
  if (std::find(items.begin(), items.end(), kNoSubtitle) == items.end())
    items.push_back(kNoSubtitle);
  return items;
}

TStreamChoice TTaskList::Select(TTaskRow* row) {
  selected_ = row;
  TStreamChoice choice;
  TTaskRow* title = TitleOf(row);
  if (!title) {
    if (host_.EnableSourceControls) host_.EnableSourceControls(false);
    return choice;
  }
  if (host_.EnableSourceControls) host_.EnableSourceControls(true);
  std::error_code ec;
  if (!fs::exists(row->Task.Base.SourcePath, ec)) return choice;
  if (row != title) {
    row->Task.SubtitleIndex = title->Task.SubtitleIndex;
    row->Task.AudioTrackIndex = title->Task.AudioTrackIndex;
  }
  if (title->Task.Base.AudioTracks) choice.AudioItems = *title->Task.Base.AudioTracks;
  int audio = title->Task.AudioTrackIndex;
  choice.AudioItem = audio >= 0 && audio < static_cast<int>(choice.AudioItems.size()) ? audio : -1;
  choice.SubtitleItems = SubtitleItemsOf(title);
  int noSubtitle = static_cast<int>(
      std::find(choice.SubtitleItems.begin(), choice.SubtitleItems.end(), kNoSubtitle) -
      choice.SubtitleItems.begin());
  int sub = title->Task.SubtitleIndex;
  choice.SubtitleItem =
      sub >= 0 && sub < static_cast<int>(choice.SubtitleItems.size()) ? sub : noSubtitle;
  if (choice.SubtitleItems.size() == 1) title->Task.SubtitleIndex = -1;
  return choice;
}

void TTaskList::ChooseAudioTrack(TTaskRow* row, int index) {
  TTaskRow* title = TitleOf(row);
  if (!title || index == title->Task.AudioTrackIndex) return;
  title->Task.AudioTrackIndex = index;
  for (auto& chapter : title->Children) chapter->Task.AudioTrackIndex = index;
}

void TTaskList::ChooseSubtitle(TTaskRow* row, int item) {
  TTaskRow* title = TitleOf(row);
  if (!title) return;
  auto items = SubtitleItemsOf(title);
  int value = item >= 0 && item < static_cast<int>(items.size()) && items[item] == kNoSubtitle
                  ? -1 : item;
  title->Task.SubtitleIndex = value;
  for (auto& chapter : title->Children) chapter->Task.SubtitleIndex = value;
}

TTaskArray TTaskList::CheckedTasks() const {
  TTaskArray out;
  for (TTaskRow* row : Rows())
    if (row->Parent && row->Task.Checked) out.push_back(row->Task);
  return out;
}

}  // namespace reelcast
