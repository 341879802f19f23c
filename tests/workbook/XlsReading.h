#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <vector>

#include "workbook/Worksheet.h"

// Reading built workbooks through the real .xls reader, and what the tests compare.
using Streams = QList<QPair<QString, QByteArray>>;

struct Reading {
  bool ok = false;
  QString reason;
  std::vector<Worksheet> sheets;
};

Reading ReadFile(const QString &path);
// The streams in an OLE2 file of a temporary folder, read back.
Reading ReadStreams(const Streams &streams);
Reading ReadStream(const QByteArray &stream, const QString &name = QStringLiteral("Workbook"));

// The cells of a sheet as "row,col=text;…" in row-major order, locale-neutral.
QString Cells(const Worksheet &sheet);
// "firstRow,firstCol:lastRow,lastCol".
QString UsedRange(const Worksheet &sheet);
