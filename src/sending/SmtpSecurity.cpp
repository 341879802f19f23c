#include "SmtpSecurity.h"

#include <QHostAddress>
#include <QMutex>

namespace {
QMutex mutex;
QString caBundle;
int extraImplicitPort = 0;
bool loopbackIsPublic = false;

bool inAnyOf(const QHostAddress &address, std::initializer_list<const char *> subnets) {
  for (const char *subnet : subnets) {
    if (address.isInSubnet(QHostAddress::parseSubnet(QLatin1String(subnet)))) return true;
  }
  return false;
}

// ::ffff:a.b.c.d reaches the IPv4 host a.b.c.d.
QHostAddress unmapped(const QHostAddress &address) {
  if (address.protocol() != QAbstractSocket::IPv6Protocol) return address;
  bool mapped = false;
  const quint32 v4 = address.toIPv4Address(&mapped);
  return mapped ? QHostAddress(v4) : address;
}
}  // namespace

bool IsImplicitTlsPort(int port) {
  QMutexLocker lock(&mutex);
  return port == 465 || port == 994 || (extraImplicitPort != 0 && port == extraImplicitPort);
}

bool IsLocalNetworkAddress(const QHostAddress &given) {
  const QHostAddress address = unmapped(given);
  switch (address.protocol()) {
    case QAbstractSocket::IPv4Protocol:
      return inAnyOf(address, {"127.0.0.0/8", "10.0.0.0/8", "172.16.0.0/12", "192.168.0.0/16",
                               "169.254.0.0/16"});
    case QAbstractSocket::IPv6Protocol:
      return inAnyOf(address, {"::1/128", "fe80::/10", "fc00::/7"});
    default:
      return false;
  }
}

bool MayLogInWithoutTls(const QString &text) {
  const QHostAddress address(text);
  if (!IsLocalNetworkAddress(address)) return false;
  QMutexLocker lock(&mutex);
  return !(loopbackIsPublic && unmapped(address).isLoopback());
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

void SetLoopbackCountsAsPublicForTesting(bool isPublic) {
  QMutexLocker lock(&mutex);
  loopbackIsPublic = isPublic;
}
