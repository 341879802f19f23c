#pragma once

#include <QString>

// HTTP downloads of the maker's files. The server is always asked again (no cached copy is
// used), redirects are followed, and an HTTP error status counts as a failure. The body is
// written to a temporary file beside the target and renamed over it only on success, so a
// reader never sees a partial file.
bool DownloadUrlToFile(const QString &url, const QString &path, QString &errorText);
bool DownloadUrlToFile(const QString &url, const QString &path);

// Deletes the file at path first, then downloads into it.
bool DownloadFresh(const QString &url, const QString &path, QString &errorText);
bool DownloadFresh(const QString &url, const QString &path);
