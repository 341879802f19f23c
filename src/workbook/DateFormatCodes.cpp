#include "DateFormatCodes.h"

bool IsBuiltInDateFormat(int id) {
  return (id >= 14 && id <= 22) || (id >= 45 && id <= 47) || (id >= 27 && id <= 36) ||
         (id >= 50 && id <= 58);
}

bool IsDateFormatCode(const QString &code) {
  QString kept;
  kept.reserve(code.size());
  bool quoted = false, bracket = false, escaped = false;
  for (QChar c : code) {
    if (escaped) {
      escaped = false;
    } else if (quoted) {
      quoted = c != u'"';
    } else if (bracket) {
      bracket = c != u']';
    } else if (c == u'"') {
      quoted = true;
    } else if (c == u'[') {
      bracket = true;
    } else if (c == u'\\' || c == u'_' || c == u'*') {
      escaped = true;  // the next character is shown literally or as padding
    } else {
      kept.append(c);
    }
  }
  const QString trimmed = kept.trimmed();
  if (trimmed.compare(u"General", Qt::CaseInsensitive) == 0 || trimmed == u"@") return false;
  int dateTokens = 0, digitTokens = 0;
  for (QChar c : kept) {
    switch (c.toLower().unicode()) {
      case u'y': case u'm': case u'd': case u'h': case u's': ++dateTokens; break;
      case u'0': case u'#': case u'?': ++digitTokens; break;
      default: break;
    }
  }
  return dateTokens > digitTokens;
}
