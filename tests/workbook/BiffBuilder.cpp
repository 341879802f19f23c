#include "BiffBuilder.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <iconv.h>

#include <QFile>
#include <QStringEncoder>
#include <cstring>

namespace biffbuild {
QByteArray U8(int v) { return QByteArray(1, char(v & 0xFF)); }
QByteArray U16(int v) { return U8(v) + U8(v >> 8); }
QByteArray U32(std::uint32_t v) { return U16(int(v & 0xFFFF)) + U16(int(v >> 16)); }
QByteArray F64(double v) {
  std::uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return U32(std::uint32_t(bits)) + U32(std::uint32_t(bits >> 32));
}
QByteArray Record(int type, const QByteArray &body) {
  return U16(type) + U16(int(body.size())) + body;
}

QByteArray Utf16(const QString &text) {
  QByteArray out;
  for (QChar c : text) out += U16(c.unicode());
  return out;
}

QByteArray UnicodeString(const QString &text, bool shortCount) {
  bool latin1 = true;
  for (QChar c : text) latin1 = latin1 && c.unicode() < 0x100;
  QByteArray out = shortCount ? U8(int(text.size())) : U16(int(text.size()));
  out += U8(latin1 ? 0 : 1);
  out += latin1 ? text.toLatin1() : Utf16(text);
  return out;
}

QByteArray Number(int row, int col, double v, int xf) {
  return Record(0x0203, U16(row) + U16(col) + U16(xf) + F64(v));
}
QByteArray Label(int row, int col, const QString &text, int xf) {
  return Record(0x0204, U16(row) + U16(col) + U16(xf) + UnicodeString(text));
}
QByteArray LabelSst(int row, int col, std::uint32_t index, int xf) {
  return Record(0x00FD, U16(row) + U16(col) + U16(xf) + U32(index));
}
QByteArray Rk(int row, int col, std::uint32_t rk) {
  return Record(0x027E, U16(row) + U16(col) + U16(0) + U32(rk));
}
QByteArray Formula(int row, int col, const QByteArray &result, int xf) {
  return Record(0x0006, U16(row) + U16(col) + U16(xf) + result + U16(0) + U32(0) + U16(0));
}
QByteArray Tagged(int kind, int value) {
  return U8(kind) + U8(0) + U8(value) + U8(0) + U8(0) + U8(0) + U16(0xFFFF);
}
QByteArray Xf(int formatId) {
  return Record(0x00E0, U16(0) + U16(formatId) + QByteArray(16, '\0'));
}
QByteArray Format(int id, const QString &code) {
  return Record(0x041E, U16(id) + UnicodeString(code));
}

QByteArray CodePageBytes(const QString &text, const char *codePageName) {
  iconv_t cd = iconv_open(codePageName, "UTF-8");
  QByteArray in = text.toUtf8();
  QByteArray out(in.size() * 4, '\0');
  char *ip = in.data(), *op = out.data();
  size_t il = size_t(in.size()), ol = size_t(out.size());
  iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  out.resize(out.size() - qsizetype(ol));
  return out;
}

QByteArray WorkbookStream(const QByteArray &globals, const QList<Sheet> &sheets, int version,
                          const char *codePageName) {
  const int vers = version == 8 ? 0x0600 : 0x0500;
  auto bof = [&](int kind) {
    return Record(0x0809, U16(vers) + U16(kind) +
                              (version == 8 ? QByteArray(12, '\0') : QByteArray(4, '\0')));
  };
  auto boundSheet = [&](const Sheet &s, std::uint32_t offset) {
    QByteArray name;
    if (version == 8) {
      name = UnicodeString(s.name, true);
    } else {
      const QByteArray bytes = CodePageBytes(s.name, codePageName);
      name = U8(int(bytes.size())) + bytes;
    }
    return Record(0x0085, U32(offset) + U8(s.state) + U8(s.kind) + name);
  };
  qsizetype globalsSize = bof(5).size() + globals.size() + 4;
  for (const Sheet &s : sheets) globalsSize += boundSheet(s, 0).size();
  QByteArray head = bof(5) + globals;
  QByteArray body;
  std::uint32_t offset = std::uint32_t(globalsSize);
  for (const Sheet &s : sheets) {
    head += boundSheet(s, offset);
    const QByteArray sub = bof(s.kind == 2 ? 0x20 : 0x10) + s.records + Record(0x000A, {});
    body += sub;
    offset += std::uint32_t(sub.size());
  }
  return head + Record(0x000A, {}) + body;
}

QByteArray OneSheet(const QByteArray &globals, const QByteArray &cells, int version) {
  return WorkbookStream(globals, {Sheet{QStringLiteral("Sheet1"), cells}}, version);
}

bool WriteCompoundFile(const QString &path, const QList<QPair<QString, QByteArray>> &streams) {
  GError *error = nullptr;
  GsfOutput *sink = gsf_output_stdio_new(QFile::encodeName(path).constData(), &error);
  if (!sink) return false;
  GsfOutfile *ole = gsf_outfile_msole_new(sink);
  g_object_unref(sink);
  for (const auto &[name, bytes] : streams) {
    GsfOutput *child = gsf_outfile_new_child(ole, name.toUtf8().constData(), FALSE);
    gsf_output_write(child, size_t(bytes.size()),
                     reinterpret_cast<const guint8 *>(bytes.constData()));
    gsf_output_close(child);
    g_object_unref(child);
  }
  const bool ok = gsf_output_close(GSF_OUTPUT(ole));
  g_object_unref(ole);
  return ok;
}
}  // namespace biffbuild
