#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "swf/BitsEngine.h"
#include "swf/SwfTestHelpers.h"

namespace reelcast {
namespace {

using test::Bytes;
using test::Fill;
using test::Hex;
using test::Written;

// Each row: a writer, the exact bytes it must give, and a reader that must
// take the same bytes back to the same values (checked inside the reader).
struct BitsRow {
  const char* name;
  std::function<void(TBitsEngine&)> write;
  const char* bytes;
  std::function<void(TBitsEngine&)> readBack;
};

class BitsTable : public testing::TestWithParam<BitsRow> {};

TEST_P(BitsTable, WritesExactBytesAndReadsThemBack) {
  const BitsRow& row = GetParam();
  EXPECT_EQ(Hex(Written(row.write)), Hex(Bytes(row.bytes)));
  if (row.readBack) {
    TMemoryStream stream;
    Fill(stream, Bytes(row.bytes));
    TBitsEngine engine(stream);
    row.readBack(engine);
    EXPECT_EQ(stream.Position(), stream.Size()) << "reader left bytes unread";
  }
}

const TSWFRectRec kStage{0, 11000, 0, 8000};
const TSWFMatrixRec kFull{true, true, 0x18000, -0x8000, 0x100, -0x200, 400, -3};
const TSWFColorTransformRec kCx{-20, 10, 255, -255, 256, 128, 0, 64, true, true, true};

INSTANTIATE_TEST_SUITE_P(
    Engine, BitsTable,
    testing::Values(
        BitsRow{"bits_then_flush",
                [](TBitsEngine& e) {
                  e.WriteBits(5, 3);
                  e.WriteBits(1, 1);
                  e.FlushBits(true);
                },
                "B0",
                [](TBitsEngine& e) {
                  EXPECT_EQ(e.ReadBits(3), 5u);
                  EXPECT_EQ(e.ReadBits(1), 1u);
                  e.FlushBits(false);
                }},
        BitsRow{"byte_after_pending_bits_straddles",
                [](TBitsEngine& e) {
                  e.WriteBits(5, 3);
                  e.WriteByte(0xFF);
                  e.FlushBits(true);
                },
                "BF E0",
                [](TBitsEngine& e) {
                  EXPECT_EQ(e.ReadBits(3), 5u);
                  EXPECT_EQ(e.ReadBits(8), 0xFFu);
                  e.FlushBits(false);
                }},
        BitsRow{"word_aligns_first",
                [](TBitsEngine& e) {
                  e.WriteBit(true);
                  e.WriteWord(0x1234);
                  e.WriteDWord(0xA1B2C3D4);
                },
                "80 34 12 D4 C3 B2 A1",
                [](TBitsEngine& e) {
                  EXPECT_EQ(e.ReadBits(1), 1u);
                  e.FlushBits(false);
                  EXPECT_EQ(e.ReadWord(), 0x1234);
                  EXPECT_EQ(e.ReadDWord(), 0xA1B2C3D4u);
                }},
        BitsRow{"32_bit_field_after_7_pending",
                [](TBitsEngine& e) {
                  e.WriteBits(0x7F, 7);
                  e.WriteBits(0x80000001u, 32);
                  e.FlushBits(true);
                },
                "FF 00 00 00 02",
                [](TBitsEngine& e) {
                  EXPECT_EQ(e.ReadBits(7), 0x7Fu);
                  EXPECT_EQ(e.ReadBits(32), 0x80000001u);
                  e.FlushBits(false);
                }},
        BitsRow{"negative_bits_are_cut_two_complement",
                [](TBitsEngine& e) {
                  e.WriteBits(-1, 5);
                  e.WriteBits(15, 5);
                  e.FlushBits(true);
                },
                "FB C0",
                [](TBitsEngine& e) {
                  EXPECT_EQ(e.ReadSBits(5), -1);
                  EXPECT_EQ(e.ReadSBits(5), 15);
                  e.FlushBits(false);
                }},
        BitsRow{"stage_rect_9_bytes",
                [](TBitsEngine& e) { e.WriteRect(kStage); },
                "78 00 05 5F 00 00 0F A0 00",
                [](TBitsEngine& e) { EXPECT_EQ(e.ReadRectRec(), kStage); }},
        BitsRow{"zero_rect_single_byte",
                [](TBitsEngine& e) { e.WriteRect({}); }, "00",
                [](TBitsEngine& e) { EXPECT_EQ(e.ReadRect(), TRect{}); }},
        BitsRow{"trect_normalised",
                [](TBitsEngine& e) { e.WriteTRect({10, 5, -10, -5}); },
                "2D 95 B2 80",
                [](TBitsEngine& e) { EXPECT_EQ(e.ReadRect(), (TRect{-10, -5, 10, 5})); }},
        BitsRow{"identity_matrix", [](TBitsEngine& e) { e.WriteMatrix({}); }, "00",
                [](TBitsEngine& e) { EXPECT_EQ(e.ReadMatrix(), TSWFMatrixRec{}); }},
        BitsRow{"matrix_translate_x_minus_20",
                [](TBitsEngine& e) {
                  TSWFMatrixRec m;
                  m.TranslateX = -20;
                  e.WriteMatrix(m);
                },
                "0D 60 00",
                [](TBitsEngine& e) {
                  TSWFMatrixRec m;
                  m.TranslateX = -20;
                  EXPECT_EQ(e.ReadMatrix(), m);
                }},
        BitsRow{"full_matrix_round_trip",
                [](TBitsEngine& e) { e.WriteMatrix(kFull); },
                "C9 80 00 E0 00 2B C0 04 01 4C 87 FA",
                [](TBitsEngine& e) { EXPECT_EQ(e.ReadMatrix(), kFull); }},
        BitsRow{"empty_cxform", [](TBitsEngine& e) { e.WriteColorTransform({}); }, "00",
                [](TBitsEngine& e) {
                  EXPECT_EQ(e.ReadColorTransform(false), TSWFColorTransformRec{});
                }},
        BitsRow{"cxform_with_alpha",
                [](TBitsEngine& e) { e.WriteColorTransform(kCx); },
                "E9 00 20 00 01 03 EC 02 8F FC 04",
                [](TBitsEngine& e) { EXPECT_EQ(e.ReadColorTransform(true), kCx); }},
        BitsRow{"strings_ansi_and_utf8",
                [](TBitsEngine& e) {
                  e.WriteString("ab");
                  e.WriteString("");
                  e.WriteString("\xE9\x80", true, true);
                  e.WriteString("x", false);
                },
                "61 62 00 00 C3 A9 E2 82 AC 00 78",
                [](TBitsEngine& e) {
                  EXPECT_EQ(e.ReadString(), "ab");
                  EXPECT_EQ(e.ReadString(), "");
                  EXPECT_EQ(Utf8ToAnsi(e.ReadString()), "\xE9\x80");
                  EXPECT_EQ(e.ReadFixedString(1), "x");
                }},
        BitsRow{"colours_and_big_endian",
                [](TBitsEngine& e) {
                  e.WriteRGB(0x0000FF);
                  e.WriteRGBA(0x80102030);
                  e.WriteWordBE(0x0102);
                },
                "FF 00 00 30 20 10 80 01 02",
                [](TBitsEngine& e) {
                  EXPECT_EQ(e.ReadRGB(), 0x0000FFu);
                  EXPECT_EQ(e.ReadRGBA(), 0x80102030u);
                  EXPECT_EQ(e.ReadWordBE(), 0x0102);
                }},
        BitsRow{"fixed_and_single",
                [](TBitsEngine& e) {
                  e.WriteFixed16(-0.5f);
                  e.WriteSingle(1.0f);
                },
                "00 80 FF FF 00 00 80 3F",
                [](TBitsEngine& e) {
                  EXPECT_EQ(e.ReadFixed16(), -0.5f);
                  EXPECT_EQ(e.ReadSingle(), 1.0f);
                }}),
    [](const testing::TestParamInfo<BitsRow>& info) { return std::string(info.param.name); });

TEST(BitsEngineRead, ReadsOnlyWhatTheFieldsSay) {
  TMemoryStream s;
  TBitsEngine e(s);
  Fill(s, Bytes("00 03 61 62 63"));
  EXPECT_EQ(e.ReadStringBE16(), "abc");

  Fill(s, Bytes("01 02 03 04 05 06"));
  EXPECT_EQ(e.ReadUInt(6), 0x04030201u);
  EXPECT_EQ(s.Position(), 4);

  Fill(s, Bytes("61 00 62 63"));
  EXPECT_EQ(e.ReadFixedString(4), "a");
  EXPECT_EQ(s.Position(), 4);

  Fill(s, Bytes("40 09 21 FB 54 44 2D 18"));
  EXPECT_DOUBLE_EQ(e.ReadDoubleBE(), 3.141592653589793);

  Fill(s, Bytes("F0"));
  EXPECT_EQ(e.ReadBits(0), 0u);
  EXPECT_EQ(e.ReadBits(2), 3u);
  // ReadByte leaves the partial byte alone.
  EXPECT_THROW(e.ReadByte(), EReadError);
  EXPECT_EQ(e.ReadBits(6), 0x30u);
}

TEST(BitsEngineRead, EndOfStreamIsAnException) {
  TMemoryStream s;
  TBitsEngine e(s);
  Fill(s, Bytes("61 62"));
  EXPECT_THROW(e.ReadString(), EReadError);
  Fill(s, Bytes("FF"));
  EXPECT_THROW(e.ReadBits(9), EReadError);
  Fill(s, Bytes("01"));
  EXPECT_THROW(e.ReadWord(), EReadError);
  // A rectangle whose bit count promises more than the stream holds.
  Fill(s, Bytes("F8 00"));
  EXPECT_THROW(e.ReadRect(), EReadError);

  // Bounded windows end where the window ends, also for strings.
  std::string bytes = Bytes("61 62 00");
  TMemoryViewStream view(reinterpret_cast<const uint8_t*>(bytes.data()), 2);
  TBitsEngine ve(view);
  EXPECT_THROW(ve.ReadString(), EReadError);
}

TEST(BitsHelpers, CountsAndFixedPoint) {
  struct {
    uint32_t v;
    uint8_t bits;
  } counts[] = {{0, 0}, {1, 1}, {255, 8}, {256, 9}, {0x7FFFFFFF, 31}, {0x80000000u, 0}};
  for (auto c : counts) EXPECT_EQ(GetBitsCount(c.v), c.bits) << c.v;
  EXPECT_EQ(GetSignedBitsCount(-8, 1), 5);
  EXPECT_EQ(GetSignedBitsCount(0, 1), 0);
  EXPECT_EQ(MaxAbs(3, -7, 5, 0), 7);
  EXPECT_TRUE(CheckBit(0x0004, 3));
  EXPECT_FALSE(CheckBit(0x0004, 2));

  EXPECT_EQ(SingleToFixed8(12.5f), 0x0C80);
  EXPECT_EQ(SingleToFixed8(29.97f), 0x1DF8);
  EXPECT_EQ(Fixed8ToSingle(0x1800), 24.0f);
  EXPECT_EQ(SingleToFixed16(-0.5f), -32768);
  EXPECT_EQ(SingleToFixed16(1.99999f), 131071);  // truncated, not rounded
  EXPECT_EQ(SingleToFixed16(1e12f), INT32_MAX);  // saturates instead of overflowing
  EXPECT_EQ(SingleToFixed16(NAN), 0);
  EXPECT_EQ(Fixed16ToSingle(0x18000), 1.5f);
}

TEST(BitsHelpers, ColoursAndRectangles) {
  EXPECT_EQ(MakeRGBA(1, 2, 3, 4), 0x04030201u);
  EXPECT_EQ(ColorToRGBA(0x0000FF, 0x80), 0x800000FFu);
  EXPECT_EQ(SetAlphaOf(0x10, 0xFF112233u), 0x10112233u);
  EXPECT_EQ(ColorToSWFRGB(0x00336699), (TSWFRGBRec{0x99, 0x66, 0x33}));
  EXPECT_EQ(RectToSWFRect({10, 20, 0, 5}, true), (TSWFRectRec{0, 200, 100, 400}));
  EXPECT_EQ(AnsiToUtf8("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(Utf8ToAnsi("caf\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD"), "caf\xE9 \x80 ?");
}

}  // namespace
}  // namespace reelcast
