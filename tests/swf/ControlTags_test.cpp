#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "swf/Bitmaps.h"
#include "swf/ControlTags.h"
#include "swf/MD5Crypt.h"
#include "swf/SWFObject.h"
#include "swf/SwfTestHelpers.h"

namespace reelcast {
namespace {

using test::Bytes;
using test::Hex;

std::string WriteTag(TSWFObject& tag) {
  TMemoryStream s;
  TBitsEngine be(s);
  tag.WriteToStream(be);
  return s.ToString();
}

// Reads one whole tag (header and body) the way the file reader does: the
// factory object for the code, BodySize from the header, a window over the body.
std::unique_ptr<TSWFObject> ReadTag(const std::string& bytes) {
  TMemoryViewStream header(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  TBitsEngine hb(header);
  uint16_t word = hb.ReadWord();
  uint32_t length = word & 63;
  if (length == 63) length = hb.ReadDWord();
  auto tag = CreateTagObject(word >> 6);
  tag->BodySize = static_cast<int32_t>(length);
  int64_t start = header.Position();
  TMemoryViewStream body(reinterpret_cast<const uint8_t*>(bytes.data()) + start, length);
  TBitsEngine be(body);
  tag->ReadFromStream(be);
  return tag;
}

struct TagRow {
  const char* name;
  std::function<std::unique_ptr<TSWFObject>()> make;
  const char* bytes;  // header and body
  uint8_t minVersion;
  std::function<void(TSWFObject&)> check;  // fields of the object read back
};

class ControlTagTable : public testing::TestWithParam<TagRow> {};

TEST_P(ControlTagTable, WriteGivesBytesAndBytesGiveTheObject) {
  const TagRow& row = GetParam();
  auto tag = row.make();
  EXPECT_EQ(Hex(WriteTag(*tag)), Hex(Bytes(row.bytes)));
  EXPECT_EQ(tag->MinVersion(), row.minVersion);

  auto back = ReadTag(Bytes(row.bytes));
  EXPECT_EQ(back->ClassName(), tag->ClassName());
  EXPECT_EQ(Hex(WriteTag(*back)), Hex(Bytes(row.bytes)));
  if (row.check) row.check(*back);

  // Assign into a fresh object of the same class copies every field.
  auto copy = back->Clone();
  EXPECT_EQ(Hex(WriteTag(*copy)), Hex(Bytes(row.bytes)));
}

template <class T>
std::function<std::unique_ptr<TSWFObject>()> Make(std::function<void(T&)> fill = nullptr) {
  return [fill] {
    auto t = std::make_unique<T>();
    if (fill) fill(*t);
    return std::unique_ptr<TSWFObject>(std::move(t));
  };
}

std::function<std::unique_ptr<TSWFObject>()> Raw(uint16_t code, size_t size) {
  return [code, size] {
    auto t = std::make_unique<TSWFByteCodeTag>();
    t->FileTagCode = code;
    std::string body(size, '\x5A');
    t->SetData(body.data(), static_cast<uint32_t>(body.size()));
    return std::unique_ptr<TSWFObject>(std::move(t));
  };
}

std::string RawBytes(const char* header, size_t size) {
  return std::string(header) + " " + Hex(std::string(size, '\x5A'));
}

const std::string kRaw62 = RawBytes("3E 13", 62);
const std::string kRaw63 = RawBytes("3F 13 3F 00 00 00", 63);
const std::string kLossless20 = RawBytes("3F 05 14 00 00 00", 20);

INSTANTIATE_TEST_SUITE_P(
    Tags, ControlTagTable,
    testing::Values(
        TagRow{"end", Make<TSWFEnd>(), "00 00", 1, nullptr},
        TagRow{"show_frame", [] { return CreateTagObject(1); }, "40 00", 1, nullptr},
        TagRow{"background_red",
               Make<TSWFSetBackgroundColor>([](auto& t) { t.Color.SetRGB(0x0000FF); }),
               "43 02 FF 00 00", 1,
               [](TSWFObject& o) {
                 EXPECT_EQ(dynamic_cast<TSWFSetBackgroundColor&>(o).Color.RGB(), 0x0000FFu);
               }},
        TagRow{"frame_label", Make<TSWFFrameLabel>([](auto& t) { t.Name = "Scene"; }),
               "C6 0A 53 63 65 6E 65 00", 3,
               [](TSWFObject& o) {
                 auto& l = dynamic_cast<TSWFFrameLabel&>(o);
                 EXPECT_EQ(l.Name, "Scene");
                 EXPECT_FALSE(l.IsAnchor);
               }},
        TagRow{"frame_label_anchor",
               Make<TSWFFrameLabel>([](auto& t) {
                 t.Name = "Scene";
                 t.IsAnchor = true;
               }),
               "C7 0A 53 63 65 6E 65 00 01", 6,
               [](TSWFObject& o) { EXPECT_TRUE(dynamic_cast<TSWFFrameLabel&>(o).IsAnchor); }},
        TagRow{"protect_without_password", Make<TSWFProtect>(), "00 06", 2, nullptr},
        TagRow{"protect_with_hash",
               Make<TSWFProtect>([](auto& t) { t.PasswordHash = "$1$ab$x"; }),
               "0A 06 00 00 24 31 24 61 62 24 78 00", 5,
               [](TSWFObject& o) {
                 EXPECT_EQ(dynamic_cast<TSWFProtect&>(o).PasswordHash, "$1$ab$x");
               }},
        TagRow{"debugger2", Make<TSWFEnableDebugger2>([](auto& t) { t.PasswordHash = "h"; }),
               "04 10 00 00 68 00", 6, nullptr},
        TagRow{"export_assets",
               Make<TSWFExportAssets>([](auto& t) {
                 t.AddAsset("a", 3);
                 t.AddAsset("bc", 258);
               }),
               "0B 0E 02 00 03 00 61 00 02 01 62 63 00", 5,
               [](TSWFObject& o) {
                 auto& e = dynamic_cast<TSWFExportAssets&>(o);
                 ASSERT_EQ(e.Assets.size(), 2u);
                 EXPECT_EQ(e.Assets[1], (TSWFAsset{"bc", 258}));
               }},
        TagRow{"import_assets",
               Make<TSWFImportAssets>([](auto& t) {
                 t.URL = "u";
                 t.AddAsset("a", 1);
               }),
               "48 0E 75 00 01 00 01 00 61 00", 5,
               [](TSWFObject& o) { EXPECT_EQ(dynamic_cast<TSWFImportAssets&>(o).URL, "u"); }},
        TagRow{"import_assets2",
               Make<TSWFImportAssets2>([](auto& t) {
                 t.URL = "u";
                 t.AddAsset("a", 1);
               }),
               "CA 11 75 00 01 00 01 00 01 00 61 00", 5, nullptr},
        TagRow{"script_limits",
               Make<TSWFScriptLimits>([](auto& t) {
                 t.MaxRecursionDepth = 1000;
                 t.ScriptTimeoutSeconds = 60;
               }),
               "44 10 E8 03 3C 00", 7, nullptr},
        TagRow{"set_tab_index",
               Make<TSWFSetTabIndex>([](auto& t) {
                 t.Depth = 2;
                 t.TabIndex = 9;
               }),
               "84 10 02 00 09 00", 7, nullptr},
        TagRow{"file_attributes_network_only",
               Make<TSWFFileAttributes>([](auto& t) { t.UseNetwork = true; }),
               "44 11 01 00 00 00", 8,
               [](TSWFObject& o) {
                 auto& f = dynamic_cast<TSWFFileAttributes&>(o);
                 EXPECT_FALSE(f.HasMetadata);
                 EXPECT_TRUE(f.UseNetwork);
               }},
        // Flags of later versions (here bit 3) survive a rewrite.
        TagRow{"file_attributes_later_flags",
               Make<TSWFFileAttributes>([](auto& t) {
                 t.HasMetadata = true;
                 t.OtherFlags = 0x08;
               }),
               "44 11 18 00 00 00", 8,
               [](TSWFObject& o) {
                 EXPECT_TRUE(dynamic_cast<TSWFFileAttributes&>(o).HasMetadata);
               }},
        TagRow{"metadata_converted_once",
               Make<TSWFMetadata>([](auto& t) { t.XML = "<x>\xE9</x>"; }),
               "4A 13 3C 78 3E C3 A9 3C 2F 78 3E 00", 8,
               [](TSWFObject& o) {
                 EXPECT_EQ(dynamic_cast<TSWFMetadata&>(o).XML, "<x>\xC3\xA9</x>");
               }},
        TagRow{"scaling_grid",
               Make<TSWFDefineScalingGrid>([](auto& t) {
                 t.CharacterId = 7;
                 t.Splitter.SetRect({20, 20, 200, 100});
               }),
               "88 13 07 00 48 51 90 14 32 00", 8,
               [](TSWFObject& o) {
                 auto& g = dynamic_cast<TSWFDefineScalingGrid&>(o);
                 EXPECT_EQ(g.CharacterId, 7);
                 EXPECT_EQ(g.Splitter.Rect(), (TRect{20, 20, 200, 100}));
               }},
        TagRow{"raw_62_short_header", Raw(76, 62), kRaw62.c_str(), 1, nullptr},
        TagRow{"raw_63_long_header", Raw(76, 63), kRaw63.c_str(), 1,
               [](TSWFObject& o) {
                 auto& r = dynamic_cast<TSWFByteCodeTag&>(o);
                 EXPECT_EQ(r.FileTagCode, 76);
                 EXPECT_EQ(r.ErrorText, "Uniknow tag");
                 EXPECT_EQ(r.TagID, kRawTagCode);
               }},
        // Code 20 reads as a DefineBitsLossless: id, format, width and
        // height, then 13 data bytes, all 0x5A.
        TagRow{"lossless_always_long",
               [] {
                 auto t = std::make_unique<TSWFDefineBitsLossless>();
                 t->CharacterId = 0x5A5A;
                 t->BitmapFormat = 0x5A;
                 t->BitmapWidth = t->BitmapHeight = 0x5A5A;
                 std::string data(13, '\x5A');
                 t->SetData(data.data(), 13);
                 return std::unique_ptr<TSWFObject>(std::move(t));
               },
               kLossless20.c_str(), 2, nullptr}),
    [](const testing::TestParamInfo<TagRow>& info) { return std::string(info.param.name); });

TEST(TagModel, RawTagKeepsItsCodeOverRepeatedWrites) {
  auto tag = ReadTag(Bytes("03 13 01 02 03"));  // code 76, 3 bytes
  EXPECT_EQ(Hex(WriteTag(*tag)), "03 13 01 02 03");
  EXPECT_EQ(Hex(WriteTag(*tag)), "03 13 01 02 03");
  EXPECT_EQ(tag->TagID, kRawTagCode);
  EXPECT_EQ(tag->BodySize, 3);
  EXPECT_EQ(tag->GetFullSize(), 5);
}

TEST(TagModel, RawTagRefusesALengthPastItsBody) {
  auto raw = CreateTagObject(76);
  raw->BodySize = 1000000;
  std::string body = "abc";
  TMemoryViewStream view(reinterpret_cast<const uint8_t*>(body.data()), body.size());
  TBitsEngine be(view);
  EXPECT_THROW(raw->ReadFromStream(be), EReadError);
}

TEST(TagModel, FactoryAndHelpers) {
  EXPECT_EQ(CreateTagObject(9)->ClassName(), "TSWFSetBackgroundColor");
  EXPECT_EQ(TagName(69), "FileAttributes");
  EXPECT_EQ(TagClassName(1000), "TSWFByteCodeTag");
  auto raw = CreateTagObject(1000);
  EXPECT_EQ(dynamic_cast<TSWFByteCodeTag&>(*raw).FileTagCode, 1000);

  TSWFObject plain(12);
  plain.BodySize = 62;
  EXPECT_EQ(plain.GetFullSize(), 64);
  plain.BodySize = 63;
  EXPECT_EQ(plain.GetFullSize(), 69);

  TMemoryStream body, out;
  body.WriteBuffer("xyz", 3);
  body.SetPosition(0);
  WriteTagFromStream(out, 12, body);
  EXPECT_EQ(Hex(out.ToString()), "03 03 78 79 7A");
  out.Clear();
  body.SetPosition(1);
  WriteTagFromStream(out, 36, body, 2);
  EXPECT_EQ(Hex(out.ToString()), "3F 09 02 00 00 00 79 7A");
}

TEST(TagModel, DataObjectAssignCopiesBytesOrTheWriteEvent) {
  static const uint8_t kShared[] = {1, 2, 3};
  TSWFByteCodeTag source;
  source.FileTagCode = 50;
  source.SetDataReference(kShared, 3);
  EXPECT_FALSE(source.OwnsData());
  TSWFByteCodeTag copy;
  copy.Assign(source);
  EXPECT_TRUE(copy.OwnsData());
  EXPECT_NE(copy.Data(), source.Data());
  EXPECT_EQ(Hex(WriteTag(copy)), "83 0C 01 02 03");

  TSWFByteCodeTag streamed;
  streamed.FileTagCode = 50;
  streamed.OnDataWrite = [](TSWFDataObject&, TBitsEngine& be) { be.WriteString("big", false); };
  TSWFByteCodeTag copy2;
  copy2.Assign(streamed);
  EXPECT_EQ(copy2.DataSize(), 0u);
  EXPECT_EQ(Hex(WriteTag(copy2)), "83 0C 62 69 67");
}

TEST(MD5Crypt, KnownHashesOfTheScheme) {
  // Digests of the published test suite, then hashes of the crypt scheme.
  auto hex = [](const std::array<uint8_t, 16>& d) {
    return Hex(std::string(d.begin(), d.end()));
  };
  EXPECT_EQ(hex(MD5Digest("")), Hex(Bytes("d41d8cd98f00b204e9800998ecf8427e")));
  EXPECT_EQ(hex(MD5Digest("message digest")), Hex(Bytes("f96b697d7cb7938d525a2f31aaf161d0")));
  EXPECT_EQ(hex(MD5Digest(std::string(80, '1').replace(0, 80, "1234567890123456789012345678901234567890"
                                                                "1234567890123456789012345678901234567890"))),
            Hex(Bytes("57edf4a22be3c955ac49da2e2107b67a")));
  struct {
    const char* password;
    const char* salt;
    const char* hash;
  } rows[] = {
      {"password", "ab", "$1$ab$oKsM6dtDD2L1bKowOBX.7."},
      {"", "xy", "$1$xy$JSgu5Zv4igzK2ULm5nTM30"},
      {"aaaaaaaaaaaaaaaaaaaa", "Zq", "$1$Zq$.VwTGo8ZKFvXvOLttuhXi."},
      // A "$1$" prefix is dropped and the salt cut to 2 characters.
      {"secret", "$1$QQrest", "$1$QQ$zeIrS6UrlCq/W7xb5Usvq0"},
  };
  for (const auto& r : rows) EXPECT_EQ(MD5Crypt(r.password, r.salt), r.hash) << r.password;
}

TEST(MD5Crypt, ShortSaltIsReplacedByRandomCharacters) {
  const std::string alphabet = "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  std::string a = MD5Crypt("pw", "x");
  ASSERT_EQ(a.size(), 3u + 2 + 1 + 22);
  EXPECT_EQ(a.substr(0, 3), "$1$");
  EXPECT_NE(alphabet.find(a[3]), std::string::npos);
  EXPECT_EQ(a[5], '$');
  // Same salt, same hash: the random salt is the only source of difference.
  EXPECT_EQ(MD5Crypt("pw", a.substr(3, 2)), a);
  // A password longer than 255 bytes still hashes (its length enters as a byte).
  EXPECT_EQ(MD5Crypt(std::string(300, 'p'), "ab").size(), 28u);
}

TEST(ProtectTag, PlainPasswordIsHashedWithAFreshSaltOnEveryWrite) {
  TSWFProtect protect;
  protect.Password = "secret";
  std::string first = WriteTag(protect);
  ASSERT_EQ(first.size(), 2u + 31);
  EXPECT_EQ(Hex(first.substr(0, 4)), "1F 06 00 00");  // code 24, length 31, reserved
  EXPECT_EQ(first.back(), '\0');
  std::string hash = first.substr(4, 28);
  EXPECT_EQ(hash, protect.PasswordHash);
  EXPECT_EQ(MD5Crypt("secret", hash.substr(3, 2)), hash);
  int differ = 0;
  for (int i = 0; i < 8; ++i) differ += WriteTag(protect) != first;
  EXPECT_GT(differ, 0);
}

}  // namespace
}  // namespace reelcast
