#pragma once

#include <QStringList>

// Each command takes its arguments (after the command name) and returns the exit status:
// 0 on success, 2 on failure (the reason on stderr).
int RunScrambleCommand(const QStringList &args);
int RunUnscrambleCommand(const QStringList &args);
// One payslip mail through an SMTP account, for trying an account from a shell.
int RunSendMailCommand(const QStringList &args);
// cells FILE [--sheet N]: every sheet's used range, non-empty cells and merges as JSON.
int RunCellsCommand(const QStringList &args);
int RunInspectCommand(const QStringList &args);
int RunRenderCommand(const QStringList &args);
// account add|list --folder DIR …: the sender accounts of a program folder.
int RunAccountCommand(const QStringList &args);
// send --folder DIR …: the send engine over the unsent payslips of a program folder.
int RunSendCommand(const QStringList &args);
// convert FILE --folder DIR ...: one worksheet into DIR/payslip.mdb, the subject into Mass.ini.
int RunConvertCommand(const QStringList &args);
// folder [--create-database]: the program folder the program uses for this user.
int RunFolderCommand(const QStringList &args);
