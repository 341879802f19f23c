#pragma once

#include <QString>

class DbQuery;

// The settings a pass runs with, taken from the send window's controls when a send starts.
struct SendOptions {
  int sendInterval = 7;   // seconds after every mail
  bool inTurn = false;    // a randomly drawn account for every mail
  int afterSendCnt = 30;  // once more mails than this went out, the long pause follows each mail
  int waitSecond = 10;    // the long pause, in seconds
  int serverId = 0;       // the chosen account, when not in turn
  bool waitSecondRandom = false;  // 0..29 s drawn per mail instead of the interval
  bool addNameToTitle = false;
  QString emailTitle;
};

// The controls' texts as the user left them.
struct SendOptionTexts {
  QString interval;
  bool inTurn = false;
  QString sendCnt;
  QString waitSecond;
  QString serverId;  // the account chooser's value; empty when none is chosen
  bool random = false;
  bool addName = false;
  QString emailTitle;
};

// The snapshot, converting the texts in the order interval, mail count, pause, account; false
// with the conversion error at the first text that is no whole number. An empty account value
// reads 0: in rotation it is not used, and otherwise the checks have refused it already.
bool ReadSendOptions(const SendOptionTexts &texts, SendOptions &options, QString &errorText);

// The error of a text that should have been a whole number.
QString IntegerConversionError(const QString &text);

// The checks before a send: go on, ask for an account to be chosen, or there is no account.
enum class AccountCheck { Go, ChooseAccount, NoAccount };
AccountCheck CheckSendAccounts(DbQuery &query, bool inTurn, bool accountChosen);

// The texts the send command shows.
namespace SendTexts {
inline const QString ChooseAccount = QStringLiteral("请选择邮件服务器！");
inline const QString NoAccount = QStringLiteral("您没有设置邮件服务器信息，请设置。");
inline const QString NothingToSend = QStringLiteral("没有尚未发送的工资条，无需发送！");
inline const QString Interrupted = QStringLiteral("发送过程被中断");
inline const QString PassDone = QStringLiteral("发送过程完毕");
inline const QString RetryQuestion =
    QStringLiteral("本次发送有未成功邮件，重新尝试发送这些邮件吗？");
inline const QString RetryLogLine = QStringLiteral("---------再次发送未成功邮件---------");
// "发送完毕!成功…条,失败…条!" when mails failed, else "发送完毕!共发送…条".
QString EndOfPass(int sent, int failed);
}  // namespace SendTexts
