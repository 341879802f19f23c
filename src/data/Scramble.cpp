#include "Scramble.h"

#include <array>
#include <cstdint>

namespace {
// Stored directories and every file the maker publishes were scrambled with this key: it must
// never change.
constexpr std::array<std::uint16_t, 8> kScrambleKey = {0x4B6F, 0x7276, 0x616E, 0x6520,
                                                       0x9A3C, 0x1D5E, 0xC7A1, 0x3F82};

int hexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  return -1;
}
}  // namespace

QString ScrambleText(const QString &text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  QString out;
  out.resize(text.size() * 4);
  QChar *dst = out.data();
  for (qsizetype i = 0; i < text.size(); ++i) {
    const std::uint16_t v = text.at(i).unicode() ^ kScrambleKey[i % kScrambleKey.size()];
    *dst++ = QLatin1Char(kHex[(v >> 12) & 0xF]);
    *dst++ = QLatin1Char(kHex[(v >> 8) & 0xF]);
    *dst++ = QLatin1Char(kHex[(v >> 4) & 0xF]);
    *dst++ = QLatin1Char(kHex[v & 0xF]);
  }
  return out;
}

QString UnscrambleText(const QString &text) {
  const qsizetype groups = text.size() / 4;  // a trailing rest of fewer than four is ignored
  QString out;
  out.resize(groups);
  for (qsizetype i = 0; i < groups; ++i) {
    std::uint16_t v = 0;
    for (int k = 0; k < 4; ++k) {
      const int d = hexDigit(text.at(i * 4 + k));
      if (d < 0) {
        throw ScrambleError("'" + text.mid(i * 4, 4).toStdString() +
                            "' is not a valid hexadecimal group");
      }
      v = static_cast<std::uint16_t>((v << 4) | d);
    }
    out[i] = QChar(static_cast<char16_t>(v ^ kScrambleKey[i % kScrambleKey.size()]));
  }
  return out;
}

bool TryUnscrambleText(const QString &text, QString &plain) {
  try {
    plain = UnscrambleText(text);
    return true;
  } catch (const ScrambleError &) {
    plain.clear();
    return false;
  }
}
