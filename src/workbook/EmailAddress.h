#pragma once

#include <QString>

// True when the text contains an e-mail address anywhere: the pattern
// \w+([-+.]\w+)*@\w+([-.]\w+)*\.\w+([-.]\w+)* with ASCII word characters only.
// Safe to call from several threads at once.
bool HasEmailAddress(const QString &text);
