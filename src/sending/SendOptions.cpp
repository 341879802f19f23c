#include "SendOptions.h"

#include "MailOperations.h"
#include "data/SqlText.h"

QString IntegerConversionError(const QString &text) {
  return QLatin1Char('\'') + text + QStringLiteral("'不是有效的整数值");
}

namespace {
bool wholeNumber(const QString &text, int &value, QString &errorText) {
  // Blanks around the digits are forgiven, as the number conversion of the boxes always did.
  if (ReadWholeNumber(text.trimmed(), value)) return true;
  errorText = IntegerConversionError(text);
  return false;
}
}  // namespace

bool ReadSendOptions(const SendOptionTexts &texts, SendOptions &options, QString &errorText) {
  SendOptions o;
  if (!wholeNumber(texts.interval, o.sendInterval, errorText)) return false;
  o.inTurn = texts.inTurn;
  if (!wholeNumber(texts.sendCnt, o.afterSendCnt, errorText)) return false;
  if (!wholeNumber(texts.waitSecond, o.waitSecond, errorText)) return false;
  o.serverId = 0;
  if (!texts.serverId.isEmpty() && !wholeNumber(texts.serverId, o.serverId, errorText))
    return false;
  o.waitSecondRandom = texts.random;
  o.addNameToTitle = texts.addName;
  o.emailTitle = texts.emailTitle;
  options = o;
  return true;
}

AccountCheck CheckSendAccounts(DbQuery &query, bool inTurn, bool accountChosen) {
  if (inTurn) return GetSMTPServerCount(query) != 0 ? AccountCheck::Go : AccountCheck::NoAccount;
  if (accountChosen) return AccountCheck::Go;
  return GetSMTPServerCount(query) != 0 ? AccountCheck::ChooseAccount : AccountCheck::NoAccount;
}

QString SendTexts::EndOfPass(int sent, int failed) {
  if (failed > 0)
    return QStringLiteral("发送完毕!成功") + QString::number(sent) + QStringLiteral("条,失败") +
           QString::number(failed) + QStringLiteral("条!");
  return QStringLiteral("发送完毕!共发送") + QString::number(sent) + QStringLiteral("条");
}
