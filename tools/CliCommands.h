#pragma once

#include <QStringList>

// Each command takes its arguments (after the command name) and returns the exit status:
// 0 on success, 2 on failure (the reason on stderr).
int RunScrambleCommand(const QStringList &args);
int RunUnscrambleCommand(const QStringList &args);
// cells FILE [--sheet N]: every sheet's used range, non-empty cells and merges as JSON.
int RunCellsCommand(const QStringList &args);
