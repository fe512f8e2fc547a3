// The FTP client the upload drives: one control connection, logged in, and
// the commands the upload needs (CWD, MKD, PWD, CDUP, NLST, LIST, STOR, DELE,
// RMD, RNFR/RNTO), each run on that connection in the server's own current
// folder. libcurl does the protocol work; callers never see it.
//
// Data connections are active (the server connects back, PORT/EPRT) unless
// Passive is set; transfers are binary. Every wait is bounded by Timeouts.
//
// A command never runs on a connection other than the one Connect opened: if
// the server dropped it, the command fails with "The connection to the server
// was lost" instead of silently logging in again in the login folder.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace reelcast {

// A failed FTP operation. The text is the server's answer when it gave one
// ("550 No such file or directory."), else what went wrong locally.
class EFtpError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A transfer stopped because the progress callback asked for it. The
// connection has been closed.
class EFtpAborted : public EFtpError {
 public:
  using EFtpError::EFtpError;
};

// One entry of a parsed LIST answer. Links are reported as files, so that a
// removal deletes the link and never walks into what it points to.
struct TFtpListEntry {
  std::string Name;
  bool IsFolder = false;
  bool operator==(const TFtpListEntry&) const = default;
};

// Parses a LIST answer in the Unix ("drwxr-xr-x 2 u g 4096 Jan 01 12:00 x")
// or the DOS ("01-31-26  09:15PM  <DIR>  x") layout. "total" lines, blank
// lines, "." and ".." are skipped; any other line that is not an entry throws
// EFtpError.
std::vector<TFtpListEntry> ParseFtpList(std::string_view listing);

// The folder named by a PWD answer: 257 "/a ""b""" gives /a "b". Throws
// EFtpError for any other answer.
std::string ParsePwdReply(int code, std::string_view text);

struct TFtpTimeouts {
  int ConnectSeconds = 15;   // TCP connect and, in active mode, the server's call back
  int ResponseSeconds = 30;  // each answer of the server
  int StallSeconds = 30;     // a transfer that moves no byte for this long fails
};

class TFtpClient {
 public:
  // Called while connecting and transferring with the bytes sent so far and
  // the size of the file (0 outside a STOR). Returning false aborts: the
  // transfer is cut, the connection closed, and EFtpAborted thrown.
  using TProgress = std::function<bool(uint64_t sent, uint64_t total)>;

  TFtpClient();
  ~TFtpClient();
  TFtpClient(const TFtpClient&) = delete;
  TFtpClient& operator=(const TFtpClient&) = delete;

  std::string Host;
  int Port = 21;
  std::string Username;
  std::string Password;
  bool Passive = false;
  TFtpTimeouts Timeouts;
  TProgress Progress;

  // Connects and logs in (closing an open connection first).
  void Connect();
  // Sends QUIT and closes; harmless when not connected.
  void Disconnect();
  bool Connected() const;

  void ChangeDir(const std::string& folder);  // CWD
  void ChangeDirUp();                         // CDUP
  void MakeDir(const std::string& folder);    // MKD
  std::string RetrieveCurrentDir();           // PWD
  std::vector<std::string> NameList();        // NLST of the current folder
  std::vector<TFtpListEntry> List();          // LIST of the current folder
  // STOR: sends the local file under remoteName in the current folder,
  // replacing a file of that name.
  void Put(const std::string& localFile, const std::string& remoteName);
  void Delete(const std::string& name);                        // DELE
  void RemoveDir(const std::string& folder);                   // RMD
  void Rename(const std::string& from, const std::string& to);  // RNFR + RNTO

  struct TReply {
    int Code = 0;
    std::string Text;  // every line of the answer, joined by "\n"
  };
  // Sends one command and returns the answer; throws EFtpError when the
  // server answers 4xx or 5xx.
  TReply Command(const std::string& command);

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

}  // namespace reelcast
