#include "swf/BitsEngine.h"

#include <algorithm>
#include <cstring>

namespace reelcast {

namespace {
inline uint64_t LowMask(int count) { return count >= 64 ? ~0ull : ((1ull << count) - 1); }
}  // namespace

TBitsEngine::TBitsEngine(TStream& stream)
    : stream_(&stream), memory_(dynamic_cast<TMemoryStream*>(&stream)) {}

void TBitsEngine::PutByte(uint8_t b) {
  if (memory_) memory_->WriteOneByte(b);
  else stream_->WriteBuffer(&b, 1);
}

// ------------------------------------------------------------------ writing

void TBitsEngine::WriteBits(uint32_t value, int count) {
  if (count <= 0) return;
  if (count > 32) count = 32;
  uint64_t v = value & LowMask(count);
  int total = bitCount_ + count;
  int whole = total / 8;
  if (whole == 0) {
    bitBuffer_ = static_cast<uint32_t>((static_cast<uint64_t>(bitBuffer_) << count) | v);
    bitCount_ = total;
    return;
  }
  int rest = total % 8;
  uint64_t accumulator;
  if (rest > 0) {
    accumulator = (static_cast<uint64_t>(bitBuffer_) << (count - rest)) + (v >> rest);
    bitBuffer_ = static_cast<uint32_t>(v & LowMask(rest));
    bitCount_ = rest;
  } else {
    accumulator = (static_cast<uint64_t>(bitBuffer_) << count) + v;
    bitBuffer_ = 0;
    bitCount_ = 0;
  }
  for (int i = whole - 1; i >= 0; --i) PutByte(static_cast<uint8_t>(accumulator >> (8 * i)));
}

void TBitsEngine::WriteByte(uint8_t b) {
  if (bitCount_ > 0) WriteBits(static_cast<uint32_t>(b), 8);
  else PutByte(b);
}

void TBitsEngine::WriteWord(uint16_t w) {
  FlushBits(true);
  uint8_t bytes[2] = {static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8)};
  stream_->WriteBuffer(bytes, 2);
}

void TBitsEngine::WriteDWord(uint32_t d) {
  FlushBits(true);
  uint8_t bytes[4] = {static_cast<uint8_t>(d), static_cast<uint8_t>(d >> 8),
                      static_cast<uint8_t>(d >> 16), static_cast<uint8_t>(d >> 24)};
  stream_->WriteBuffer(bytes, 4);
}

void TBitsEngine::WriteWordBE(uint16_t w) { WriteBits(static_cast<uint32_t>(w), 16); }

void TBitsEngine::WriteFixed16(float x) {
  WriteDWord(static_cast<uint32_t>(SingleToFixed16(x)));
}

void TBitsEngine::WriteSingle(float x) {
  uint32_t bits;
  std::memcpy(&bits, &x, 4);
  WriteDWord(bits);
}

void TBitsEngine::WriteRGB(uint32_t rgb) {
  uint8_t bytes[3] = {static_cast<uint8_t>(rgb), static_cast<uint8_t>(rgb >> 8),
                      static_cast<uint8_t>(rgb >> 16)};
  stream_->WriteBuffer(bytes, 3);
}

void TBitsEngine::WriteRGBA(uint32_t rgba) {
  uint8_t bytes[4] = {static_cast<uint8_t>(rgba), static_cast<uint8_t>(rgba >> 8),
                      static_cast<uint8_t>(rgba >> 16), static_cast<uint8_t>(rgba >> 24)};
  stream_->WriteBuffer(bytes, 4);
}

void TBitsEngine::WriteRect(const TSWFRectRec& r) {
  int n = GetSignedBitsCount(MaxAbs(r.Xmin, r.Xmax, r.Ymin, r.Ymax), 1);
  WriteBits(static_cast<uint32_t>(n), 5);
  WriteBits(r.Xmin, n);
  WriteBits(r.Xmax, n);
  WriteBits(r.Ymin, n);
  WriteBits(r.Ymax, n);
  FlushBits(true);
}

void TBitsEngine::WriteTRect(const TRect& r) { WriteRect(RectToSWFRect(r, false)); }

void TBitsEngine::WriteString(const std::string& s, bool addZero, bool utf8) {
  const std::string converted = utf8 ? AnsiToUtf8(s) : std::string();
  const std::string& bytes = utf8 ? converted : s;
  WriteBuffer(bytes.data(), bytes.size(), addZero);
}

void TBitsEngine::WriteBuffer(const void* p, size_t len, bool addZero) {
  if (len > 0) {
    if (bitCount_ == 0) {
      stream_->WriteBuffer(p, len);
    } else {
      const auto* bytes = static_cast<const uint8_t*>(p);
      for (size_t i = 0; i < len; ++i) WriteByte(bytes[i]);
    }
  }
  if (addZero) WriteByte(0);
}

void TBitsEngine::WriteMatrix(const TSWFMatrixRec& m) {
  WriteBit(m.HasScale);
  if (m.HasScale) {
    int n = GetSignedBitsCount(MaxAbs(m.ScaleX, m.ScaleY), 1);
    WriteBits(static_cast<uint32_t>(n), 5);
    WriteBits(m.ScaleX, n);
    WriteBits(m.ScaleY, n);
  }
  WriteBit(m.HasSkew);
  if (m.HasSkew) {
    int n = GetSignedBitsCount(MaxAbs(m.Skew0, m.Skew1), 1);
    WriteBits(static_cast<uint32_t>(n), 5);
    WriteBits(m.Skew0, n);
    WriteBits(m.Skew1, n);
  }
  int n = GetSignedBitsCount(MaxAbs(m.TranslateX, m.TranslateY), 1);
  WriteBits(static_cast<uint32_t>(n), 5);
  if (n > 0) {
    WriteBits(m.TranslateX, n);
    WriteBits(m.TranslateY, n);
  }
  FlushBits(true);
}

void TBitsEngine::WriteColorTransform(const TSWFColorTransformRec& c) {
  int na = 0;
  int nm = 0;
  if (c.HasAdd)
    na = GetSignedBitsCount(MaxAbs(c.AddR, c.AddG, c.AddB, c.HasAlpha ? c.AddA : 0), 1);
  if (c.HasMult)
    nm = GetSignedBitsCount(MaxAbs(c.MultR, c.MultG, c.MultB, c.HasAlpha ? c.MultA : 0), 1);
  int n = std::max(na, nm);
  WriteBit(c.HasAdd);
  WriteBit(c.HasMult);
  if (c.HasAdd || c.HasMult) {
    WriteBits(static_cast<uint32_t>(n), 4);
    if (c.HasMult) {
      WriteBits(static_cast<int32_t>(c.MultR), n);
      WriteBits(static_cast<int32_t>(c.MultG), n);
      WriteBits(static_cast<int32_t>(c.MultB), n);
      if (c.HasAlpha) WriteBits(static_cast<int32_t>(c.MultA), n);
    }
    if (c.HasAdd) {
      WriteBits(static_cast<int32_t>(c.AddR), n);
      WriteBits(static_cast<int32_t>(c.AddG), n);
      WriteBits(static_cast<int32_t>(c.AddB), n);
      if (c.HasAlpha) WriteBits(static_cast<int32_t>(c.AddA), n);
    }
  }
  FlushBits(true);
}

void TBitsEngine::FlushBits(bool write) {
  if (bitCount_ == 0) return;
  if (write) WriteBits(0u, 8 - bitCount_);
  bitBuffer_ = 0;
  bitCount_ = 0;
}

// ------------------------------------------------------------------ reading

uint32_t TBitsEngine::ReadBits(int count) {
  if (count < 1) return 0;
  uint64_t result = 0;
  while (count > 0) {
    if (bitCount_ == 0) {
      bitBuffer_ = ReadByte();
      bitCount_ = 8;
    }
    int take = std::min(count, bitCount_);
    result = (result << take) | ((bitBuffer_ >> (bitCount_ - take)) & LowMask(take));
    bitCount_ -= take;
    bitBuffer_ &= static_cast<uint32_t>(LowMask(bitCount_));
    count -= take;
  }
  return static_cast<uint32_t>(result);
}

int32_t TBitsEngine::ReadSBits(int count) {
  uint32_t v = ReadBits(count);
  if (count >= 1 && count < 32 && (v & (1u << (count - 1)))) v |= ~0u << count;
  return static_cast<int32_t>(v);
}

uint8_t TBitsEngine::ReadByte() {
  uint8_t b;
  stream_->ReadBuffer(&b, 1);
  return b;
}

uint16_t TBitsEngine::ReadWord() {
  uint8_t b[2];
  stream_->ReadBuffer(b, 2);
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint32_t TBitsEngine::ReadDWord() {
  uint8_t b[4];
  stream_->ReadBuffer(b, 4);
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

uint16_t TBitsEngine::ReadWordBE() {
  uint8_t b[2];
  stream_->ReadBuffer(b, 2);
  return static_cast<uint16_t>((b[0] << 8) | b[1]);
}

uint32_t TBitsEngine::ReadUInt(int count) {
  count = std::clamp(count, 0, 4);
  uint8_t b[4] = {0, 0, 0, 0};
  stream_->ReadBuffer(b, static_cast<size_t>(count));
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

float TBitsEngine::ReadFixed16() {
  return static_cast<float>(static_cast<int32_t>(ReadDWord()) / 65536.0);
}

float TBitsEngine::ReadSingle() {
  uint32_t bits = ReadDWord();
  float x;
  std::memcpy(&x, &bits, 4);
  return x;
}

double TBitsEngine::ReadDoubleBE() {
  uint8_t b[8];
  stream_->ReadBuffer(b, 8);
  uint64_t bits = 0;
  for (uint8_t byte : b) bits = (bits << 8) | byte;
  double x;
  std::memcpy(&x, &bits, 8);
  return x;
}

std::string TBitsEngine::ReadFixedString(int count) {
  count = std::clamp(count, 0, 255);
  char buffer[256];
  stream_->ReadBuffer(buffer, static_cast<size_t>(count));
  return std::string(buffer, strnlen(buffer, static_cast<size_t>(count)));
}

std::string TBitsEngine::ReadString() {
  std::string s;
  if (auto* view = dynamic_cast<TMemoryViewStream*>(stream_)) {
    // Scan the window directly instead of byte-by-byte calls.
    int64_t pos = view->Position();
    int64_t size = view->Size();
    if (pos < size) {
      const uint8_t* start = view->Memory() + pos;
      const void* zero = std::memchr(start, 0, static_cast<size_t>(size - pos));
      if (zero) {
        size_t len = static_cast<size_t>(static_cast<const uint8_t*>(zero) - start);
        s.assign(reinterpret_cast<const char*>(start), len);
        view->Seek(static_cast<int64_t>(len + 1), TSeekOrigin::Current);
        return s;
      }
    }
    view->Seek(0, TSeekOrigin::End);
    throw EReadError("stream read error: string without its terminating zero");
  }
  for (;;) {
    uint8_t b = ReadByte();
    if (b == 0) break;
    s += static_cast<char>(b);
  }
  return s;
}

std::string TBitsEngine::ReadStringBE16() {
  uint16_t len = ReadWordBE();
  if (len == 0) return std::string();
  if (len <= 255) return ReadFixedString(len);
  std::string s(len, '\0');
  stream_->ReadBuffer(s.data(), len);
  return s;
}

uint32_t TBitsEngine::ReadRGB() {
  uint8_t b[3];
  stream_->ReadBuffer(b, 3);
  return b[0] | (b[1] << 8) | (b[2] << 16);
}

uint32_t TBitsEngine::ReadRGBA() {
  uint8_t b[4];
  stream_->ReadBuffer(b, 4);
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

TRect TBitsEngine::ReadRect() {
  TSWFRectRec r = ReadRectRec();
  return {r.Xmin, r.Ymin, r.Xmax, r.Ymax};
}

TSWFRectRec TBitsEngine::ReadRectRec() {
  int n = static_cast<int>(ReadBits(5));
  TSWFRectRec r;
  r.Xmin = ReadSBits(n);
  r.Xmax = ReadSBits(n);
  r.Ymin = ReadSBits(n);
  r.Ymax = ReadSBits(n);
  FlushBits(false);
  return r;
}

TSWFMatrixRec TBitsEngine::ReadMatrix() {
  TSWFMatrixRec m;
  m.HasScale = ReadBits(1) != 0;
  if (m.HasScale) {
    int n = static_cast<int>(ReadBits(5));
    m.ScaleX = ReadSBits(n);
    m.ScaleY = ReadSBits(n);
  }
  m.HasSkew = ReadBits(1) != 0;
  if (m.HasSkew) {
    int n = static_cast<int>(ReadBits(5));
    m.Skew0 = ReadSBits(n);
    m.Skew1 = ReadSBits(n);
  }
  int n = static_cast<int>(ReadBits(5));
  m.TranslateX = ReadSBits(n);
  m.TranslateY = ReadSBits(n);
  FlushBits(false);
  return m;
}

TSWFColorTransformRec TBitsEngine::ReadColorTransform(bool withAlpha) {
  TSWFColorTransformRec c;
  c.HasAdd = ReadBits(1) != 0;
  c.HasMult = ReadBits(1) != 0;
  c.HasAlpha = withAlpha;
  if (c.HasAdd || c.HasMult) {
    int n = static_cast<int>(ReadBits(4));
    if (c.HasMult) {
      c.MultR = static_cast<int16_t>(ReadSBits(n));
      c.MultG = static_cast<int16_t>(ReadSBits(n));
      c.MultB = static_cast<int16_t>(ReadSBits(n));
      if (withAlpha) c.MultA = static_cast<int16_t>(ReadSBits(n));
    }
    if (c.HasAdd) {
      c.AddR = static_cast<int16_t>(ReadSBits(n));
      c.AddG = static_cast<int16_t>(ReadSBits(n));
      c.AddB = static_cast<int16_t>(ReadSBits(n));
      if (withAlpha) c.AddA = static_cast<int16_t>(ReadSBits(n));
    }
  }
  FlushBits(false);
  return c;
}

void TBitsEngine::ReadBuffer(void* p, size_t len) {
  if (len > 0) stream_->ReadBuffer(p, len);
}

}  // namespace reelcast
