#include "ZipArchive.h"

#include <zip.h>

#include <QFile>

#include "ReadLimits.h"
#include "WorkbookErrors.h"

namespace {
QString reasonFor(int zipError) {
  switch (zipError) {
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
    case ZIP_ER_ENCRNOTSUPP:
      return ReasonPasswordProtected();
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
      return ReasonCannotRead();
    default:
      return ReasonDamaged();
  }
}
}  // namespace

ZipArchive::~ZipArchive() {
  if (archive_) zip_discard(archive_);
}

bool ZipArchive::openFile(const QString &path, QString &reason) {
  int error = 0;
  archive_ = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
  if (!archive_) {
    reason = reasonFor(error);
    return false;
  }
  return indexEntries(reason);
}

bool ZipArchive::openMemory(const void *data, size_t size, QString &reason) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t *source = zip_source_buffer_create(data, size, 0, &error);
  if (source) {
    archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
    if (!archive_) zip_source_free(source);
  }
  if (!archive_) {
    reason = reasonFor(zip_error_code_zip(&error));
    zip_error_fini(&error);
    return false;
  }
  zip_error_fini(&error);
  return indexEntries(reason);
}

QString ZipArchive::normalizedName(const QString &partName) {
  QString name = partName;
  name.replace(QLatin1Char('\\'), QLatin1Char('/'));
  while (name.startsWith(QLatin1Char('/'))) name.remove(0, 1);
  return name.toLower();
}

bool ZipArchive::indexEntries(QString &reason) {
  const zip_int64_t count = zip_get_num_entries(archive_, 0);
  if (count < 0 || count > ReadLimits::kZipEntries) {
    reason = count < 0 ? ReasonDamaged() : ReasonTooManyParts();
    return false;
  }
  entries_.reserve(static_cast<qsizetype>(count));
  for (zip_int64_t i = 0; i < count; ++i) {
    const char *name = zip_get_name(archive_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
    if (!name) continue;
    // The first of two entries with the same name wins.
    const QString key = normalizedName(QString::fromUtf8(name));
    if (!entries_.contains(key)) entries_.insert(key, i);
  }
  return true;
}

qint64 ZipArchive::find(const QString &partName) const {
  return entries_.value(normalizedName(partName), -1);
}

bool ZipArchive::read(qint64 index, qint64 limit,
                      const std::function<bool(const char *, size_t)> &sink,
                      QString &reason) const {
  if (!archive_ || index < 0) {
    reason = ReasonDamaged();
    return false;
  }
  zip_file_t *file = zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), 0);
  if (!file) {
    reason = reasonFor(zip_error_code_zip(zip_get_error(archive_)));
    return false;
  }
  char buffer[64 * 1024];
  qint64 total = 0;
  bool ok = true;
  for (;;) {
    const zip_int64_t n = zip_fread(file, buffer, sizeof buffer);
    if (n < 0) {
      reason = reasonFor(zip_error_code_zip(zip_file_get_error(file)));
      ok = false;
      break;
    }
    if (n == 0) break;
    total += n;
    if (total > limit) {
      reason = ReasonPartTooLarge();
      ok = false;
      break;
    }
    if (!sink(buffer, static_cast<size_t>(n))) break;
  }
  zip_fclose(file);
  return ok;
}

bool ZipArchive::readAll(qint64 index, qint64 limit, QByteArray &out, QString &reason) const {
  out.clear();
  return read(
      index, limit,
      [&out](const char *data, size_t size) {
        out.append(data, static_cast<qsizetype>(size));
        return true;
      },
      reason);
}

qint64 ZipArchive::compressedSize(qint64 index) const {
  zip_stat_t st;
  zip_stat_init(&st);
  if (!archive_ || index < 0 ||
      zip_stat_index(archive_, static_cast<zip_uint64_t>(index), 0, &st) != 0 ||
      !(st.valid & ZIP_STAT_COMP_SIZE))
    return 0;
  return static_cast<qint64>(st.comp_size);
}
