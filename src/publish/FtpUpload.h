// The upload of a finished conversion to an FTP server, and the removal of
// an uploaded folder from it: everything of the upload dialog except the
// window. A front end fills Settings (or calls LoadSettings), binds the
// events, runs Upload or Remove, and calls Cancel when the user presses the
// cancel or close button.
//
// Threads: Upload and Remove block the thread that calls them and raise the
// events on it. Cancel, State, CancelCaption and ButtonsEnabled may be called
// from any other thread while an operation runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "convert/JobRecord.h"
#include "platform/FtpClient.h"

namespace reelcast {

// The local files to upload for a job, in upload order: by OutputKind, the
// output file (FLV, SWF) or its ".exe" (projector); the ".html" page beside
// an SWF when PublishHtml is on, with the player's files beside it when the
// page loads them from there (PageLoaderFiles); the ".flv" beside an SWF or EXE when a
// player template (Template.Kind 2) plays it as an external file
// (EmbedType etSeperaterFLV). Nothing for a screen saver.
std::vector<std::string> UploadFileList(const TSWFParam& param);

// The connection details as the user typed them (the port as text).
struct TFtpSettings {
  std::string Host;
  std::string Port;
  std::string User;
  std::string Password;
  std::string Dir;
  bool Passive = false;  // passive data connections, for users behind NAT
};

// Reads "System.FTPHost", "System.FTPPort", "System.FTPUser",
// "System.FTPPass" and "System.FtpDir" as text; a missing key gives "".
TFtpSettings LoadFtpSettings();
// Writes each of those keys whose stored text differs from the setting; the
// port as an integer (FtpPortNumber).
void StoreFtpSettings(const TFtpSettings& settings);
// The port text as a number; 21 when it is not a number from 1 to 65535.
int FtpPortNumber(const std::string& text);

enum class TFtpUploadState { Idle, Running, Finished };

enum class TFtpUploadResult {
  Done,       // everything uploaded or removed
  Failed,     // ended by an error, reported through Message
  Cancelled,  // the user cancelled
  Declined,   // the user answered No to the removal question
};

// What pressing the cancel or close button does.
enum class TFtpCancelAction {
  Close,       // nothing running: close the dialog
  Cancelling,  // the running operation stops at its next step
  Continue,    // the user answered No: keep running
};

enum class TFtpMessageKind {
  Information,  // a message box with the caption "Information"
  Error,        // an error the application reports as such
};

struct TFtpUploadEvents {
  std::function<void(int position, int maximum)> Progress;  // the progress bar
  std::function<void(const std::string& text)> Status;      // the status line
  std::function<void(const std::string& text)> Caption;     // the dialog's caption
  // Bytes of the file being sent; total is its size.
  std::function<void(uint64_t sent, uint64_t total)> Transfer;
  std::function<void(TFtpUploadState state)> StateChanged;
  std::function<void(TFtpMessageKind kind, const std::string& text)> Message;
  // A Yes/No question; true is Yes. Without a handler the answer is Yes.
  std::function<bool(const std::string& question)> Ask;
};

class TFtpUpload {
 public:
  // localFolder: the folder of the job's output file; a trailing separator
  // is dropped. The files to send are taken from param now.
  TFtpUpload(const std::string& localFolder, const TSWFParam& param);
  ~TFtpUpload();

  TFtpSettings Settings;
  TFtpTimeouts Timeouts;
  TFtpUploadEvents Events;

  // Fills Settings from the stored keys.
  void LoadSettings();

  const std::string& LocalDir() const { return localDir_; }
  const std::vector<std::string>& Files() const { return files_; }

  // Both operations store the connection details (StoreFtpSettings) once
  // the server has accepted them: details that fail to connect never
  // replace stored ones that worked.
  // Connects, enters or creates (one level) the remote folder and sends
  // every file of Files(), replacing files of the same names. A file is
  // sent under a temporary name and renamed when complete, so a cancelled
  // or broken transfer never leaves a partial file under the real name.
  TFtpUploadResult Upload();
  // Asks first; then deletes the remote folder with everything in it.
  TFtpUploadResult Remove();
  // The cancel or close button. While an operation runs, asks whether to
  // cancel the upload and, on Yes, requests it.
  TFtpCancelAction Cancel();

  TFtpUploadState State() const { return state_.load(); }
  // "&Cancel" or "Finished".
  std::string CancelCaption() const;
  // Upload and Remove are enabled unless an operation runs.
  bool ButtonsEnabled() const { return state_.load() != TFtpUploadState::Running; }
  // The status line; "Uploading...none" before the first operation.
  std::string StatusText() const;

  // Temporary name under which a file is sent before it takes its name.
  static std::string PartName(const std::string& name);

 private:
  enum class TBranch { Removed, Failed, Cancelled };

  void Begin();
  void End();
  bool ConnectClient();
  void SetStatus(const std::string& text);
  void SetProgress(int position, int maximum);
  void Tell(TFtpMessageKind kind, const std::string& text);
  std::string Relative(const std::string& path) const;
  void SendFile(const std::string& path, const std::string& remoteBase);
  void DropPartFile(const std::string& remoteBase, const std::string& partName);
  int CountFiles(int depth, int& budget);
  TBranch RemoveTree(std::string folder, int depth);
  std::string Scrub(const std::string& text) const;

  std::string localDir_;
  std::vector<std::string> files_;
  std::unique_ptr<TFtpClient> client_;
  std::atomic<TFtpUploadState> state_{TFtpUploadState::Idle};
  std::atomic<bool> cancelRequested_{false};
  mutable std::mutex statusMutex_;
  std::string status_ = "Uploading...none";
  int counter_ = 0;
  int maximum_ = 1;
};

}  // namespace reelcast
