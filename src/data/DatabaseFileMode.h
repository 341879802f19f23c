#pragma once

#include <QString>

// payslip.mdb holds the sender accounts' passwords, so the file and the side files SQLite keeps
// beside it (-wal, -shm, -journal) are readable and writable by their owner only. SQLite gives
// the side files the mode of the database file, so a database file made owner-only keeps them
// so too.

// Creates an empty database file, owner-only from the first moment (SQLite takes an empty
// file for an empty database). An existing file is left in place and only restricted.
bool CreateOwnerOnlyDatabaseFile(const QString &path, QString &errorText);

// Takes group and other permissions off the database file and every side file that exists.
// Files the user cannot change (another owner) are left as they are.
void RestrictDatabaseFilesToOwner(const QString &path);
