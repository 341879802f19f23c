#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

// Record types of the BIFF5/BIFF8 workbook stream that the reader acts on.
namespace biff {
constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kBofBiff2 = 0x0009;
constexpr std::uint16_t kBofBiff3 = 0x0209;
constexpr std::uint16_t kBofBiff4 = 0x0409;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kBoundSheet = 0x0085;
constexpr std::uint16_t kSst = 0x00FC;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kLabelSst = 0x00FD;
constexpr std::uint16_t kLabel = 0x0204;
constexpr std::uint16_t kRString = 0x00D6;
constexpr std::uint16_t kNumber = 0x0203;
constexpr std::uint16_t kRk = 0x027E;
constexpr std::uint16_t kMulRk = 0x00BD;
constexpr std::uint16_t kFormula = 0x0006;
constexpr std::uint16_t kString = 0x0207;
constexpr std::uint16_t kBoolErr = 0x0205;
constexpr std::uint16_t kSharedFormula = 0x04BC;
constexpr std::uint16_t kArray = 0x0221;
constexpr std::uint16_t kTable = 0x0236;
constexpr std::uint16_t kMergedCells = 0x00E5;
constexpr std::uint16_t kFormat = 0x041E;
constexpr std::uint16_t kXf = 0x00E0;
constexpr std::uint16_t kDateMode = 0x0022;
constexpr std::uint16_t kCodePage = 0x0042;
constexpr std::uint16_t kFilePass = 0x002F;
constexpr std::uint16_t kWsBool = 0x0081;

// BIFF2-4 single-sheet files.
constexpr std::uint16_t kIntegerBiff2 = 0x0002;
constexpr std::uint16_t kNumberBiff2 = 0x0003;
constexpr std::uint16_t kLabelBiff2 = 0x0004;
constexpr std::uint16_t kBoolErrBiff2 = 0x0005;
constexpr std::uint16_t kStringBiff2 = 0x0007;
constexpr std::uint16_t kFormulaBiff3 = 0x0206;
constexpr std::uint16_t kFormulaBiff4 = 0x0406;
constexpr std::uint16_t kFormatBiff2 = 0x001E;
constexpr std::uint16_t kXfBiff2 = 0x0043;
constexpr std::uint16_t kXfBiff3 = 0x0243;
constexpr std::uint16_t kXfBiff4 = 0x0443;

inline bool IsBof(std::uint16_t type) {
  return type == kBof || type == kBofBiff2 || type == kBofBiff3 || type == kBofBiff4;
}

// BOF substream kinds.
constexpr std::uint16_t kGlobals = 0x0005;
constexpr std::uint16_t kWorksheet = 0x0010;
constexpr std::uint16_t kChart = 0x0020;

inline std::uint16_t U16(const std::uint8_t *p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t U32(const std::uint8_t *p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline double F64(const std::uint8_t *p) {
  std::uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | p[i];
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}
}  // namespace biff

// A run of bytes inside the stream buffer.
struct ByteSpan {
  const std::uint8_t *data = nullptr;
  std::size_t size = 0;
};

// One record: its type and body, pointing into the stream buffer.
struct BiffRecord {
  std::uint16_t type = 0;
  ByteSpan body;
  std::size_t offset = 0;  // of the record header in the stream
};

// Walks the records of a stream held in memory. A record whose header or body would run past
// the end stops the walk and marks the stream truncated.
class BiffRecordStream {
 public:
  BiffRecordStream(const std::uint8_t *data, std::size_t size, std::size_t start = 0)
      : data_(data), size_(size), pos_(start) {}

  bool next(BiffRecord &record) {
    if (!peek(record)) return false;
    pos_ = record.offset + 4 + record.body.size;
    return true;
  }
  bool peek(BiffRecord &record) const {
    if (pos_ >= size_) return false;
    if (size_ - pos_ < 4) {
      truncated_ = true;
      return false;
    }
    const std::uint16_t length = biff::U16(data_ + pos_ + 2);
    if (size_ - pos_ - 4 < length) {
      truncated_ = true;
      return false;
    }
    record.type = biff::U16(data_ + pos_);
    record.body = ByteSpan{data_ + pos_ + 4, length};
    record.offset = pos_;
    return true;
  }
  // Appends the bodies of the CONTINUE records that follow the current position.
  void takeContinues(std::vector<ByteSpan> &segments) {
    BiffRecord record;
    while (peek(record) && record.type == biff::kContinue) {
      segments.push_back(record.body);
      next(record);
    }
  }
  bool truncated() const { return truncated_; }
  std::size_t position() const { return pos_; }

 private:
  const std::uint8_t *data_;
  std::size_t size_;
  std::size_t pos_;
  mutable bool truncated_ = false;
};
