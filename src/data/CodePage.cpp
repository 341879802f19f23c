#include "CodePage.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace {
QByteArray convert(const char *to, const char *from, const QByteArray &in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::vector<char> out(static_cast<size_t>(in.size()) * 4 + 16);
  char *src = const_cast<char *>(in.constData());
  size_t srcLeft = static_cast<size_t>(in.size());
  char *dst = out.data();
  size_t dstLeft = out.size();
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      const size_t used = static_cast<size_t>(dst - out.data());
      out.resize(out.size() * 2);
      dst = out.data() + used;
      dstLeft = out.size() - used;
    } else {
      // An invalid or truncated sequence: skip one byte and go on, so one bad byte does not
      // cost the rest of the text.
      ++src;
      --srcLeft;
    }
  }
  iconv_close(cd);
  return QByteArray(out.data(), static_cast<qsizetype>(dst - out.data()));
}
}  // namespace

QString FromAnsiCodePage(const QByteArray &bytes) {
  if (bytes.isEmpty()) return {};
  return QString::fromUtf8(convert("UTF-8", "GB18030", bytes));
}

QByteArray ToAnsiCodePage(const QString &text) {
  if (text.isEmpty()) return {};
  return convert("GB18030", "UTF-8", text.toUtf8());
}

QString DecodeTextFile(const QByteArray &bytes) {
  if (bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes.mid(3));
  if (bytes.startsWith("\xFF\xFE")) {
    const QByteArray body = bytes.mid(2);
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(body.constData()),
                              body.size() / 2);
  }
  if (bytes.startsWith("\xFE\xFF")) {
    QByteArray body = bytes.mid(2);
    for (qsizetype i = 0; i + 1 < body.size(); i += 2) std::swap(body[i], body[i + 1]);
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(body.constData()),
                              body.size() / 2);
  }
  return FromAnsiCodePage(bytes);
}
