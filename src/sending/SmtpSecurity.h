#pragma once

#include <QString>

class QHostAddress;

// Ports whose servers expect TLS from the first byte (smtps); on every other port the mail
// client upgrades with STARTTLS whenever the server offers it.
bool IsImplicitTlsPort(int port);

// Whether an address lies on this computer or on a private network: loopback, the private
// ranges of RFC 1918, link-local, IPv6 unique-local. An IPv4 address mapped into IPv6 is
// judged as the IPv4 address; anything else (public, unspecified, invalid) is not local.
bool IsLocalNetworkAddress(const QHostAddress &address);

// Whether the client may log in without TLS to the server at this address (as curl reports
// the address the connection used): only on a local network, where nobody between the two
// can strip STARTTLS from the server's reply.
bool MayLogInWithoutTls(const QString &address);

// The CA bundle that SMTP connections trust instead of the system's; empty in the product.
QString SmtpCaBundle();

// Test-only: trust the certificate of a loopback test server, and treat one more port as an
// implicit-TLS port (the real ones need privileges to listen on). Empty / 0 undo them.
void SetSmtpCaBundleForTesting(const QString &path);
void SetImplicitTlsPortForTesting(int port);
// Test-only: judge loopback servers as if they were on the internet, so that the test servers
// can stand in for a distant server. false undoes it.
void SetLoopbackCountsAsPublicForTesting(bool isPublic);
