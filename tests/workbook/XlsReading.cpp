#include "XlsReading.h"

#include <QStringList>
#include <QTemporaryDir>

#include "BiffBuilder.h"
#include "workbook/CellText.h"
#include "workbook/XlsReader.h"

Reading ReadFile(const QString &path) {
  Reading r;
  r.ok = ReadXlsWorkbook(path, r.sheets, r.reason);
  return r;
}

Reading ReadStreams(const Streams &streams) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("book.xls"));
  if (!biffbuild::WriteCompoundFile(path, streams)) qFatal("cannot write the compound file");
  return ReadFile(path);
}

Reading ReadStream(const QByteArray &stream, const QString &name) {
  return ReadStreams({{name, stream}});
}

QString Cells(const Worksheet &sheet) {
  QStringList out;
  for (const Worksheet::Entry &e : sheet.cells())
    out << QStringLiteral("%1,%2=%3")
               .arg(e.row)
               .arg(e.column)
               .arg(CellValueText(sheet, e.value, CellTextStyle::Neutral));
  return out.join(u';');
}

QString UsedRange(const Worksheet &sheet) {
  return QStringLiteral("%1,%2:%3,%4")
      .arg(sheet.usedFirstRow())
      .arg(sheet.usedFirstColumn())
      .arg(sheet.usedLastRow())
      .arg(sheet.usedLastColumn());
}
