#include "BiffSheetReader.h"

#include <cmath>
#include <limits>

#include "ReadGuard.h"

namespace {
constexpr std::uint32_t kNoString = std::numeric_limits<std::uint32_t>::max();

QString ErrorCode(std::uint8_t code) {
  switch (code) {
    case 0x00:
      return QStringLiteral("#NULL!");
    case 0x07:
      return QStringLiteral("#DIV/0!");
    case 0x0F:
      return QStringLiteral("#VALUE!");
    case 0x17:
      return QStringLiteral("#REF!");
    case 0x1D:
      return QStringLiteral("#NAME?");
    case 0x24:
      return QStringLiteral("#NUM!");
    case 0x2A:
      return QStringLiteral("#N/A");
    case 0x2B:
      return QStringLiteral("#GETTING_DATA");
    default:
      return QString();
  }
}

// An RK value: a 30-bit integer or the top 30 bits of a double, optionally divided by 100.
double RkValue(std::uint32_t rk) {
  double value;
  if (rk & 0x02) {
    value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
  } else {
    const std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
    std::memcpy(&value, &bits, sizeof value);
  }
  return (rk & 0x01) ? value / 100 : value;
}

class SheetReader {
 public:
  SheetReader(const QByteArray &stream, std::uint32_t offset, const BiffGlobals &globals,
              CodePageDecoder &decoder, ReadBudget &budget, Worksheet &sheet)
      : records_(reinterpret_cast<const std::uint8_t *>(stream.constData()),
                 static_cast<std::size_t>(stream.size()), offset),
        g_(globals),
        decoder_(decoder),
        budget_(budget),
        sheet_(sheet),
        localString_(globals.sharedStrings.size(), kNoString) {}

  bool read() {
    BiffRecord record;
    if (!records_.peek(record) || !biff::IsBof(record.type)) return false;
    const std::size_t cells = countCells(records_);
    if (static_cast<std::int64_t>(cells) > budget_.cells) throw ReadLimitHit(ReasonTooManyCells());
    sheet_.reserveCells(cells);
    records_.next(record);
    int depth = 1;
    while (depth > 0 && records_.next(record)) {
      if (biff::IsBof(record.type)) {
        ++depth;
      } else if (record.type == biff::kEof) {
        --depth;
      } else if (depth == 1) {
        try {
          handle(record);
        } catch (const BiffTruncated &) {
          // A short record loses only its own content.
        }
      }
    }
    // A substream cut off before its EOF would silently lose rows.
    return depth == 0 && !records_.truncated();
  }
  bool dialog() const { return dialog_; }
  std::size_t end() const { return records_.position(); }

 private:
  void handle(const BiffRecord &record) {
    const std::uint8_t *p = record.body.data;
    const std::size_t n = record.body.size;
    if (g_.version == 2 && handleBiff2(record)) return;
    if (record.type != biff::kString && record.type != biff::kSharedFormula &&
        record.type != biff::kArray && record.type != biff::kTable)
      pendingString_ = false;
    switch (record.type) {
      case biff::kNumber:
        if (n >= 14) putNumber(biff::U16(p), biff::U16(p + 2), biff::U16(p + 4), biff::F64(p + 6));
        break;
      case biff::kRk:
        if (n >= 10)
          putNumber(biff::U16(p), biff::U16(p + 2), biff::U16(p + 4), RkValue(biff::U32(p + 6)));
        break;
      case biff::kMulRk: {
        if (n < 6) break;
        const int row = biff::U16(p);
        const int first = biff::U16(p + 2);
        const std::size_t count = (n - 4) / 6;
        for (std::size_t i = 0; i < count; ++i) {
          const std::uint8_t *item = p + 4 + i * 6;
          putNumber(row, first + static_cast<int>(i), biff::U16(item),
                    RkValue(biff::U32(item + 2)));
        }
        break;
      }
      case biff::kLabelSst:
        if (n >= 10) putShared(biff::U16(p), biff::U16(p + 2), biff::U32(p + 6));
        break;
      case biff::kLabel:
      case biff::kRString:
        if (n >= 8) putText(biff::U16(p), biff::U16(p + 2), readString(record, 6));
        break;
      case biff::kFormula:
      case biff::kFormulaBiff3:
      case biff::kFormulaBiff4:
        if (n >= 14) putFormula(p, biff::U16(p + 4), p + 6);
        break;
      case biff::kString:
        if (pendingString_) {
          pendingString_ = false;
          putText(pendingRow_, pendingColumn_, readString(record, 0));
        }
        break;
      case biff::kBoolErr:
        if (n >= 8) {
          const int row = biff::U16(p), column = biff::U16(p + 2);
          if (p[7])
            putError(row, column, p[6]);
          else
            putBoolean(row, column, p[6] != 0);
        }
        break;
      case biff::kWsBool:
        if (n >= 1) dialog_ = (p[0] & 0x10) != 0;
        break;
      case biff::kMergedCells: {
        if (n < 2) break;
        const std::size_t count = std::min<std::size_t>(biff::U16(p), (n - 2) / 8);
        for (std::size_t i = 0; i < count; ++i) {
          const std::uint8_t *ref = p + 2 + i * 8;
          sheet_.addMerge(biff::U16(ref) + 1, biff::U16(ref + 4) + 1, biff::U16(ref + 2) + 1,
                          biff::U16(ref + 6) + 1);
        }
        break;
      }
      default:
        break;
    }
  }

  // The cells the substream's records hold at most, so the store is allocated once.
  static std::size_t countCells(BiffRecordStream records) {
    std::size_t count = 0;
    int depth = 0;
    BiffRecord record;
    while (records.next(record)) {
      switch (record.type) {
        case biff::kBof:
        case biff::kBofBiff2:
        case biff::kBofBiff3:
        case biff::kBofBiff4:
          ++depth;
          break;
        case biff::kEof:
          if (--depth == 0) return count;
          break;
        case biff::kNumber:
        case biff::kRk:
        case biff::kLabelSst:
        case biff::kLabel:
        case biff::kRString:
        case biff::kFormula:
        case biff::kBoolErr:
        case biff::kFormulaBiff3:
        case biff::kFormulaBiff4:
        case biff::kIntegerBiff2:
        case biff::kNumberBiff2:
        case biff::kLabelBiff2:
        case biff::kBoolErrBiff2:
          ++count;
          break;
        case biff::kMulRk:
          count += record.body.size / 6;
          break;
        default:
          break;
      }
    }
    return count;
  }

  // BIFF2 cells carry three attribute bytes instead of an XF index; the second holds the
  // number format's index.
  bool handleBiff2(const BiffRecord &record) {
    switch (record.type) {
      case biff::kIntegerBiff2:
      case biff::kNumberBiff2:
      case biff::kLabelBiff2:
      case biff::kBoolErrBiff2:
      case biff::kFormula:
      case biff::kStringBiff2:
        break;
      default:
        return false;
    }
    const std::uint8_t *p = record.body.data;
    const std::size_t n = record.body.size;
    if (record.type != biff::kStringBiff2) pendingString_ = false;
    if (record.type == biff::kStringBiff2) {
      // A formula's string result: no cell position of its own, and it may be shorter than one.
      if (pendingString_ && n >= 1) {
        pendingString_ = false;
        segments_.assign(1, record.body);
        BiffSegmentReader r(segments_);
        putText(pendingRow_, pendingColumn_, r.byteString(decoder_, true));
      }
      return true;
    }
    if (n < 7) return true;
    const int row = biff::U16(p), column = biff::U16(p + 2);
    const std::uint16_t format = p[5] & 0x3F;
    switch (record.type) {
      case biff::kIntegerBiff2:
        if (n >= 9) putNumber(row, column, format, biff::U16(p + 7));
        break;
      case biff::kNumberBiff2:
        if (n >= 15) putNumber(row, column, format, biff::F64(p + 7));
        break;
      case biff::kLabelBiff2:
        if (n >= 8) {
          segments_.assign(1, ByteSpan{p + 7, n - 7});
          BiffSegmentReader r(segments_);
          putText(row, column, r.byteString(decoder_, true));
        }
        break;
      case biff::kBoolErrBiff2:
        if (n >= 9) {
          if (p[8])
            putError(row, column, p[7]);
          else
            putBoolean(row, column, p[7] != 0);
        }
        break;
      case biff::kFormula:
        if (n >= 15) putFormula(p, format, p + 7);
        break;
      default:
        break;
    }
    return true;
  }

  QString readString(const BiffRecord &record, std::size_t at) {
    if (record.body.size <= at) return QString();
    segments_.assign(1, ByteSpan{record.body.data + at, record.body.size - at});
    records_.takeContinues(segments_);
    BiffSegmentReader r(segments_);
    QString text = g_.version == 8 ? r.unicodeString() : r.byteString(decoder_);
    if (!budget_.takeString(text.size())) throw ReadLimitHit(ReasonTooMuchText());
    return text;
  }

  void take() {
    if (!budget_.takeCell()) throw ReadLimitHit(ReasonTooManyCells());
  }

  void putNumber(int row, int column, std::uint16_t xf, double value) {
    if (!std::isfinite(value)) return;
    take();
    switch (xf < g_.xfKinds.size() ? g_.xfKinds[xf] : NumberFormatKind::Number) {
      case NumberFormatKind::Date:
        sheet_.setDate(row + 1, column + 1, value);
        break;
      case NumberFormatKind::Currency:
        sheet_.setCurrency(row + 1, column + 1, value);
        break;
      case NumberFormatKind::Number:
        sheet_.setNumber(row + 1, column + 1, value);
        break;
    }
  }

  void putText(int row, int column, const QString &text) {
    take();
    sheet_.setText(row + 1, column + 1, text);
  }

  void putBoolean(int row, int column, bool value) {
    take();
    sheet_.setBoolean(row + 1, column + 1, value);
  }

  void putShared(int row, int column, std::uint32_t index) {
    if (index >= localString_.size()) return;
    if (localString_[index] == kNoString) {
      if (g_.sharedStrings[index].isEmpty()) return;
      localString_[index] = sheet_.addString(g_.sharedStrings[index]);
    }
    take();
    sheet_.setCell(row + 1, column + 1, CellValue{CellValue::Type::Text, 0, localString_[index]});
  }

  void putError(int row, int column, std::uint8_t code) {
    const QString text = ErrorCode(code);
    if (text.isEmpty()) return;
    take();
    sheet_.setError(row + 1, column + 1, text);
  }

  // The cached result: a number, or a tagged value whose top two bytes are 0xFFFF.
  void putFormula(const std::uint8_t *p, std::uint16_t xf, const std::uint8_t *result) {
    const int row = biff::U16(p), column = biff::U16(p + 2);
    if (biff::U16(result + 6) != 0xFFFF) {
      putNumber(row, column, xf, biff::F64(result));
      return;
    }
    switch (result[0]) {
      case 0:  // a string, in the STRING record that follows
        pendingString_ = true;
        pendingRow_ = row;
        pendingColumn_ = column;
        break;
      case 1:
        putBoolean(row, column, result[2] != 0);
        break;
      case 2:
        putError(row, column, result[2]);
        break;
      default:
        break;  // 3: an empty string
    }
  }

  BiffRecordStream records_;
  const BiffGlobals &g_;
  CodePageDecoder &decoder_;
  ReadBudget &budget_;
  Worksheet &sheet_;
  std::vector<std::uint32_t> localString_;  // shared-string index -> index in the sheet's pool
  std::vector<ByteSpan> segments_;
  bool pendingString_ = false;
  bool dialog_ = false;
  int pendingRow_ = 0, pendingColumn_ = 0;
};
}  // namespace

bool ReadBiffSheet(const QByteArray &stream, std::uint32_t offset, const BiffGlobals &globals,
                   CodePageDecoder &decoder, ReadBudget &budget, Worksheet &sheet,
                   BiffSheetInfo &info) {
  if (offset >= static_cast<std::uint32_t>(stream.size())) return false;
  SheetReader reader(stream, offset, globals, decoder, budget, sheet);
  const bool ok = reader.read();
  info.dialog = reader.dialog();
  info.end = reader.end();
  return ok;
}
