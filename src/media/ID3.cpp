#include "media/ID3.h"

#include <algorithm>
#include <cstring>

#include "swf/Stream.h"

namespace reelcast {

namespace {
const char* const kGenres[kID3GenreCount] = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz",
    "Metal", "New Age", "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno",
    "Industrial", "Alternative", "Ska", "Death Metal", "Pranks", "Soundtrack", "Euro-Techno",
    "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion", "Trance", "Classical", "Instrumental",
    "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "AlternRock", "Bass", "Soul",
    "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic",
    "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream",
    "Southern Rock", "Comedy", "Cult", "Gangsta", "Top 40", "Christian Rap", "Pop/Funk",
    "Jungle", "Native American", "Cabaret", "New Wave", "Psychadelic", "Rave", "Showtunes",
    "Trailer", "Lo-Fi", "Tribal", "Acid Punk", "Acid Jazz", "Polka", "Retro", "Musical",
    "Rock & Roll", "Hard Rock", "Folk", "Folk-Rock", "National Folk", "Swing", "Fast Fusion",
    "Bebob", "Latin", "Revival", "Celtic", "Bluegrass", "Avantgarde", "Gothic Rock",
    "Progessive Rock", "Psychedelic Rock", "Symphonic Rock", "Slow Rock", "Big Band", "Chorus",
    "Easy Listening", "Acoustic", "Humour", "Speech", "Chanson", "Opera", "Chamber Music",
    "Sonata", "Symphony", "Booty Bass", "Primus", "Porn Groove", "Satire", "Slow Jam", "Club",
    "Tango", "Samba", "Folklore", "Ballad", "Power Ballad", "Rhythmic Soul", "Freestyle", "Duet",
    "Punk Rock", "Drum Solo", "A capella", "Euro-House", "Dance Hall", "Goa", "Drum & Bass",
    "Club-House", "Hardcore", "Terror", "Indie", "BritPop", "Negerpunk", "Polsk Punk", "Beat",
    "Christian Gangsta Rap", "Heavy Metal", "Black Metal", "Crossover", "Contemporary Christian",
    "Christian Rock", "Merengue", "Salsa", "Thrash Metal", "Anime", "JPop", "Synthpop",
};

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::string TrimRight(const std::string& s) {
  size_t e = s.find_last_not_of(std::string(" \t\r\n\0", 5));
  return e == std::string::npos ? "" : s.substr(0, e + 1);
}

// Bytes up to the first zero.
std::string CString(const uint8_t* p, size_t n) {
  const void* zero = std::memchr(p, 0, n);
  size_t len = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) : n;
  return std::string(reinterpret_cast<const char*>(p), len);
}

// The text of an ID3v2.3 text frame: an encoding byte, then ISO-8859-1 or
// UTF-16 with a byte order mark (kept as its 8-bit characters).
std::string FrameText(const uint8_t* p, size_t n) {
  if (n == 0) return "";
  uint8_t encoding = p[0];
  ++p;
  --n;
  if (encoding != 1 && encoding != 2) return CString(p, n);
  size_t i = 0;
  bool bigEndian = encoding == 2;
  if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF) bigEndian = true, i = 2;
  else if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) bigEndian = false, i = 2;
  std::string out;
  for (; i + 1 < n; i += 2) {
    unsigned c = bigEndian ? (p[i] << 8 | p[i + 1]) : (p[i + 1] << 8 | p[i]);
    if (c == 0) break;
    out += static_cast<char>(c < 256 ? c : '?');
  }
  return out;
}

uint32_t BE32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}
}  // namespace

const char* ID3GenreName(int id) { return id >= 0 && id < kID3GenreCount ? kGenres[id] : ""; }

// ------------------------------------------------------------------ ID3v2

void TID3v2::ResetData() { *this = TID3v2(); }

bool TID3v2::ReadFromFile(const std::string& fileName) {
  ResetData();
  try {
    TFileStream file(fileName, TFileMode::OpenRead);
    const int64_t fileSize = file.Size();
    uint8_t header[10];
    if (file.Read(header, 10) != 10) return false;
    if (std::memcmp(header, "ID3", 3) != 0) return true;
    Exists = true;
    VersionId = header[3];
    uint32_t size = (header[6] & 0x7F) << 21 | (header[7] & 0x7F) << 14 |
                    (header[8] & 0x7F) << 7 | (header[9] & 0x7F);
    TagSize = size + 10;
    if (TagSize > fileSize) TagSize = 0;
    if (VersionId != 3 || TagSize == 0) return true;
    try {
      int64_t position = 10;
      while (position < TagSize && position < fileSize) {
        file.SetPosition(position);
        uint8_t frame[10];
        file.ReadBuffer(frame, 10);
        uint32_t frameSize = BE32(frame + 4) & 0x00FFFFFF;
        uint8_t data[250] = {};
        size_t n = std::min<uint32_t>(frameSize, sizeof data);
        file.ReadBuffer(data, n);
        std::string id(reinterpret_cast<const char*>(frame), 4);
        if (id == "TIT2") Title = Trim(FrameText(data, n));
        else if (id == "TPE1") Artist = Trim(FrameText(data, n));
        else if (id == "TALB") Album = Trim(FrameText(data, n));
        else if (id == "TYER") Year = Trim(FrameText(data, n));
        else if (id == "TRCK") {
          std::string track = Trim(FrameText(data, n));
          track = track.substr(0, track.find('/'));
          Track = !track.empty() && track.size() < 9 &&
                          std::all_of(track.begin(), track.end(), [](char c) { return c >= '0' && c <= '9'; })
                      ? std::stoi(track)
                      : 0;
        } else if (id == "TCON") {
          std::string genre = Trim(FrameText(data, n));
          size_t close = genre.rfind(')');
          Genre = Trim(close == std::string::npos ? genre : genre.substr(close + 1));
        } else if (id == "COMM" && n > 4) {
          // Encoding, 3-byte language, a short description, then the text.
          uint8_t encoding = data[0];
          std::string rest(reinterpret_cast<const char*>(data + 4), n - 4);
          size_t end = rest.find('\0');
          size_t skip = end == std::string::npos ? rest.size() : end + 1;
          if ((encoding == 1 || encoding == 2) && skip < rest.size()) ++skip;  // 2-byte terminator
          std::string text(1, static_cast<char>(encoding));
          text += rest.substr(std::min(skip, rest.size()));
          Comment = Trim(FrameText(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
        }
        position += 10 + static_cast<int64_t>(frameSize);
      }
    } catch (const EStreamError&) {
      // A frame cut short ends the frame list quietly.
    }
    return true;
  } catch (const EStreamError&) {
    return false;
  }
}

// ------------------------------------------------------------------ ID3v1

void TID3v1::ResetData() { *this = TID3v1(); }

std::string TID3v1::Genre() const { return ID3GenreName(GenreId); }

bool TID3v1::ReadFromFile(const std::string& fileName) {
  ResetData();
  TFileStream file(fileName, TFileMode::OpenRead);
  if (file.Size() < 128) throw EReadError("\"" + fileName + "\" is shorter than an ID3v1 tag");
  uint8_t tag[128];
  file.Seek(-128, TSeekOrigin::End);
  file.ReadBuffer(tag, 128);
  if (std::memcmp(tag, "TAG", 3) != 0) return true;
  Exists = true;
  bool v11 = (tag[125] == 0 && tag[126] != 0) || (tag[125] == ' ' && tag[126] != ' ');
  VersionId = v11 ? 2 : 1;
  auto text = [&](int at, int len) {
    return TrimRight(CString(tag + at, static_cast<size_t>(len)));
  };
  Title = text(3, 30);
  Artist = text(33, 30);
  Album = text(63, 30);
  Year = text(93, 4);
  Comment = text(97, v11 ? 28 : 30);
  if (v11) Track = tag[126];
  GenreId = tag[127];
  return true;
}

}  // namespace reelcast
