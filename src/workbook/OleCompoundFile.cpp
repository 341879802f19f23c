#include "OleCompoundFile.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>

#include <QFile>
#include <mutex>

namespace {
// libgsf reports every oddity of a damaged file on stderr, some as CRITICAL assertions, and
// GLib's object system may add its own; the reader refuses such a file with its own reason,
// which is all the user sees. Messages of those domains are dropped while this thread works in
// libgsf; at other times GLib's own handler shows them.
thread_local int quietDepth = 0;

struct QuietGLib {
  QuietGLib() { ++quietDepth; }
  ~QuietGLib() { --quietDepth; }
  QuietGLib(const QuietGLib &) = delete;
  QuietGLib &operator=(const QuietGLib &) = delete;
};

void RouteGLibLog() {
  static std::once_flag once;
  std::call_once(once, [] {
    const auto levels = GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING |
                                       G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG);
    for (const char *domain : {"libgsf", "libgsf:msole", "libgsf:utils", "GLib-GObject", "GLib"})
      g_log_set_handler(
          domain, levels,
          [](const gchar *logDomain, GLogLevelFlags level, const gchar *message, gpointer) {
            if (quietDepth == 0) g_log_default_handler(logDomain, level, message, nullptr);
          },
          nullptr);
  });
}

GsfInfile *Infile(void *p) { return static_cast<GsfInfile *>(p); }
}  // namespace

OleCompoundFile::~OleCompoundFile() {
  const QuietGLib quiet;
  if (infile_) g_object_unref(infile_);
  if (input_) g_object_unref(input_);
}

OleCompoundFile::OpenResult OleCompoundFile::open(const QString &path) {
  RouteGLibLog();
  const QuietGLib quiet;
  {
    // Sniff the signature first: libgsf's error for a non-OLE file is no different from others.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return OpenResult::CannotRead;
    const QByteArray head = file.read(8);
    if (head != QByteArray::fromHex("d0cf11e0a1b11ae1")) return OpenResult::NotCompoundFile;
  }
  GError *error = nullptr;
  const QByteArray local = QFile::encodeName(path);
  GsfInput *input = gsf_input_stdio_new(local.constData(), &error);
  if (!input) {
    if (error) g_error_free(error);
    return OpenResult::CannotRead;
  }
  return openInput(input);
}

OleCompoundFile::OpenResult OleCompoundFile::openMemory(const void *data, size_t size) {
  RouteGLibLog();
  const QuietGLib quiet;
  if (size < 8 || QByteArray::fromRawData(static_cast<const char *>(data), 8) !=
                      QByteArray::fromHex("d0cf11e0a1b11ae1"))
    return OpenResult::NotCompoundFile;
  return openInput(
      gsf_input_memory_new(static_cast<const guint8 *>(data), static_cast<gsf_off_t>(size), FALSE));
}

OleCompoundFile::OpenResult OleCompoundFile::openInput(void *input) {
  if (!input) return OpenResult::CannotRead;
  input_ = input;
  GError *error = nullptr;
  GsfInfile *infile = gsf_infile_msole_new(static_cast<GsfInput *>(input), &error);
  if (!infile) {
    if (error) g_error_free(error);
    return OpenResult::Damaged;
  }
  infile_ = infile;
  return OpenResult::Opened;
}

QStringList OleCompoundFile::streamNames() const {
  const QuietGLib quiet;
  QStringList names;
  if (!infile_) return names;
  const int count = gsf_infile_num_children(Infile(infile_));
  for (int i = 0; i < count; ++i) {
    const char *name = gsf_infile_name_by_index(Infile(infile_), i);
    names.append(name ? QString::fromUtf8(name) : QString());
  }
  return names;
}

int OleCompoundFile::indexOf(const QString &name) const {
  const QStringList names = streamNames();
  for (int i = 0; i < names.size(); ++i)
    if (names[i].compare(name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

qint64 OleCompoundFile::streamSize(const QString &name) const {
  const int index = indexOf(name);
  const QuietGLib quiet;
  if (index < 0) return -1;
  GsfInput *stream = gsf_infile_child_by_index(Infile(infile_), index);
  if (!stream) return -1;
  const qint64 size = gsf_input_size(stream);
  g_object_unref(stream);
  return size;
}

bool OleCompoundFile::readStream(const QString &name, qint64 maxSize, QByteArray &bytes) const {
  const int index = indexOf(name);
  const QuietGLib quiet;
  if (index < 0) return false;
  GsfInput *stream = gsf_infile_child_by_index(Infile(infile_), index);
  if (!stream) return false;
  const gsf_off_t size = gsf_input_size(stream);
  bool ok = size >= 0 && size <= maxSize;
  if (ok) {
    bytes.resize(static_cast<qsizetype>(size));
    constexpr gsf_off_t kChunk = 1 << 20;
    for (gsf_off_t done = 0; ok && done < size;) {
      const gsf_off_t step = std::min(kChunk, size - done);
      ok = gsf_input_read(stream, static_cast<size_t>(step),
                          reinterpret_cast<guint8 *>(bytes.data() + done)) != nullptr;
      done += step;
    }
  }
  g_object_unref(stream);
  if (!ok) bytes.clear();
  return ok;
}
