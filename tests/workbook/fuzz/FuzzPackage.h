#pragma once

#include <zip.h>

#include <QByteArray>
#include <utility>
#include <vector>

// Builds a zip package in memory, so that a fuzz input can be one XML part of an otherwise
// well-formed package: mutations then reach the XML handlers instead of dying in inflate.
inline QByteArray MakePackage(const std::vector<std::pair<const char *, QByteArray>> &parts) {
  QByteArray out;
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t *buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_t *archive = buffer ? zip_open_from_source(buffer, ZIP_TRUNCATE, &error) : nullptr;
  if (!archive) {
    if (buffer) zip_source_free(buffer);
    zip_error_fini(&error);
    return out;
  }
  zip_source_keep(buffer);
  for (const auto &part : parts) {
    zip_source_t *s = zip_source_buffer(archive, part.second.constData(),
                                        static_cast<zip_uint64_t>(part.second.size()), 0);
    if (s && zip_file_add(archive, part.first, s, 0) >= 0)
      zip_set_file_compression(archive, zip_uint64_t(zip_get_num_entries(archive, 0) - 1),
                               ZIP_CM_STORE, 0);
  }
  if (zip_close(archive) == 0 && zip_source_open(buffer) == 0) {
    char chunk[65536];
    zip_int64_t n;
    while ((n = zip_source_read(buffer, chunk, sizeof chunk)) > 0)
      out.append(chunk, static_cast<qsizetype>(n));
    zip_source_close(buffer);
  }
  zip_source_free(buffer);
  zip_error_fini(&error);
  return out;
}
