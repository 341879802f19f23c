#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <cstdint>

// Builds BIFF records and workbook streams byte by byte, for cases no spreadsheet writer makes
// on purpose (split strings, odd counts, damaged records).
namespace biffbuild {
QByteArray U8(int v);
QByteArray U16(int v);
QByteArray U32(std::uint32_t v);
QByteArray F64(double v);
QByteArray Record(int type, const QByteArray &body);
// A BIFF8 string: count, flags, characters (8-bit when all are Latin-1, else UTF-16LE).
QByteArray UnicodeString(const QString &text, bool shortCount = false);
QByteArray Utf16(const QString &text);
// The text in an 8-bit code page, by its iconv name ("GBK", "CP1252" …).
QByteArray CodePageBytes(const QString &text, const char *codePageName);
// Cell records (row and column 0-based, as in the file).
QByteArray Number(int row, int col, double v, int xf = 0);
QByteArray Label(int row, int col, const QString &text, int xf = 0);
QByteArray LabelSst(int row, int col, std::uint32_t index, int xf = 0);
QByteArray Rk(int row, int col, std::uint32_t rk);
// A FORMULA record with its cached result: F64(v) or Tagged(kind, value) for the others
// (kind 0 string in the next STRING record, 1 boolean, 2 error code, 3 empty string).
QByteArray Formula(int row, int col, const QByteArray &result, int xf = 0);
QByteArray Tagged(int kind, int value);
QByteArray Xf(int formatId);
QByteArray Format(int id, const QString &code);

struct Sheet {
  QString name;
  QByteArray records;  // between the sheet's BOF and EOF
  int state = 0;       // 0 visible, 1 hidden, 2 very hidden
  int kind = 0;        // 0 worksheet, 2 chart
};
// A whole Workbook stream: globals (BOF, the given records, BOUNDSHEETs, EOF), then the sheets.
// version 8 writes BIFF8, 5 writes BIFF5 (8-bit names in the code page given in codePageName).
QByteArray WorkbookStream(const QByteArray &globals, const QList<Sheet> &sheets, int version = 8,
                          const char *codePageName = "CP1252");
QByteArray OneSheet(const QByteArray &globals, const QByteArray &cells, int version = 8);
// Writes an OLE2 compound file with the named streams (libgsf's writer).
bool WriteCompoundFile(const QString &path, const QList<QPair<QString, QByteArray>> &streams);
}  // namespace biffbuild
