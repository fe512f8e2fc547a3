#include "platform/DvdTitleSet.h"

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>

#include "platform/DvdReadInternal.h"

namespace reelcast {
namespace {

namespace fs = std::filesystem;

int Bcd(uint8_t v) { return (v >> 4) * 10 + (v & 0x0f); }

double FrameRateOfTime(uint8_t frameU, double fallback) {
  switch (frameU >> 6) {
    case 1: return 25.0;
    case 3: return 30000.0 / 1001.0;
    default: return fallback;
  }
}

std::string LanguageCode(uint16_t code) {
  char a = static_cast<char>(code >> 8), b = static_cast<char>(code & 0xff);
  if (!std::isalpha(static_cast<unsigned char>(a)) || !std::isalpha(static_cast<unsigned char>(b)))
    return {};
  return {static_cast<char>(std::tolower(a)), static_cast<char>(std::tolower(b))};
}

std::string LanguageName(const std::string& code) {
  static const struct { const char* Code; const char* Name; } kNames[] = {
      {"en", "English"},  {"fr", "French"},   {"de", "German"},     {"es", "Spanish"},
      {"it", "Italian"},  {"nl", "Dutch"},    {"pt", "Portuguese"}, {"sv", "Swedish"},
      {"da", "Danish"},   {"no", "Norwegian"}, {"fi", "Finnish"},   {"pl", "Polish"},
      {"cs", "Czech"},    {"hu", "Hungarian"}, {"el", "Greek"},     {"tr", "Turkish"},
      {"ru", "Russian"},  {"ja", "Japanese"}, {"zh", "Chinese"},    {"ko", "Korean"},
      {"ar", "Arabic"},   {"he", "Hebrew"},   {"hi", "Hindi"},      {"th", "Thai"},
  };
  for (const auto& n : kNames)
    if (code == n.Code) return n.Name;
  return code.empty() ? "Unknown" : code;
}

const char* CodingName(TDvdAudioCoding c) {
  switch (c) {
    case TDvdAudioCoding::AC3: return "AC3";
    case TDvdAudioCoding::MPEG1: return "MPEG";
    case TDvdAudioCoding::MPEG2Ext: return "MPEG2";
    case TDvdAudioCoding::LPCM: return "LPCM";
    case TDvdAudioCoding::DTS: return "DTS";
    case TDvdAudioCoding::SDDS: return "SDDS";
    default: return "Unknown";
  }
}

uint32_t PaletteToRgb(uint32_t yCrCb) {
  double y = (yCrCb >> 16) & 0xff, cr = (yCrCb >> 8) & 0xff, cb = yCrCb & 0xff;
  auto clamp = [](double v) { return static_cast<uint32_t>(std::clamp(std::lround(v), 0L, 255L)); };
  uint32_t r = clamp(y + 1.402 * (cr - 128));
  uint32_t g = clamp(y - 0.344136 * (cb - 128) - 0.714136 * (cr - 128));
  uint32_t b = clamp(y + 1.772 * (cb - 128));
  return (r << 16) | (g << 8) | b;
}

struct IfoCloser {
  void operator()(ifo_handle_t* h) const { if (h) ifoClose(h); }
};
struct DvdCloser {
  void operator()(dvd_reader_t* d) const { if (d) DVDClose(d); }
};

uint32_t BE32(const std::string& b, size_t at) {
  return (uint32_t{static_cast<uint8_t>(b[at])} << 24) | (uint32_t{static_cast<uint8_t>(b[at + 1])} << 16) |
         (uint32_t{static_cast<uint8_t>(b[at + 2])} << 8) | static_cast<uint8_t>(b[at + 3]);
}

// libdvdread sizes the tables it reads from the lengths written in them. A
// file whose tables claim to run past its end is refused before it is
// handed over, so that a damaged or crafted file cannot make the program
// allocate gigabytes: the identifier must be there and every table of the
// title set must end inside the file.
bool TablesFitTheFile(const std::string& path, std::string* why) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    *why = "cannot read " + path;
    return false;
  }
  std::string bytes;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0 && bytes.size() < (64u << 20))
    bytes.append(buffer, n);
  std::fclose(file);
  if (bytes.size() < 0x400 || bytes.compare(0, 12, "DVDVIDEO-VTS") != 0) {
    *why = path + " is not a title-set information file";
    return false;
  }
  // Sector pointers of the tables in the management table, and where each
  // table keeps its last byte.
  static const struct { size_t Pointer; size_t LastByte; } kTables[] = {
      {0xC8, 4}, {0xCC, 4}, {0xD0, 4}, {0xD4, 4}, {0xD8, 4}, {0xDC, 0}, {0xE0, 4}, {0xE4, 0}};
  for (const auto& table : kTables) {
    uint64_t sector = BE32(bytes, table.Pointer);
    if (sector == 0) continue;
    uint64_t start = sector * DVD_VIDEO_LB_LEN;
    if (start + table.LastByte + 4 > bytes.size() ||
        start + BE32(bytes, start + table.LastByte) >= bytes.size()) {
      *why = path + " has a table that runs past its end";
      return false;
    }
  }
  // The program chains of the title set: each chain and the tables it
  // points to must lie inside the chain table.
  uint64_t pgcit = uint64_t{BE32(bytes, 0xCC)} * DVD_VIDEO_LB_LEN;
  if (pgcit == 0) return true;
  uint64_t tableEnd = pgcit + BE32(bytes, pgcit + 4) + 1;
  auto u16 = [&](uint64_t at) {
    return static_cast<uint32_t>((static_cast<uint8_t>(bytes[at]) << 8) | static_cast<uint8_t>(bytes[at + 1]));
  };
  uint32_t chains = u16(pgcit);
  if (pgcit + 8 + uint64_t{chains} * 8 > tableEnd) {
    *why = path + " has more program chains than its table holds";
    return false;
  }
  for (uint32_t i = 0; i < chains; ++i) {
    uint64_t pgc = pgcit + BE32(bytes, pgcit + 8 + i * 8 + 4);
    constexpr uint64_t kChainSize = 236;
    if (pgc < pgcit + 8 || pgc + kChainSize > tableEnd) {
      *why = path + " has a program chain outside its table";
      return false;
    }
    uint64_t programs = static_cast<uint8_t>(bytes[pgc + 2]);
    uint64_t cells = static_cast<uint8_t>(bytes[pgc + 3]);
    uint32_t commands = u16(pgc + 0xE4), programMap = u16(pgc + 0xE6);
    uint32_t playback = u16(pgc + 0xE8), position = u16(pgc + 0xEA);
    auto fits = [&](uint32_t offset, uint64_t length) {
      return offset == 0 ? length == 0 : (offset >= kChainSize && pgc + offset + length <= tableEnd);
    };
    bool ok = fits(programMap, programs) && fits(playback, cells * 24) && fits(position, cells * 4) &&
              (programs <= cells);
    if (ok && commands != 0) {
      ok = fits(commands, 8);
      if (ok) {
        uint64_t count = uint64_t{u16(pgc + commands)} + u16(pgc + commands + 2) + u16(pgc + commands + 4);
        ok = fits(commands, 8 + count * 8);
      }
    }
    if (!ok) {
      *why = path + " has a program chain whose tables run past its end";
      return false;
    }
  }
  return true;
}

// Where the title VOB files of a set stop holding what its cells point at.
// VTS_nn_1.VOB, VTS_nn_2.VOB, ... hold the title sectors end to end and are
// read as libdvdread reads them: from the first file on, up to the first
// one that is missing.
struct TVobDamage {
  uint64_t FromSector = UINT64_MAX;  // the first sector that cannot be read
  std::string Problem;               // names the file and what is wrong with it
};

// Authoring tools split the title VOBs into files of about 1 GiB: when the
// last file there is that large, the data goes on in a file that is
// missing; a shorter last file is itself cut short.
constexpr uintmax_t kFullVobFile = 1000000000;

TVobDamage FindVobDamage(const std::string& folder, int setNumber) {
  // The folder's files by upper-case name: names compare without regard to case.
  std::map<std::string, fs::path> files;
  std::error_code ec;
  for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    for (auto& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    files.emplace(name, it->path());
  }
  auto nameOf = [&](int part) {
    char name[32];
    std::snprintf(name, sizeof name, "VTS_%02d_%d.VOB", setNumber, part);
    return std::string(name);
  };
  auto find = [&](int part) -> std::optional<fs::path> {
    auto it = files.find(nameOf(part));
    return it == files.end() ? std::nullopt : std::optional<fs::path>(it->second);
  };
  uint64_t offset = 0;
  constexpr int kParts = 9;
  for (int part = 1; part <= kParts; ++part) {
    std::optional<fs::path> path = find(part);
    if (!path) return {offset, (fs::path(folder) / nameOf(part)).string() + " is missing"};
    uintmax_t size = fs::file_size(*path, ec);
    if (ec) return {offset, path->string() + " cannot be read: " + ec.message()};
    if (size == 0) return {offset, path->string() + " is empty"};
    uint64_t end = offset + size / DVD_VIDEO_LB_LEN;
    if (part == kParts || !find(part + 1)) {
      if (size >= kFullVobFile && part < kParts)
        return {end, (fs::path(folder) / nameOf(part + 1)).string() + " is missing"};
      return {end, path->string() + " is cut short (it ends after " + std::to_string(size) + " bytes)"};
    }
    offset = end;
  }
  return {};
}

}  // namespace

double DvdTimeToSeconds(const dvd_time_t& t, double fallbackRate) {
  double rate = FrameRateOfTime(t.frame_u, fallbackRate);
  return Bcd(t.hour) * 3600.0 + Bcd(t.minute) * 60.0 + Bcd(t.second) +
         Bcd(t.frame_u & 0x3f) / rate;
}

std::string TDvdAudioTrack::Description() const {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%s (%s, %dch)", LanguageName(Language).c_str(),
                CodingName(Coding), Channels);
  return buffer;
}

std::string TDvdSubtitle::Description() const { return LanguageName(Language); }

int TDvdTitleSet::TitleAt(double t) const {
  if (Titles.empty()) return -1;
  for (size_t i = 0; i < Titles.size(); ++i)
    if (t < Titles[i].Begin + Titles[i].Length - 1e-6) return static_cast<int>(i);
  return static_cast<int>(Titles.size()) - 1;
}

int DvdSetNumberOfFile(const std::string& path) {
  std::string name = fs::path(path).filename().string();
  for (auto& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (name.size() != 12 || name.compare(0, 4, "VTS_") != 0 || name.compare(6, 6, "_0.IFO") != 0 ||
      !std::isdigit(static_cast<unsigned char>(name[4])) ||
      !std::isdigit(static_cast<unsigned char>(name[5])))
    return 0;
  return (name[4] - '0') * 10 + (name[5] - '0');
}

std::unique_ptr<TDvdTitleSet> ReadDvdTitleSet(const std::string& ifoPath, std::string* error,
                                               bool withVobSize) {
  auto fail = [&](const std::string& text) {
    if (error) *error = text;
    return nullptr;
  };
  int setNumber = DvdSetNumberOfFile(ifoPath);
  if (setNumber <= 0) return fail("not a title-set information file: " + ifoPath);
  std::error_code ec;
  if (!fs::is_regular_file(ifoPath, ec)) return fail("no such file: " + ifoPath);
  std::string why;
  if (!TablesFitTheFile(ifoPath, &why)) return fail("cannot parse " + ifoPath + ": " + why);
  std::string folder = fs::path(ifoPath).parent_path().string();
  if (folder.empty()) folder = ".";

  TDvdReaderLog log;
  std::unique_ptr<dvd_reader_t, DvdCloser> dvd(DVDOpen2(&log, log.Callbacks(), folder.c_str()));
  if (!dvd) return fail("cannot open the DVD folder " + folder + log.Text());
  std::unique_ptr<ifo_handle_t, IfoCloser> ifo(ifoOpen(dvd.get(), setNumber));
  if (!ifo || !ifo->vtsi_mat || !ifo->vts_ptt_srpt || !ifo->vts_pgcit)
    return fail("cannot parse " + ifoPath + log.Text());

  auto set = std::make_unique<TDvdTitleSet>();
  set->IfoPath = ifoPath;
  set->Folder = folder + "/";
  set->SetNumber = setNumber;
  const vtsi_mat_t& mat = *ifo->vtsi_mat;
  const video_attr_t& video = mat.vts_video_attr;
  set->Pal = video.video_format == 1;
  set->Wide = video.display_aspect_ratio == 3;
  set->Height = set->Pal ? 576 : 480;
  switch (video.picture_size) {
    case 0: set->Width = 720; break;
    case 1: set->Width = 704; break;
    case 2: set->Width = 352; break;
    default: set->Width = 352; set->Height /= 2; break;
  }
  if (ifo->vts_vobu_admap && ifo->vts_vobu_admap->vobu_start_sectors &&
      ifo->vts_vobu_admap->last_byte + 1 > VOBU_ADMAP_SIZE) {
    size_t n = (ifo->vts_vobu_admap->last_byte + 1 - VOBU_ADMAP_SIZE) / 4;
    set->VobuStarts.assign(ifo->vts_vobu_admap->vobu_start_sectors,
                           ifo->vts_vobu_admap->vobu_start_sectors + n);
    std::sort(set->VobuStarts.begin(), set->VobuStarts.end());
  }

  const vts_ptt_srpt_t& ptt = *ifo->vts_ptt_srpt;
  const pgcit_t& pgcit = *ifo->vts_pgcit;
  double begin = 0;
  for (int t = 0; t < ptt.nr_of_srpts; ++t) {
    const ttu_t& ttu = ptt.title[t];
    TDvdTitle title;
    title.Begin = begin;
    double at = 0;  // seconds from the title start
    const pgc_t* firstPgc = nullptr;
    for (int c = 0; c < ttu.nr_of_ptts; ++c) {
      int pgcn = ttu.ptt[c].pgcn, pgn = ttu.ptt[c].pgn;
      if (pgcn < 1 || pgcn > pgcit.nr_of_pgci_srp) continue;
      const pgc_t* pgc = pgcit.pgci_srp[pgcn - 1].pgc;
      if (!pgc || pgn < 1 || pgn > pgc->nr_of_programs || !pgc->program_map || !pgc->cell_playback)
        continue;
      if (!firstPgc) firstPgc = pgc;
      int firstCell = pgc->program_map[pgn - 1];
      int endCell = pgn < pgc->nr_of_programs ? pgc->program_map[pgn] : pgc->nr_of_cells + 1;
      TDvdChapter chapter;
      chapter.Begin = begin + at;
      for (int cell = firstCell; cell < endCell && cell <= pgc->nr_of_cells; ++cell) {
        if (cell < 1) continue;
        const cell_playback_t& cp = pgc->cell_playback[cell - 1];
        // Of an angle block only the first angle plays.
        if (cp.block_type == BLOCK_TYPE_ANGLE_BLOCK && cp.block_mode != BLOCK_MODE_FIRST_CELL)
          continue;
        TDvdCell tc;
        tc.FirstSector = cp.first_sector;
        tc.LastSector = std::max(cp.last_sector, cp.first_sector);
        tc.Start = at;
        tc.Length = DvdTimeToSeconds(cp.playback_time, set->FrameRate());
        at += tc.Length;
        chapter.Length += tc.Length;
        title.Cells.push_back(tc);
      }
      title.Chapters.push_back(chapter);
    }
    title.Length = at;
    if (firstPgc) {
      for (int a = 0; a < mat.nr_of_vts_audio_streams && a < 8; ++a) {
        const audio_attr_t& attr = mat.vts_audio_attr[a];
        TDvdAudioTrack track;
        if (attr.lang_type == 1) track.Language = LanguageCode(attr.lang_code);
        track.Channels = attr.channels + 1;
        track.SampleRate = attr.sample_frequency == 1 ? 96000 : 48000;
        uint16_t control = firstPgc->audio_control[a];
        int number = (control & 0x8000) ? (control >> 8) & 7 : a;
        switch (attr.audio_format) {
          case 0: track.Coding = TDvdAudioCoding::AC3; track.StreamId = 0x80 + number; break;
          case 2: track.Coding = TDvdAudioCoding::MPEG1; track.StreamId = 0x1C0 + number; break;
          case 3: track.Coding = TDvdAudioCoding::MPEG2Ext; track.StreamId = 0x1C0 + number; break;
          case 4: track.Coding = TDvdAudioCoding::LPCM; track.StreamId = 0xA0 + number; break;
          case 6: track.Coding = TDvdAudioCoding::DTS; track.StreamId = 0x88 + number; break;
          case 7: track.Coding = TDvdAudioCoding::SDDS; track.StreamId = -1; break;
          default: track.StreamId = -1; break;
        }
        title.AudioTracks.push_back(track);
      }
      for (int s = 0; s < mat.nr_of_vts_subp_streams && s < 32; ++s) {
        const subp_attr_t& attr = mat.vts_subp_attr[s];
        TDvdSubtitle sub;
        if (attr.type == 1) sub.Language = LanguageCode(attr.lang_code);
        uint32_t control = firstPgc->subp_control[s];
        int number = s;
        if (control & 0x80000000u)
          number = set->Wide ? (control >> 16) & 0x1f : (control >> 24) & 0x1f;
        sub.StreamId = 0x20 + number;
        title.Subtitles.push_back(sub);
      }
      for (int i = 0; i < 16; ++i) title.Palette[i] = PaletteToRgb(firstPgc->palette[i]);
    }
    begin += title.Length;
    set->Titles.push_back(std::move(title));
  }

  // A title with a cell past the readable sectors cannot be read; the
  // other titles of the set still can.
  const TVobDamage damage = FindVobDamage(folder, setNumber);
  for (auto& title : set->Titles)
    for (const auto& cell : title.Cells)
      if (cell.LastSector >= damage.FromSector) title.VobProblem = damage.Problem;

  if (withVobSize) {
    // Nothing readable: the file that holds the first sector says why.
    const bool noData = damage.FromSector == 0 && !damage.Problem.empty();
    dvd_file_t* vob = DVDOpenFile(dvd.get(), setNumber, DVD_READ_TITLE_VOBS);
    if (!vob)
      return fail(noData ? damage.Problem : "the title VOB files of " + ifoPath + " are missing" + log.Text());
    ssize_t blocks = DVDFileSize(vob);
    DVDCloseFile(vob);
    if (blocks <= 0) return fail(noData ? damage.Problem : "the title VOB files of " + ifoPath + " are empty");
    set->TitleVobSectors = static_cast<uint32_t>(blocks);
  }
  return set;
}

}  // namespace reelcast
