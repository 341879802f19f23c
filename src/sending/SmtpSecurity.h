#pragma once

#include <QString>

// Ports whose servers expect TLS from the first byte (smtps); on every other port the mail
// client upgrades with STARTTLS whenever the server offers it.
bool IsImplicitTlsPort(int port);

// The CA bundle that SMTP connections trust instead of the system's; empty in the product.
QString SmtpCaBundle();

// Test-only: trust the certificate of a loopback test server, and treat one more port as an
// implicit-TLS port (the real ones need privileges to listen on). Empty / 0 undo them.
void SetSmtpCaBundleForTesting(const QString &path);
void SetImplicitTlsPortForTesting(int port);
