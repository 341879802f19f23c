#pragma once

#include <QString>

// Output helpers shared by the commands: UTF-8 on stdout and stderr.
void WriteOut(const QByteArray &bytes);
void WriteOut(const QString &text);
int Fail(const QString &reason);  // writes the reason and a newline on stderr, returns 2
