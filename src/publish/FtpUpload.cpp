#include "publish/FtpUpload.h"

#include <filesystem>
#include <utility>

#include "app/Config.h"
#include "app/SettingsKeys.h"
#include "app/TextConvert.h"
#include "publish/HtmlPage.h"

namespace reelcast {

namespace {

namespace fs = std::filesystem;

constexpr const char* kKeyHost = keys::FTPHost;
constexpr const char* kKeyPort = keys::FTPPort;
constexpr const char* kKeyUser = keys::FTPUser;
constexpr const char* kKeyPass = keys::FTPPass;
constexpr const char* kKeyDir = keys::FtpDir;  // the dialog's spelling

// Deep enough for any real site; a deeper tree is a link loop.
constexpr int kMaxDepth = 64;
// Folder visits the removal count may make before it gives up.
constexpr int kCountBudget = 10000;

std::string ReadKey(const char* key) {
  const char16_t* value = NVGetConfigStrPtr(key);
  return value ? Utf16ToUtf8(value) : std::string();
}

void WriteIfChanged(const char* key, const std::string& text) {
  if (ReadKey(key) != text) NVSetConfigStr(key, Utf8ToUtf16(text));
}

}  // namespace

std::vector<std::string> UploadFileList(const TSWFParam& param) {
  fs::path output(param.OutputFile);
  fs::path folder = output.parent_path();
  std::string base = output.stem().string();
  auto sibling = [&](const char* extension) { return (folder / (base + extension)).string(); };
  bool externalFlv = param.Template.Kind == 2 && param.ExportSetting &&
                     param.ExportSetting->EmbedType == etSeperaterFLV;
  std::vector<std::string> files;
  switch (param.OutputKind) {
    case kOutputFlv:
      files.push_back(param.OutputFile);
      break;
    case kOutputSwf:
      files.push_back(param.OutputFile);
      if (param.PublishHtml) {
        files.push_back(sibling(".html"));
        // A page that loads the player from beside itself takes its files along.
        for (std::string& file : PageLoaderFiles(sibling(".html"))) files.push_back(std::move(file));
      }
      if (externalFlv) files.push_back(sibling(".flv"));
      break;
    case kOutputProjector:
      files.push_back(sibling(".exe"));
      if (externalFlv) files.push_back(sibling(".flv"));
      break;
    default:  // a screen saver is not uploaded
      break;
  }
  return files;
}

int FtpPortNumber(const std::string& text) {
  if (text.empty() || text.size() > 5) return 21;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 21;
    value = value * 10 + (c - '0');
  }
  return value >= 1 && value <= 65535 ? value : 21;
}

TFtpSettings LoadFtpSettings() {
  TFtpSettings s;
  s.Host = ReadKey(kKeyHost);
  s.Port = ReadKey(kKeyPort);
  s.User = ReadKey(kKeyUser);
  s.Password = ReadKey(kKeyPass);
  s.Dir = ReadKey(kKeyDir);
  return s;
}

void StoreFtpSettings(const TFtpSettings& s) {
  WriteIfChanged(kKeyHost, s.Host);
  if (ReadKey(kKeyPort) != s.Port) NVSetConfigInt(kKeyPort, FtpPortNumber(s.Port));
  WriteIfChanged(kKeyUser, s.User);
  WriteIfChanged(kKeyPass, s.Password);
  WriteIfChanged(kKeyDir, s.Dir);
}

TFtpUpload::TFtpUpload(const std::string& localFolder, const TSWFParam& param)
    : localDir_(localFolder),
      files_(UploadFileList(param)),
      client_(std::make_unique<TFtpClient>()) {
  while (localDir_.size() > 1 && (localDir_.back() == '/' || localDir_.back() == '\\'))
    localDir_.pop_back();
}

TFtpUpload::~TFtpUpload() = default;

void TFtpUpload::LoadSettings() {
  bool passive = Settings.Passive;
  Settings = LoadFtpSettings();
  Settings.Passive = passive;
}

std::string TFtpUpload::PartName(const std::string& name) { return name + ".reelcast-part"; }

std::string TFtpUpload::CancelCaption() const {
  return state_.load() == TFtpUploadState::Finished ? "Finished" : "&Cancel";
}

std::string TFtpUpload::StatusText() const {
  std::lock_guard lock(statusMutex_);
  return status_;
}

void TFtpUpload::SetStatus(const std::string& text) {
  {
    std::lock_guard lock(statusMutex_);
    status_ = text;
  }
  if (Events.Status) Events.Status(text);
}

void TFtpUpload::SetProgress(int position, int maximum) {
  counter_ = position;
  maximum_ = maximum;
  if (Events.Progress) Events.Progress(position, maximum);
}

// A server's answer may quote what it was sent; the password never reaches
// the log or the screen that way.
std::string TFtpUpload::Scrub(const std::string& text) const {
  const std::string& password = Settings.Password;
  if (password.size() < 3) return text;
  std::string out = text;
  for (size_t at = out.find(password); at != std::string::npos;
       at = out.find(password, at + 6))
    out.replace(at, password.size(), "******");
  return out;
}

void TFtpUpload::Tell(TFtpMessageKind kind, const std::string& text) {
  std::string scrubbed = Scrub(text);
  NVLog("FTP: " + scrubbed);
  if (Events.Message) Events.Message(kind, scrubbed);
}

void TFtpUpload::Begin() {
  cancelRequested_ = false;
  state_ = TFtpUploadState::Running;
  if (Events.StateChanged) Events.StateChanged(TFtpUploadState::Running);
}

void TFtpUpload::End() {
  state_ = TFtpUploadState::Finished;
  if (Events.StateChanged) Events.StateChanged(TFtpUploadState::Finished);
}

// The local folder removed from a path, and a leading separator dropped.
std::string TFtpUpload::Relative(const std::string& path) const {
  std::string rest = path;
  if (rest.compare(0, localDir_.size(), localDir_) == 0) rest.erase(0, localDir_.size());
  if (!rest.empty() && (rest.front() == '/' || rest.front() == '\\')) rest.erase(0, 1);
  return rest;
}

bool TFtpUpload::ConnectClient() {
  TFtpClient& c = *client_;
  c.Disconnect();
  c.Host = Settings.Host;
  c.Port = FtpPortNumber(Settings.Port);
  c.Username = Settings.User;
  c.Password = Settings.Password;
  c.Passive = Settings.Passive;
  c.Timeouts = Timeouts;
  // Cancel also ends a connection attempt that is still waiting.
  c.Progress = [this](uint64_t, uint64_t) { return !cancelRequested_.load(); };
  NVLog("FTP: connecting to " + c.Host + ":" + std::to_string(c.Port) + " as " + c.Username +
        (c.Passive ? " (passive)" : " (active)"));
  try {
    c.Connect();
  } catch (const EFtpAborted&) {
    return false;  // the user cancelled; nothing to report
  } catch (const EFtpError& e) {
    Tell(TFtpMessageKind::Information,
         std::string("Failed to connect ftp server.message: ") + e.what());
    return false;
  }
  return true;
}

TFtpUploadResult TFtpUpload::Upload() {
  const std::vector<std::string>& files = files_;
  SetProgress(0, files.empty() ? 1 : static_cast<int>(files.size()));
  Begin();
  TFtpUploadResult result = TFtpUploadResult::Done;
  std::string remoteBase = Settings.Dir;
  std::string current;
  try {
    if (!ConnectClient()) {
      result = cancelRequested_ ? TFtpUploadResult::Cancelled : TFtpUploadResult::Failed;
    } else {
      StoreFtpSettings(Settings);
      TFtpClient& c = *client_;
      try {
        try {
          c.ChangeDir(remoteBase);
        } catch (const EFtpAborted&) {
          throw;
        } catch (const EFtpError&) {
          // Entered only after it was made: a folder that was entered at
          // once must not be entered again, as a relative name would then
          // point one level deeper.
          c.MakeDir(remoteBase);
          NVLog("FTP: created the folder " + remoteBase);
          c.ChangeDir(remoteBase);
        }
      } catch (const EFtpAborted&) {
        throw;
      } catch (const EFtpError& e) {
        Tell(TFtpMessageKind::Information,
             std::string("Failed to create the folder on the server.message: ") + e.what());
        result = TFtpUploadResult::Failed;
      }
      if (result == TFtpUploadResult::Done) {
        // A folder typed relative to the login folder is used by its full
        // path from here on, so that returning to it works from anywhere.
        remoteBase = c.RetrieveCurrentDir();
        for (const std::string& file : files) {
          if (cancelRequested_) {
            result = TFtpUploadResult::Cancelled;
            break;
          }
          current = file;
          SetProgress(counter_ + 1, maximum_);
          SetStatus("Uploading...  " + Relative(file));
          SendFile(file, remoteBase);
          current.clear();
          if (Events.Caption) Events.Caption(Relative(file));
        }
      }
    }
  } catch (const EFtpAborted&) {
    result = TFtpUploadResult::Cancelled;
    if (!current.empty()) {
      std::string part = PartName(fs::path(current).filename().string());
      DropPartFile(remoteBase, part);
    }
  } catch (const EFtpError& e) {
    Tell(TFtpMessageKind::Error, e.what());
    result = TFtpUploadResult::Failed;
    if (!current.empty()) {
      std::string part = PartName(fs::path(current).filename().string());
      DropPartFile(remoteBase, part);
    }
  }
  if (result == TFtpUploadResult::Cancelled) {
    // A cancelled upload leaves no connection behind.
    client_->Disconnect();
    NVLog("FTP: upload cancelled");
  } else if (result == TFtpUploadResult::Done) {
    NVLog("FTP: upload finished, " + std::to_string(files.size()) + " file(s)");
  }
  End();
  return result;
}

void TFtpUpload::SendFile(const std::string& path, const std::string& remoteBase) {
  TFtpClient& c = *client_;
  std::string relative = Relative(path);
  std::string folder = fs::path(relative).parent_path().generic_string();
  std::string target = remoteBase;
  if (!folder.empty()) target += (target.empty() || target.back() != '/' ? "/" : "") + folder;
  if (c.RetrieveCurrentDir() != target) {
    try {
      c.ChangeDir(target);
    } catch (const EFtpAborted&) {
      throw;
    } catch (const EFtpError&) {
      // A folder of the upload (the page's player files) that the server
      // does not have yet. Made from the base, one level at a time.
      if (!c.Connected()) throw;
      c.ChangeDir(remoteBase);
      for (const auto& part : fs::path(folder)) {
        try {
          c.ChangeDir(part.string());
        } catch (const EFtpAborted&) {
          throw;
        } catch (const EFtpError&) {
          if (!c.Connected()) throw;
          c.MakeDir(part.string());
          c.ChangeDir(part.string());
        }
      }
    }
  }

  std::string name = fs::path(path).filename().string();
  std::string part = PartName(name);
  c.Progress = [this](uint64_t sent, uint64_t total) {
    if (Events.Transfer) Events.Transfer(sent, total);
    return !cancelRequested_.load();
  };
  c.Put(path, part);
  c.Progress = [this](uint64_t, uint64_t) { return !cancelRequested_.load(); };
  try {
    c.Rename(part, name);
  } catch (const EFtpError&) {
    // Servers that will not rename onto an existing file: replace it.
    if (!c.Connected()) throw;
    try {
      c.Delete(name);
    } catch (const EFtpError&) {
    }
    c.Rename(part, name);
  }
  NVLog("FTP: uploaded " + relative);
}

// After a cut or failed transfer the partial file may sit under its
// temporary name. It is deleted, over a short second connection when the
// first one is gone; failing that it stays, and the next upload of the same
// file replaces it.
void TFtpUpload::DropPartFile(const std::string& remoteBase, const std::string& partName) {
  TFtpClient& c = *client_;
  c.Progress = nullptr;
  try {
    if (!c.Connected()) {
      c.Connect();
      c.ChangeDir(remoteBase);
    }
    c.Delete(partName);
  } catch (const EFtpError&) {
  }
}

TFtpUploadResult TFtpUpload::Remove() {
  if (Events.Ask && !Events.Ask("Are you sure to remove the files from server?"))
    return TFtpUploadResult::Declined;
  counter_ = 0;
  Begin();
  TFtpUploadResult result = TFtpUploadResult::Done;
  std::string remoteBase = Settings.Dir;
  if (!ConnectClient()) {
    result = cancelRequested_ ? TFtpUploadResult::Cancelled : TFtpUploadResult::Failed;
    End();
    return result;
  }
  StoreFtpSettings(Settings);
  TFtpClient& c = *client_;
  c.Progress = nullptr;
  try {
    std::string absoluteBase;
    try {
      c.ChangeDir(remoteBase);
    } catch (const EFtpError& e) {
      Tell(TFtpMessageKind::Information,
           std::string("Failed to locate the folder on the server.message: ") + e.what());
      End();
      return TFtpUploadResult::Failed;
    }
    absoluteBase = c.RetrieveCurrentDir();
    int count = 0;
    try {
      int budget = kCountBudget;
      count = CountFiles(0, budget);
    } catch (const EFtpError&) {
      count = 100;
    }
    SetProgress(0, count);
    // The count may have stopped in a sub-folder; the removal starts from
    // the base folder's full path.
    TBranch branch = RemoveTree(absoluteBase, 0);
    if (branch == TBranch::Cancelled) result = TFtpUploadResult::Cancelled;
    if (branch == TBranch::Failed) result = TFtpUploadResult::Failed;
  } catch (const EFtpError& e) {
    Tell(TFtpMessageKind::Error, e.what());
    result = TFtpUploadResult::Failed;
  }
  if (result == TFtpUploadResult::Done) NVLog("FTP: removed " + remoteBase);
  if (result == TFtpUploadResult::Cancelled) NVLog("FTP: removal cancelled");
  End();
  return result;
}

// Files below the current folder by name: a name with a "." is a file, any
// other name a folder to count in turn. A name that cannot be entered (a
// file without extension) counts as an empty folder.
int TFtpUpload::CountFiles(int depth, int& budget) {
  if (depth > kMaxDepth || --budget < 0) throw EFtpError("The folder tree is too deep to count");
  TFtpClient& c = *client_;
  int count = 0;
  for (const std::string& name : c.NameList()) {
    if (name.find('.') != std::string::npos) {
      ++count;
      continue;
    }
    try {
      c.ChangeDir(name);
    } catch (const EFtpError&) {
      if (!c.Connected()) throw;
      continue;
    }
    count += CountFiles(depth + 1, budget);
    c.ChangeDirUp();
  }
  return count;
}

// Removes `folder` (a name in the current folder, or a full path) with
// everything in it, one listing entry per round: the first entry is deleted
// (a file) or removed the same way (a folder), then the folder is listed
// again. Ends in the folder's parent.
TFtpUpload::TBranch TFtpUpload::RemoveTree(std::string folder, int depth) {
  if (depth > kMaxDepth) throw EFtpError("The folder tree on the server is too deep to remove");
  TFtpClient& c = *client_;
  TFtpListEntry removed;
  bool removedAny = false;
  for (;;) {
    if (cancelRequested_) return TBranch::Cancelled;
    c.ChangeDir(folder);
    std::vector<TFtpListEntry> entries = c.List();
    if (entries.empty()) break;
    const TFtpListEntry first = entries.front();
    // A server that reports success but keeps the entry would make this
    // loop forever.
    if (removedAny && first == removed)
      throw EFtpError(first.Name + " is still on the server after it was removed");
    if (!first.IsFolder) {
      SetProgress(counter_ + 1, maximum_);
      SetStatus("Removing...  " + first.Name);
      c.Delete(first.Name);
    } else {
      TBranch branch = RemoveTree(first.Name, depth + 1);
      // A folder that cannot be removed keeps its parents from becoming
      // empty: the removal ends there.
      if (branch != TBranch::Removed) return branch;
    }
    removed = first;
    removedAny = true;
    folder = c.RetrieveCurrentDir();
    c.ChangeDirUp();
  }
  std::string here = c.RetrieveCurrentDir();
  c.ChangeDirUp();
  try {
    c.RemoveDir(here);
  } catch (const EFtpError& e) {
    if (!c.Connected()) throw;
    Tell(TFtpMessageKind::Information, std::string("message: ") + e.what());
    SetProgress(0, maximum_);
    return TBranch::Failed;
  }
  return TBranch::Removed;
}

TFtpCancelAction TFtpUpload::Cancel() {
  if (state_.load() != TFtpUploadState::Running) return TFtpCancelAction::Close;
  if (Events.Ask && !Events.Ask("Are you sure to cancel the file upload?"))
    return TFtpCancelAction::Continue;
  cancelRequested_ = true;
  return TFtpCancelAction::Cancelling;
}

}  // namespace reelcast
