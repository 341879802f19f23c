#include "CliOutput.h"

#include <cstdio>

void WriteOut(const QByteArray &bytes) {
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
}

void WriteOut(const QString &text) { WriteOut(text.toUtf8()); }

int Fail(const QString &reason) {
  const QByteArray bytes = reason.toUtf8() + '\n';
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
  return 2;
}
