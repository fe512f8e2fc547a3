// TBitsEngine packs and unpacks the SWF bit fields, little-endian integers,
// fixed-point numbers, strings and compound records over any TStream.
//
// Bit fields are packed most significant bit first. Byte-aligned integer
// writes (WriteWord, WriteDWord and what builds on them) first pad and emit
// pending bits; WriteByte and WriteString do not, so a writer that follows bit
// fields with bytes calls FlushBits(true) itself. On the read side no integer
// read aligns by itself: a reader calls FlushBits(false) after a group of bit
// fields (the compound readers do so). The engine checks nothing of its own:
// stream exceptions (reading past the end) reach the caller unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "swf/Records.h"
#include "swf/Stream.h"

namespace reelcast {

class TBitsEngine {
 public:
  // The stream is not owned; freeing the engine neither flushes nor frees it.
  explicit TBitsEngine(TStream& stream);

  TStream& Stream() const { return *stream_; }
  // Bits pending in the partial byte (0..7).
  int PendingBits() const { return bitCount_; }

  // ------------------------------------------------------------- writing
  void WriteBits(uint32_t value, int count);
  void WriteBits(uint16_t value, int count) { WriteBits(static_cast<uint32_t>(value), count); }
  void WriteBits(uint8_t value, int count) { WriteBits(static_cast<uint32_t>(value), count); }
  // Signed values go through their two's-complement bits, cut to count.
  void WriteBits(int32_t value, int count) { WriteBits(static_cast<uint32_t>(value), count); }
  void WriteBit(bool flag) { WriteBits(static_cast<uint32_t>(flag ? 1 : 0), 1); }
  // Joins the bit stream unaligned when bits are pending.
  void WriteByte(uint8_t b);
  void WriteWord(uint16_t w);
  void WriteDWord(uint32_t d);
  void WriteWordBE(uint16_t w);
  void WriteFixed16(float x);
  void WriteSingle(float x);
  void WriteRGB(uint32_t rgb);
  void WriteRGBA(uint32_t rgba);
  void WriteRect(const TSWFRectRec& r);
  void WriteTRect(const TRect& r);
  // utf8: convert from the system code page first; addZero: terminate.
  void WriteString(const std::string& s, bool addZero = true, bool utf8 = false);
  void WriteBuffer(const void* p, size_t len, bool addZero = false);
  void WriteMatrix(const TSWFMatrixRec& m);
  void WriteColorTransform(const TSWFColorTransformRec& c);
  // write: pad pending bits with zeros and emit the byte; either way the
  // partial byte is dropped afterwards.
  void FlushBits(bool write);

  // ------------------------------------------------------------- reading
  uint32_t ReadBits(int count);
  int32_t ReadSBits(int count);
  uint8_t ReadByte();
  uint16_t ReadWord();
  uint32_t ReadDWord();
  uint16_t ReadWordBE();
  // min(count, 4) bytes little-endian.
  uint32_t ReadUInt(int count);
  float ReadFixed16();
  float ReadSingle();
  double ReadDoubleBE();
  // count bytes (0..255); the result stops at the first zero among them.
  std::string ReadFixedString(int count);
  // Bytes up to a zero byte (consumed, not kept).
  std::string ReadString();
  // Big-endian 16-bit length, then that many bytes.
  std::string ReadStringBE16();
  uint32_t ReadRGB();
  uint32_t ReadRGBA();
  TRect ReadRect();
  TSWFRectRec ReadRectRec();
  TSWFMatrixRec ReadMatrix();
  TSWFColorTransformRec ReadColorTransform(bool withAlpha);
  // Reads len bytes into p (a short stream throws EReadError).
  void ReadBuffer(void* p, size_t len);

 private:
  void PutByte(uint8_t b);

  TStream* stream_;
  TMemoryStream* memory_;  // fast path when the stream is a memory stream
  uint32_t bitBuffer_ = 0;
  int bitCount_ = 0;
};

}  // namespace reelcast
