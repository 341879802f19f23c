#include "SmtpDialogueScript.h"

#include "data/CodePage.h"

namespace {
const QByteArray kCrLf("\r\n");
}

QByteArray SmtpDialogueScript::encodeCredential(const QString &text) {
  const QByteArray encoded = ToAnsiCodePage(text).toBase64();
  QByteArray lines;
  for (qsizetype at = 0; at < encoded.size(); at += 76) {
    lines += encoded.mid(at, 76);
    if (at + 76 <= encoded.size()) lines += kCrLf;
  }
  return lines;
}

SmtpDialogueAnswer SmtpDialogueScript::handleChunk(const QByteArray &chunk) const {
  SmtpDialogueAnswer answer;
  const QString text = FromAnsiCodePage(chunk);
  const QString code = text.left(3);
  if (code != QLatin1String("502")) answer.logEntries << text;

  if (code == QLatin1String("220")) {
    answer.logEntries << QStringLiteral("服务就绪!");
    answer.toSend = "HELO /EHLO" + kCrLf;
  } else if (code == QLatin1String("250")) {
    answer.logEntries << QStringLiteral("请求邮件动作正确!");
    answer.toSend = "auth login" + kCrLf;
  } else if (code == QLatin1String("334") && NeedLogin) {
    answer.logEntries << QStringLiteral("开始验证!");
    answer.toSend = encodeCredential(LoginName) + kCrLf + encodeCredential(Password) + kCrLf;
  } else if (code == QLatin1String("235")) {
    answer.logEntries << QStringLiteral("验证成功!");
    answer.scrollToEnd = true;
  } else if (code == QLatin1String("535")) {
    answer.logEntries << QStringLiteral("授权码或者登陆密码错误!");
    answer.scrollToEnd = true;
  }
  return answer;
}
