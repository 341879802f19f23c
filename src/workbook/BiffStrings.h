#pragma once

#include <QString>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "BiffRecords.h"

// Raised inside the reader when a string or table runs past the bytes its records hold.
struct BiffTruncated : std::runtime_error {
  BiffTruncated() : std::runtime_error("record data ends early") {}
};

// Decodes the 8-bit strings of BIFF5 workbooks in the workbook's code page (CODEPAGE record).
class CodePageDecoder {
 public:
  explicit CodePageDecoder(int codePage = 1252);
  ~CodePageDecoder();
  CodePageDecoder(const CodePageDecoder &) = delete;
  CodePageDecoder &operator=(const CodePageDecoder &) = delete;

  void setCodePage(int codePage);
  QString decode(const std::uint8_t *data, std::size_t size);

 private:
  void *iconv_ = nullptr;  // iconv_t, or null for Latin-1
  std::vector<char> buffer_;
};

// Reads a record body together with its CONTINUE bodies as one sequence. BIFF8 strings that
// cross a record border restate their compressed/uncompressed flag in the first byte of the
// next record; headers and rich-text/phonetic data continue without one.
class BiffSegmentReader {
 public:
  explicit BiffSegmentReader(const std::vector<ByteSpan> &segments) : segments_(segments) {}

  bool atEnd();
  std::uint8_t u8();
  std::uint16_t u16();
  std::uint32_t u32();
  void skip(std::size_t count);

  // A BIFF8 unicode string: 16-bit character count (8-bit with shortCount), flags, optional
  // rich-text run count and phonetic size, characters; runs and phonetic data are skipped.
  QString unicodeString(bool shortCount = false);
  // A BIFF5 string: 8- or 16-bit byte count and bytes in the workbook's code page.
  QString byteString(CodePageDecoder &decoder, bool shortCount = false);

 private:
  bool nextSegment();
  void characters(std::size_t count, bool wide, QString &out);

  const std::vector<ByteSpan> &segments_;
  std::size_t segment_ = 0;
  std::size_t pos_ = 0;
  std::vector<std::uint8_t> bytes_;
};
