#include "platform/FtpClient.h"

#include <curl/curl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <mutex>

namespace reelcast {

namespace {

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Printable form of a server line for error texts.
std::string Printable(std::string_view text, size_t limit = 200) {
  std::string out;
  for (unsigned char c : text.substr(0, limit)) {
    if (c >= 0x20 && c != 0x7f) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  if (text.size() > limit) out += "...";
  return out;
}

// A name or path that goes into a command line must not carry a line break
// (it would start a second command) or a NUL.
void CheckArgument(const std::string& value, const char* what) {
  for (char c : value)
    if (c == '\r' || c == '\n' || c == '\0')
      throw EFtpError(std::string("Invalid character in the ") + what + ": " + Printable(value));
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

struct TToken {
  std::string_view Text;
  size_t End;  // offset just past the token in its line
};

std::vector<TToken> Tokens(std::string_view line, size_t maxTokens) {
  std::vector<TToken> tokens;
  size_t i = 0;
  while (i < line.size() && tokens.size() < maxTokens) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    tokens.push_back({line.substr(start, i - start), i});
  }
  return tokens;
}

bool AllDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

bool IsMonth(std::string_view s) {
  static const char* months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                 "jul", "aug", "sep", "oct", "nov", "dec"};
  if (s.size() != 3) return false;
  std::string lower;
  for (char c : s) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* m : months)
    if (lower == m) return true;
  return false;
}

// "12:34" or a year "2026".
bool IsTimeOrYear(std::string_view s) {
  if (s.size() == 5 && s[2] == ':') return AllDigits(s.substr(0, 2)) && AllDigits(s.substr(3));
  if (s.size() == 4) return AllDigits(s);
  return false;
}

// Everything after the token that ends at `end`, past the blanks that
// separate (and, in padded layouts, align) the columns. Blanks inside a name
// are kept.
std::string_view NameAfter(std::string_view line, size_t end) {
  while (end < line.size() && (line[end] == ' ' || line[end] == '\t')) ++end;
  return end < line.size() ? line.substr(end) : std::string_view();
}

bool ParseUnixLine(std::string_view line, TFtpListEntry& entry) {
  if (line.size() < 10) return false;
  char type = line[0];
  if (std::string_view("-dlbcps").find(type) == std::string_view::npos) return false;
  for (size_t i = 1; i < 10; ++i)
    if (std::string_view("rwxsStTlL-").find(line[i]) == std::string_view::npos) return false;
  auto tokens = Tokens(line, 9);
  // permissions, links, [owner, [group,]] size, month, day, time or year
  for (size_t m = 2; m + 2 < tokens.size(); ++m) {
    if (!IsMonth(tokens[m].Text) || !AllDigits(tokens[m + 1].Text) ||
        !IsTimeOrYear(tokens[m + 2].Text) || !AllDigits(tokens[m - 1].Text))
      continue;
    std::string_view name = NameAfter(line, tokens[m + 2].End);
    if (name.empty()) return false;
    if (type == 'l') {
      size_t arrow = name.find(" -> ");
      if (arrow != std::string_view::npos) name = name.substr(0, arrow);
    }
    entry.Name = std::string(name);
    entry.IsFolder = type == 'd';
    return true;
  }
  return false;
}

bool ParseDosLine(std::string_view line, TFtpListEntry& entry) {
  auto tokens = Tokens(line, 3);
  if (tokens.size() < 3) return false;
  std::string_view date = tokens[0].Text, time = tokens[1].Text, kind = tokens[2].Text;
  bool dateOk = (date.size() == 8 || date.size() == 10) && date[2] == '-' && date[5] == '-' &&
                AllDigits(date.substr(0, 2)) && AllDigits(date.substr(3, 2)) &&
                AllDigits(date.substr(6));
  bool timeOk = time.size() >= 5 && time[2] == ':' && AllDigits(time.substr(0, 2)) &&
                AllDigits(time.substr(3, 2)) &&
                (time.size() == 5 ||
                 (time.size() == 7 && (time.substr(5) == "AM" || time.substr(5) == "PM")));
  if (!dateOk || !timeOk) return false;
  bool folder = kind == "<DIR>";
  if (!folder && !AllDigits(kind)) return false;
  std::string_view name = NameAfter(line, tokens[2].End);
  if (name.empty()) return false;
  entry.Name = std::string(name);
  entry.IsFolder = folder;
  return true;
}

}  // namespace

std::vector<TFtpListEntry> ParseFtpList(std::string_view listing) {
  std::vector<TFtpListEntry> entries;
  for (std::string_view line : SplitLines(listing)) {
    if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
    if (line.substr(0, 6) == "total " && AllDigits(line.substr(6))) continue;
    TFtpListEntry entry;
    if (!ParseUnixLine(line, entry) && !ParseDosLine(line, entry))
      throw EFtpError("Unreadable line in the folder listing: " + Printable(line));
    if (entry.Name == "." || entry.Name == "..") continue;
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::string ParsePwdReply(int code, std::string_view text) {
  // Only the first line carries the folder.
  std::string_view first = text.substr(0, text.find('\n'));
  size_t open = first.find('"');
  if (code == 257 && open != std::string_view::npos) {
    std::string folder;
    for (size_t i = open + 1; i < first.size(); ++i) {
      if (first[i] != '"') {
        folder += first[i];
      } else if (i + 1 < first.size() && first[i + 1] == '"') {
        folder += '"';
        ++i;
      } else {
        if (!folder.empty()) return folder;
        break;
      }
    }
  }
  throw EFtpError("Unexpected answer to PWD: " + Printable(first));
}

struct TFtpClient::TImpl {
  TFtpClient* Owner = nullptr;
  CURL* Handle = nullptr;
  std::string BaseUrl;
  char ErrorBuffer[CURL_ERROR_SIZE] = {};

  // The control connection: the socket Connect left open. While a command
  // runs, curl may open data sockets but never a second control connection.
  curl_socket_t ControlSocket = CURL_SOCKET_BAD;
  bool Connecting = false;
  bool RefusedReconnect = false;

  // Answers of the server seen during the running perform.
  std::string PartialLine;
  std::vector<std::string> PendingLines;  // lines of a multi-line answer
  std::vector<TReply> Replies;

  // Body of a listing, or the file being sent.
  std::string Received;
  FILE* Upload = nullptr;
  uint64_t UploadSize = 0;
  bool Aborted = false;

  static size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* self = static_cast<TImpl*>(user);
    size_t bytes = size * count;
    self->PartialLine.append(data, bytes);
    size_t nl;
    while ((nl = self->PartialLine.find('\n')) != std::string::npos) {
      std::string line = self->PartialLine.substr(0, nl);
      self->PartialLine.erase(0, nl + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      self->TakeLine(line);
    }
    return bytes;
  }

  void TakeLine(const std::string& line) {
    bool coded = line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0])) &&
                 std::isdigit(static_cast<unsigned char>(line[1])) &&
                 std::isdigit(static_cast<unsigned char>(line[2]));
    bool last = coded && (line.size() == 3 || line[3] == ' ');
    PendingLines.push_back(line);
    if (!last) return;
    TReply reply;
    reply.Code = std::stoi(line.substr(0, 3));
    for (size_t i = 0; i < PendingLines.size(); ++i) {
      if (i) reply.Text += '\n';
      reply.Text += PendingLines[i];
    }
    PendingLines.clear();
    Replies.push_back(std::move(reply));
  }

  static size_t OnWrite(char* data, size_t size, size_t count, void* user) {
    auto* self = static_cast<TImpl*>(user);
    // A listing is small; a server that streams without end is cut off.
    if (self->Received.size() > (64u << 20)) return 0;
    self->Received.append(data, size * count);
    return size * count;
  }

  static size_t OnRead(char* buffer, size_t size, size_t count, void* user) {
    auto* self = static_cast<TImpl*>(user);
    if (!self->Upload) return 0;
    size_t n = std::fread(buffer, 1, size * count, self->Upload);
    if (n == 0 && std::ferror(self->Upload)) return CURL_READFUNC_ABORT;
    return n;
  }

  static int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t ulnow) {
    auto* self = static_cast<TImpl*>(user);
    if (!self->Owner->Progress) return 0;
    uint64_t sent = ulnow > 0 ? static_cast<uint64_t>(ulnow) : 0;
    if (self->Owner->Progress(sent, self->UploadSize)) return 0;
    self->Aborted = true;
    return 1;
  }

  static curl_socket_t OnOpenSocket(void* user, curlsocktype, curl_sockaddr* address) {
    auto* self = static_cast<TImpl*>(user);
    if (!self->Connecting && self->ControlSocket == CURL_SOCKET_BAD) {
      self->RefusedReconnect = true;
      return CURL_SOCKET_BAD;
    }
    return socket(address->family, address->socktype, address->protocol);
  }

  static int OnCloseSocket(void* user, curl_socket_t socket) {
    auto* self = static_cast<TImpl*>(user);
    if (socket == self->ControlSocket) self->ControlSocket = CURL_SOCKET_BAD;
    return close(socket);
  }

  void Reset() {
    PartialLine.clear();
    PendingLines.clear();
    Replies.clear();
    Received.clear();
    ErrorBuffer[0] = 0;
    Aborted = false;
    RefusedReconnect = false;
  }

  // Text for a failed perform: the server's refusal when there was one.
  std::string FailureText(CURLcode code) const {
    if (RefusedReconnect) return "The connection to the server was lost";
    if (!Replies.empty() && Replies.back().Code >= 400) return Printable(Replies.back().Text, 500);
    std::string text = ErrorBuffer[0] ? ErrorBuffer : curl_easy_strerror(code);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
  }

  void RequireConnection() const {
    if (!Handle) throw EFtpError("Not connected to the FTP server");
  }

  // Runs one perform on the control connection; throws on failure.
  void Perform() {
    CURLcode code = curl_easy_perform(Handle);
    if (code == CURLE_OK) return;
    if (Aborted || code == CURLE_ABORTED_BY_CALLBACK) {
      DropHandle();
      throw EFtpAborted("The transfer was cancelled");
    }
    std::string text = FailureText(code);
    if (ControlSocket == CURL_SOCKET_BAD) DropHandle();
    throw EFtpError(text);
  }

  void DropHandle() {
    if (Handle) curl_easy_cleanup(Handle);
    Handle = nullptr;
    ControlSocket = CURL_SOCKET_BAD;
  }

  // Settings of the next perform: a command with no transfer, a listing, or
  // an upload. With FTPFILE_NOCWD and a relative path, curl sends no CWD of
  // its own: the server stays in the folder our commands chose.
  void Prepare(const std::string& path, bool body) {
    Reset();
    std::string url = BaseUrl;
    if (!path.empty()) {
      char* escaped = curl_easy_escape(Handle, path.c_str(), static_cast<int>(path.size()));
      if (!escaped) throw EFtpError("Out of memory");
      url += escaped;
      curl_free(escaped);
    }
    curl_easy_setopt(Handle, CURLOPT_URL, url.c_str());
    curl_easy_setopt(Handle, CURLOPT_NOBODY, body ? 0L : 1L);
    curl_easy_setopt(Handle, CURLOPT_UPLOAD, 0L);
    curl_easy_setopt(Handle, CURLOPT_DIRLISTONLY, 0L);
    curl_easy_setopt(Handle, CURLOPT_QUOTE, nullptr);
    curl_easy_setopt(Handle, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(-1));
    UploadSize = 0;
  }
};

TFtpClient::TFtpClient() : impl_(std::make_unique<TImpl>()) {
  impl_->Owner = this;
  GlobalInit();
}

TFtpClient::~TFtpClient() { Disconnect(); }

bool TFtpClient::Connected() const {
  return impl_->Handle && impl_->ControlSocket != CURL_SOCKET_BAD;
}

void TFtpClient::Connect() {
  Disconnect();
  if (Host.empty()) throw EFtpError("No FTP server given");
  for (char c : Host)
    if (c <= ' ' || c == '/' || c == '@' || c == '?' || c == '#' || c == '\\' || c == 0x7f)
      throw EFtpError("Invalid FTP server name: " + Printable(Host));
  if (Port < 1 || Port > 65535) throw EFtpError("Invalid FTP port: " + std::to_string(Port));
  CheckArgument(Username, "user name");
  CheckArgument(Password, "password");

  auto& d = *impl_;
  d.Handle = curl_easy_init();
  if (!d.Handle) throw EFtpError("Cannot start the FTP client");
  bool literalV6 = Host.find(':') != std::string::npos && Host.front() != '[';
  d.BaseUrl = "ftp://" + (literalV6 ? "[" + Host + "]" : Host) + ":" + std::to_string(Port) + "/";

  CURL* h = d.Handle;
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "ftp");
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, d.ErrorBuffer);
  curl_easy_setopt(h, CURLOPT_USERNAME, Username.c_str());
  curl_easy_setopt(h, CURLOPT_PASSWORD, Password.c_str());
  curl_easy_setopt(h, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
  curl_easy_setopt(h, CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR_NONE));
  if (Passive)
    curl_easy_setopt(h, CURLOPT_FTPPORT, nullptr);
  else
    curl_easy_setopt(h, CURLOPT_FTPPORT, "-");  // active, on the control connection's address
  curl_easy_setopt(h, CURLOPT_TRANSFERTEXT, 0L);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(Timeouts.ConnectSeconds));
  curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>(Timeouts.ResponseSeconds));
  curl_easy_setopt(h, CURLOPT_ACCEPTTIMEOUT_MS, static_cast<long>(Timeouts.ConnectSeconds) * 1000L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(Timeouts.StallSeconds));
  curl_easy_setopt(h, CURLOPT_TCP_KEEPALIVE, 1L);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &TImpl::OnHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &d);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &TImpl::OnWrite);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &d);
  curl_easy_setopt(h, CURLOPT_READFUNCTION, &TImpl::OnRead);
  curl_easy_setopt(h, CURLOPT_READDATA, &d);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &TImpl::OnProgress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &d);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_OPENSOCKETFUNCTION, &TImpl::OnOpenSocket);
  curl_easy_setopt(h, CURLOPT_OPENSOCKETDATA, &d);
  curl_easy_setopt(h, CURLOPT_CLOSESOCKETFUNCTION, &TImpl::OnCloseSocket);
  curl_easy_setopt(h, CURLOPT_CLOSESOCKETDATA, &d);

  d.Prepare("", false);
  d.Connecting = true;
  CURLcode code = curl_easy_perform(h);
  d.Connecting = false;
  if (code != CURLE_OK) {
    bool aborted = d.Aborted || code == CURLE_ABORTED_BY_CALLBACK;
    std::string text = d.FailureText(code);
    d.DropHandle();
    if (aborted) throw EFtpAborted("Connecting was cancelled");
    throw EFtpError(text);
  }
  curl_socket_t socket = CURL_SOCKET_BAD;
  if (curl_easy_getinfo(h, CURLINFO_ACTIVESOCKET, &socket) != CURLE_OK ||
      socket == CURL_SOCKET_BAD) {
    d.DropHandle();
    throw EFtpError("The FTP server closed the connection after the login");
  }
  d.ControlSocket = socket;
}

void TFtpClient::Disconnect() {
  // Cleaning up the handle closes its connection with QUIT.
  impl_->DropHandle();
}

TFtpClient::TReply TFtpClient::Command(const std::string& command) {
  auto& d = *impl_;
  d.RequireConnection();
  CheckArgument(command, "command");
  d.Prepare("", false);
  // "*": curl reports a refusal of the command to us instead of failing the
  // perform and closing the connection; we judge the answer ourselves.
  std::string quoted = "*" + command;
  curl_slist* list = curl_slist_append(nullptr, quoted.c_str());
  curl_easy_setopt(d.Handle, CURLOPT_QUOTE, list);
  try {
    d.Perform();
  } catch (...) {
    if (d.Handle) curl_easy_setopt(d.Handle, CURLOPT_QUOTE, nullptr);
    curl_slist_free_all(list);
    throw;
  }
  curl_easy_setopt(d.Handle, CURLOPT_QUOTE, nullptr);
  curl_slist_free_all(list);
  if (d.Replies.empty()) throw EFtpError("No answer from the FTP server to " + command.substr(0, 4));
  TReply reply = d.Replies.back();
  if (reply.Code >= 400) throw EFtpError(Printable(reply.Text, 500));
  return reply;
}

void TFtpClient::ChangeDir(const std::string& folder) {
  CheckArgument(folder, "folder name");
  Command("CWD " + folder);
}

void TFtpClient::ChangeDirUp() { Command("CDUP"); }

void TFtpClient::MakeDir(const std::string& folder) {
  CheckArgument(folder, "folder name");
  Command("MKD " + folder);
}

std::string TFtpClient::RetrieveCurrentDir() {
  TReply reply = Command("PWD");
  return ParsePwdReply(reply.Code, reply.Text);
}

std::vector<std::string> TFtpClient::NameList() {
  auto& d = *impl_;
  d.RequireConnection();
  d.Prepare("", true);
  curl_easy_setopt(d.Handle, CURLOPT_DIRLISTONLY, 1L);
  d.Perform();
  std::vector<std::string> names;
  for (std::string_view line : SplitLines(d.Received)) {
    if (line.empty()) continue;
    // Some servers answer with paths; the name is the last component.
    size_t slash = line.find_last_of('/');
    if (slash != std::string_view::npos) line = line.substr(slash + 1);
    if (line.empty() || line == "." || line == "..") continue;
    names.emplace_back(line);
  }
  return names;
}

std::vector<TFtpListEntry> TFtpClient::List() {
  auto& d = *impl_;
  d.RequireConnection();
  d.Prepare("", true);
  d.Perform();
  return ParseFtpList(d.Received);
}

void TFtpClient::Put(const std::string& localFile, const std::string& remoteName) {
  auto& d = *impl_;
  d.RequireConnection();
  CheckArgument(remoteName, "file name");
  if (remoteName.empty()) throw EFtpError("No remote file name given");
  FILE* file = std::fopen(localFile.c_str(), "rb");
  if (!file) throw EFtpError("Cannot open the local file " + localFile);
  d.Prepare(remoteName, true);
  std::fseek(file, 0, SEEK_END);
  long size = std::ftell(file);
  std::fseek(file, 0, SEEK_SET);
  d.Upload = file;
  d.UploadSize = size > 0 ? static_cast<uint64_t>(size) : 0;
  curl_easy_setopt(d.Handle, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(d.Handle, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(d.UploadSize));
  try {
    d.Perform();
  } catch (...) {
    d.Upload = nullptr;
    std::fclose(file);
    throw;
  }
  d.Upload = nullptr;
  std::fclose(file);
}

void TFtpClient::Delete(const std::string& name) {
  CheckArgument(name, "file name");
  Command("DELE " + name);
}

void TFtpClient::RemoveDir(const std::string& folder) {
  CheckArgument(folder, "folder name");
  Command("RMD " + folder);
}

void TFtpClient::Rename(const std::string& from, const std::string& to) {
  CheckArgument(from, "file name");
  CheckArgument(to, "file name");
  Command("RNFR " + from);
  Command("RNTO " + to);
}

}  // namespace reelcast
