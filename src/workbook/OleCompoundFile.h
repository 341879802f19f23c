#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// An OLE2 compound file (the container of .xls and of encrypted OOXML files), opened with
// libgsf. Stream names are looked up case-insensitively at the top level.
class OleCompoundFile {
 public:
  enum class OpenResult { Opened, CannotRead, NotCompoundFile, Damaged };

  OleCompoundFile() = default;
  ~OleCompoundFile();
  OleCompoundFile(const OleCompoundFile &) = delete;
  OleCompoundFile &operator=(const OleCompoundFile &) = delete;

  OpenResult open(const QString &path);
  // The same for a file held in memory; the bytes must outlive this object.
  OpenResult openMemory(const void *data, size_t size);
  QStringList streamNames() const;
  bool hasStream(const QString &name) const { return indexOf(name) >= 0; }
  // The whole stream, or false when it is missing, larger than maxSize or cannot be read.
  bool readStream(const QString &name, qint64 maxSize, QByteArray &bytes) const;
  // The stream's size as the directory states it, -1 when there is no such stream.
  qint64 streamSize(const QString &name) const;

 private:
  int indexOf(const QString &name) const;
  OpenResult openInput(void *input);

  void *input_ = nullptr;   // GsfInput
  void *infile_ = nullptr;  // GsfInfile
};
