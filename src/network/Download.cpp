#include "Download.h"

#include <curl/curl.h>

#include <QFile>
#include <QSaveFile>
#include <mutex>

namespace {
constexpr long kConnectTimeoutSeconds = 15;
constexpr long kTransferTimeoutSeconds = 120;
constexpr long kMaxRedirects = 10;

void initCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t writeBody(char *data, size_t size, size_t count, void *target) {
  auto *file = static_cast<QSaveFile *>(target);
  const qint64 bytes = static_cast<qint64>(size * count);
  return file->write(data, bytes) == bytes ? size * count : 0;
}

bool download(const QString &url, const QString &path, QString &errorText) {
  initCurlOnce();
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    errorText = file.errorString();
    return false;
  }
  CURL *curl = curl_easy_init();
  if (!curl) {
    errorText = QStringLiteral("curl_easy_init failed");
    return false;
  }
  // Stands in for purging the system's internet cache: no proxy or server may answer from a copy.
  curl_slist *headers = curl_slist_append(nullptr, "Cache-Control: no-cache");
  headers = curl_slist_append(headers, "Pragma: no-cache");
  char curlError[CURL_ERROR_SIZE] = {};
  const QByteArray address = url.toUtf8();
  curl_easy_setopt(curl, CURLOPT_URL, address.constData());
  curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_TIMEOUT, kTransferTimeoutSeconds);
  curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "Korvane");
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, curlError);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &file);
  const CURLcode code = curl_easy_perform(curl);
  curl_easy_cleanup(curl);
  curl_slist_free_all(headers);
  if (code != CURLE_OK) {
    errorText = QString::fromUtf8(curlError[0] ? curlError : curl_easy_strerror(code));
    file.cancelWriting();
    return false;
  }
  if (!file.commit()) {
    errorText = file.errorString();
    return false;
  }
  return true;
}
}  // namespace

bool DownloadUrlToFile(const QString &url, const QString &path, QString &errorText) {
  try {
    return download(url, path, errorText);
  } catch (const std::exception &e) {
    errorText = QString::fromLocal8Bit(e.what());
  } catch (...) {
    errorText = QStringLiteral("download failed");
  }
  return false;
}

bool DownloadUrlToFile(const QString &url, const QString &path) {
  QString ignored;
  return DownloadUrlToFile(url, path, ignored);
}

bool DownloadFresh(const QString &url, const QString &path, QString &errorText) {
  if (QFile::exists(path)) QFile::remove(path);
  return DownloadUrlToFile(url, path, errorText);
}

bool DownloadFresh(const QString &url, const QString &path) {
  QString ignored;
  return DownloadFresh(url, path, ignored);
}
