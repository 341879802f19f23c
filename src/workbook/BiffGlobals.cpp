#include "BiffGlobals.h"

#include <QHash>

#include "ReadGuard.h"

namespace {
constexpr std::uint16_t kBiff8 = 0x0600;
constexpr std::uint16_t kBiff5 = 0x0500;

BiffSheetEntry::Kind SheetKind(std::uint8_t type) {
  switch (type) {
    case 1:
      return BiffSheetEntry::Kind::MacroSheet;
    case 2:
      return BiffSheetEntry::Kind::Chart;
    case 6:
      return BiffSheetEntry::Kind::VisualBasicModule;
    default:
      return BiffSheetEntry::Kind::Worksheet;
  }
}

class GlobalsReader {
 public:
  GlobalsReader(const QByteArray &stream, CodePageDecoder &decoder, ReadBudget &budget,
                BiffGlobals &globals)
      : records_(reinterpret_cast<const std::uint8_t *>(stream.constData()),
                 static_cast<std::size_t>(stream.size())),
        decoder_(decoder),
        budget_(budget),
        g_(globals) {}

  BiffStatus read() {
    BiffRecord record;
    if (!records_.next(record)) return BiffStatus::Damaged;
    if (record.type == biff::kBofBiff2 || record.type == biff::kBofBiff3 ||
        record.type == biff::kBofBiff4)
      return BiffStatus::UnsupportedVersion;
    if (record.type != biff::kBof || record.body.size < 4) return BiffStatus::Damaged;
    const std::uint16_t version = biff::U16(record.body.data);
    if (version == kBiff8) {
      g_.version = 8;
    } else if (version == kBiff5) {
      g_.version = 5;
    } else {
      return BiffStatus::UnsupportedVersion;
    }
    bool ended = false;
    while (!ended && records_.next(record)) {
      if (record.type == biff::kEof || record.type == biff::kBof) {
        ended = true;
        break;
      }
      if (record.type == biff::kFilePass) {
        if (g_.decrypted) continue;
        g_.filePassOffset = record.offset + 4;
        g_.filePassSize = record.body.size;
        return BiffStatus::Encrypted;
      }
      try {
        handle(record);
      } catch (const BiffTruncated &) {
        // A short record loses only its own content.
      }
    }
    if (!ended) return BiffStatus::Damaged;
    g_.end = records_.position();
    finishFormats();
    return BiffStatus::Ok;
  }

 private:
  void handle(const BiffRecord &record) {
    const ByteSpan &b = record.body;
    switch (record.type) {
      case biff::kCodePage:
        if (b.size >= 2) decoder_.setCodePage(biff::U16(b.data));
        break;
      case biff::kDateMode:
        if (b.size >= 2) g_.date1904 = biff::U16(b.data) != 0;
        break;
      case biff::kXf:
        if (b.size >= 4) xfFormats_.push_back(biff::U16(b.data + 2));
        break;
      case biff::kFormat:
        readFormat(record);
        break;
      case biff::kBoundSheet:
        readBoundSheet(record);
        break;
      case biff::kSst:
        readSharedStrings(record);
        break;
      default:
        break;
    }
  }

  void readFormat(const BiffRecord &record) {
    if (record.body.size < 3) return;
    const int id = biff::U16(record.body.data);
    segments_.assign(1, ByteSpan{record.body.data + 2, record.body.size - 2});
    BiffSegmentReader r(segments_);
    const QString code = g_.version == 8 ? r.unicodeString() : r.byteString(decoder_, true);
    formatKinds_.insert(id, ClassifyNumberFormat(code));
  }

  void readBoundSheet(const BiffRecord &record) {
    const ByteSpan &b = record.body;
    if (b.size < 7) return;
    BiffSheetEntry entry;
    entry.offset = biff::U32(b.data);
    entry.hidden = (b.data[4] & 0x03) != 0;
    entry.kind = SheetKind(b.data[5]);
    segments_.assign(1, ByteSpan{b.data + 6, b.size - 6});
    BiffSegmentReader r(segments_);
    entry.name = g_.version == 8 ? r.unicodeString(true) : r.byteString(decoder_, true);
    g_.sheets.push_back(std::move(entry));
  }

  void readSharedStrings(const BiffRecord &record) {
    segments_.assign(1, record.body);
    records_.takeContinues(segments_);
    std::size_t bytes = 0;
    for (const ByteSpan &s : segments_) bytes += s.size;
    BiffSegmentReader r(segments_);
    r.u32();
    // The unique count is only a hint: a wrong one must neither over-allocate nor cut the table.
    const std::uint32_t unique = r.u32();
    g_.sharedStrings.reserve(std::min<std::size_t>(unique, bytes / 3));
    while (!r.atEnd()) {
      g_.sharedStrings.push_back(r.unicodeString());
      if (!budget_.takeString(g_.sharedStrings.back().size()))
        throw ReadLimitHit(ReasonTooMuchText());
    }
  }

  void finishFormats() {
    // A FORMAT record may also restate a built-in id; its code then decides.
    g_.xfKinds.resize(xfFormats_.size());
    for (std::size_t i = 0; i < xfFormats_.size(); ++i) {
      const int id = xfFormats_[i];
      auto custom = formatKinds_.constFind(id);
      g_.xfKinds[i] = custom != formatKinds_.constEnd() ? *custom : BuiltinNumberFormatKind(id);
    }
  }

  BiffRecordStream records_;
  CodePageDecoder &decoder_;
  ReadBudget &budget_;
  BiffGlobals &g_;
  std::vector<ByteSpan> segments_;
  std::vector<std::uint16_t> xfFormats_;
  QHash<int, NumberFormatKind> formatKinds_;
};
}  // namespace

BiffStatus ReadLegacyBiffFormats(const QByteArray &stream, CodePageDecoder &decoder,
                                 BiffGlobals &globals) {
  BiffRecordStream records(reinterpret_cast<const std::uint8_t *>(stream.constData()),
                           static_cast<std::size_t>(stream.size()));
  BiffRecord record;
  if (!records.next(record)) return BiffStatus::Damaged;
  switch (record.type) {
    case biff::kBofBiff2:
      globals.version = 2;
      break;
    case biff::kBofBiff3:
      globals.version = 3;
      break;
    case biff::kBofBiff4:
      globals.version = 4;
      break;
    default:
      return BiffStatus::Damaged;
  }
  // A BIFF4 workbook (several sheets in one file) is rare enough to refuse.
  if (record.body.size >= 4 && biff::U16(record.body.data + 2) != biff::kWorksheet)
    return BiffStatus::UnsupportedVersion;
  // These versions number their formats by order and have no usable built-in ids.
  std::vector<NumberFormatKind> formats;
  std::vector<std::uint8_t> xfFormats;
  std::vector<ByteSpan> segments;
  while (records.next(record)) {
    const ByteSpan &b = record.body;
    try {
      switch (record.type) {
        case biff::kFilePass:
          return BiffStatus::Encrypted;
        case biff::kCodePage:
          if (b.size >= 2) decoder.setCodePage(biff::U16(b.data));
          break;
        case biff::kDateMode:
          if (b.size >= 2) globals.date1904 = biff::U16(b.data) != 0;
          break;
        case biff::kFormatBiff2:
        case biff::kFormat: {
          const std::size_t skip = record.type == biff::kFormat ? 2 : 0;
          if (b.size <= skip) break;
          segments.assign(1, ByteSpan{b.data + skip, b.size - skip});
          BiffSegmentReader r(segments);
          formats.push_back(ClassifyNumberFormat(r.byteString(decoder, true)));
          break;
        }
        case biff::kXfBiff3:
        case biff::kXfBiff4:
          if (b.size >= 2) xfFormats.push_back(b.data[1]);
          break;
        default:
          break;
      }
    } catch (const BiffTruncated &) {
      // A short record loses only its own content.
    }
  }
  auto kind = [&](std::size_t index) {
    return index < formats.size() ? formats[index] : NumberFormatKind::Number;
  };
  if (globals.version == 2) {
    for (std::size_t i = 0; i < formats.size(); ++i) globals.xfKinds.push_back(kind(i));
  } else {
    for (std::uint8_t f : xfFormats) globals.xfKinds.push_back(kind(f));
  }
  return BiffStatus::Ok;
}

BiffStatus ReadBiffGlobals(const QByteArray &stream, CodePageDecoder &decoder, ReadBudget &budget,
                           BiffGlobals &globals) {
  return GlobalsReader(stream, decoder, budget, globals).read();
}
