#include "SmtpSecurity.h"

#include <QMutex>

namespace {
QMutex mutex;
QString caBundle;
int extraImplicitPort = 0;
}  // namespace

bool IsImplicitTlsPort(int port) {
  const int port16 = port & 0xFFFF;
  QMutexLocker lock(&mutex);
  return port16 == 465 || port16 == 994 || (extraImplicitPort != 0 && port16 == extraImplicitPort);
}

QString SmtpCaBundle() {
  QMutexLocker lock(&mutex);
  return caBundle;
}

void SetSmtpCaBundleForTesting(const QString &path) {
  QMutexLocker lock(&mutex);
  caBundle = path;
}

void SetImplicitTlsPortForTesting(int port) {
  QMutexLocker lock(&mutex);
  extraImplicitPort = port;
}
