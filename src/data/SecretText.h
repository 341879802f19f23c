#pragma once

#include <QString>
#include <QStringList>

// What a secret (a password, its SQL literal, its base64 form) is replaced with in texts for
// the user.
inline const QString kMaskedSecret = QStringLiteral("******");

// The text with every occurrence of the secret masked. An occurrence that stands alone
// (bounded by the text's ends or by characters that are neither letters nor digits) is always
// masked; one inside a longer word only when the secret has at least six characters, so that
// a very short password does not blank out reply codes and words.
QString MaskSecret(QString text, const QString &secret);
QString MaskSecrets(QString text, const QStringList &secrets);
