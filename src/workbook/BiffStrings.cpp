#include "BiffStrings.h"

#include <iconv.h>

#include <QtEndian>
#include <cerrno>

namespace {
const char *IconvName(int codePage) {
  switch (codePage) {
    case 936:
      return "GB18030";  // GBK as written by Chinese Windows, GB18030 is its superset
    case 950:
      return "CP950";
    case 932:
      return "CP932";
    case 949:
      return "CP949";
    case 874:
      return "CP874";
    case 437:
      return "CP437";
    case 850:
      return "CP850";
    case 852:
      return "CP852";
    case 866:
      return "CP866";
    case 1250:
      return "CP1250";
    case 1251:
      return "CP1251";
    case 1252:
      return "CP1252";
    case 1253:
      return "CP1253";
    case 1254:
      return "CP1254";
    case 1255:
      return "CP1255";
    case 1256:
      return "CP1256";
    case 1257:
      return "CP1257";
    case 1258:
      return "CP1258";
    case 10000:
      return "MACINTOSH";
    case 10007:
      return "MAC-CYRILLIC";
    case 10029:
      return "MAC-CENTRALEUROPE";
    case 10079:
      return "MAC-IS";
    case 32768:
      return "MACINTOSH";
    case 32769:
      return "CP1252";
    default:
      return nullptr;
  }
}
}  // namespace

CodePageDecoder::CodePageDecoder(int codePage) { setCodePage(codePage); }

CodePageDecoder::~CodePageDecoder() {
  if (iconv_) iconv_close(static_cast<iconv_t>(iconv_));
}

void CodePageDecoder::setCodePage(int codePage) {
  if (iconv_) iconv_close(static_cast<iconv_t>(iconv_));
  iconv_ = nullptr;
  const char *name = IconvName(codePage);
  if (!name) return;  // unknown or Latin-1-like: bytes as Latin-1
  iconv_t cd = iconv_open("UTF-16LE", name);
  if (cd != reinterpret_cast<iconv_t>(-1)) iconv_ = cd;
}

QString CodePageDecoder::decode(const std::uint8_t *data, std::size_t size) {
  bool ascii = true;
  for (std::size_t i = 0; i < size && ascii; ++i) ascii = data[i] < 0x80;
  if (ascii || !iconv_)
    return QString::fromLatin1(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
  auto cd = static_cast<iconv_t>(iconv_);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  buffer_.resize(size * 4 + 4);
  char *in = const_cast<char *>(reinterpret_cast<const char *>(data));
  std::size_t inLeft = size;
  char *out = buffer_.data();
  std::size_t outLeft = buffer_.size();
  while (inLeft > 0) {
    if (iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG || outLeft < 2) break;
    // A byte the code page does not map: keep going with a replacement character.
    *out++ = '\xFD';
    *out++ = '\xFF';
    outLeft -= 2;
    ++in;
    --inLeft;
  }
  const auto units = static_cast<qsizetype>((out - buffer_.data()) / 2);
  QString text(units, Qt::Uninitialized);
  qFromLittleEndian<char16_t>(buffer_.data(), units, text.data());
  return text;
}

bool BiffSegmentReader::nextSegment() {
  if (segment_ + 1 >= segments_.size()) return false;
  ++segment_;
  pos_ = 0;
  return true;
}

bool BiffSegmentReader::atEnd() {
  while (segment_ < segments_.size() && pos_ >= segments_[segment_].size)
    if (!nextSegment()) return true;
  return segment_ >= segments_.size();
}

std::uint8_t BiffSegmentReader::u8() {
  if (atEnd()) throw BiffTruncated();
  return segments_[segment_].data[pos_++];
}

std::uint16_t BiffSegmentReader::u16() {
  const std::uint16_t low = u8();
  return static_cast<std::uint16_t>(low | (u8() << 8));
}

std::uint32_t BiffSegmentReader::u32() {
  const std::uint32_t low = u16();
  return low | (static_cast<std::uint32_t>(u16()) << 16);
}

void BiffSegmentReader::skip(std::size_t count) {
  while (count > 0) {
    if (atEnd()) throw BiffTruncated();
    const std::size_t step = std::min(count, segments_[segment_].size - pos_);
    pos_ += step;
    count -= step;
  }
}

void BiffSegmentReader::characters(std::size_t count, bool wide, QString &out) {
  while (count > 0) {
    if (segment_ >= segments_.size()) throw BiffTruncated();
    if (pos_ >= segments_[segment_].size) {
      // The characters go on in the next CONTINUE, which opens with its own width flag.
      if (!nextSegment() || segments_[segment_].size == 0) throw BiffTruncated();
      wide = (segments_[segment_].data[pos_++] & 0x01) != 0;
      continue;
    }
    const std::uint8_t *p = segments_[segment_].data + pos_;
    const std::size_t available = (segments_[segment_].size - pos_) / (wide ? 2 : 1);
    if (available == 0) throw BiffTruncated();  // half a character before the border
    const std::size_t take = std::min(count, available);
    const qsizetype at = out.size();
    if (wide) {
      out.resize(at + static_cast<qsizetype>(take));
      qFromLittleEndian<char16_t>(p, static_cast<qsizetype>(take), out.data() + at);
      pos_ += take * 2;
    } else {
      out.append(
          QLatin1StringView(reinterpret_cast<const char *>(p), static_cast<qsizetype>(take)));
      pos_ += take;
    }
    count -= take;
  }
}

QString BiffSegmentReader::unicodeString(bool shortCount) {
  const std::size_t count = shortCount ? u8() : u16();
  const std::uint8_t flags = u8();
  const std::uint16_t runs = (flags & 0x08) ? u16() : 0;
  const std::uint32_t phonetic = (flags & 0x04) ? u32() : 0;
  QString text;
  if (count > 0) characters(count, (flags & 0x01) != 0, text);
  skip(std::size_t{runs} * 4);
  skip(phonetic);
  return text;
}

QString BiffSegmentReader::byteString(CodePageDecoder &decoder, bool shortCount) {
  const std::size_t count = shortCount ? u8() : u16();
  bytes_.clear();
  for (std::size_t i = 0; i < count; ++i) bytes_.push_back(u8());
  return decoder.decode(bytes_.data(), bytes_.size());
}
