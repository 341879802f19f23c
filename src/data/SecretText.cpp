#include "SecretText.h"

#include <algorithm>

namespace {
constexpr qsizetype kMaskInsideWordsFrom = 6;

bool isWordCharacter(QChar c) { return c.isLetterOrNumber(); }

bool standsAlone(const QString &text, qsizetype at, qsizetype length) {
  const bool startsClean =
      at == 0 || !isWordCharacter(text.at(at - 1)) || !isWordCharacter(text.at(at));
  const qsizetype end = at + length;
  const bool endsClean =
      end == text.size() || !isWordCharacter(text.at(end)) || !isWordCharacter(text.at(end - 1));
  return startsClean && endsClean;
}
}  // namespace

QString MaskSecret(QString text, const QString &secret) {
  if (secret.isEmpty()) return text;
  const bool everywhere = secret.size() >= kMaskInsideWordsFrom;
  qsizetype from = 0;
  while (true) {
    const qsizetype at = text.indexOf(secret, from);
    if (at < 0) break;
    if (everywhere || standsAlone(text, at, secret.size())) {
      text.replace(at, secret.size(), kMaskedSecret);
      from = at + kMaskedSecret.size();
    } else {
      from = at + 1;
    }
  }
  return text;
}

QString MaskSecrets(QString text, const QStringList &secrets) {
  // Longer forms first: a literal holding the password is masked whole.
  QStringList ordered = secrets;
  std::sort(ordered.begin(), ordered.end(),
            [](const QString &a, const QString &b) { return a.size() > b.size(); });
  for (const QString &secret : ordered) text = MaskSecret(text, secret);
  return text;
}
