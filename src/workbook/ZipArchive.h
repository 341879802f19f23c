#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <functional>

struct zip;

// A read-only zip package (the container of .xlsx and .ods files) over libzip. Part names
// are looked up forgiving the spellings writers use: "\" or "/" separators, a leading "/",
// any letter case. Every read is bounded by the bytes that actually come out, whatever the
// directory claims.
class ZipArchive {
 public:
  ZipArchive() = default;
  ~ZipArchive();
  ZipArchive(const ZipArchive &) = delete;
  ZipArchive &operator=(const ZipArchive &) = delete;

  bool openFile(const QString &path, QString &reason);
  // The buffer must outlive the archive.
  bool openMemory(const void *data, size_t size, QString &reason);

  // The entry index of a part, -1 when the package has none.
  qint64 find(const QString &partName) const;
  // Streams the part's decompressed bytes to sink in chunks; sink returns false to stop.
  // False and a reason when the part cannot be read or yields more than limit bytes.
  bool read(qint64 index, qint64 limit, const std::function<bool(const char *, size_t)> &sink,
            QString &reason) const;
  bool readAll(qint64 index, qint64 limit, QByteArray &out, QString &reason) const;
  // The bytes the part really takes in the file (0 when unknown): a trustworthy size hint.
  qint64 compressedSize(qint64 index) const;

  static QString normalizedName(const QString &partName);

 private:
  bool indexEntries(QString &reason);

  zip *archive_ = nullptr;
  QHash<QString, qint64> entries_;
};
