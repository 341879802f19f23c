#include "EmailAddress.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>

namespace {
const char kEmailPattern[] = R"(\w+([-+.]\w+)*@\w+([-.]\w+)*\.\w+([-.]\w+)*)";

struct CodeDeleter {
  void operator()(pcre2_code *code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
  void operator()(pcre2_match_data *data) const { pcre2_match_data_free(data); }
};

// Compiled once for the whole program. UTF mode without PCRE2_UCP keeps \w to ASCII, which is
// what decides that a Chinese local part is no address.
const pcre2_code *emailPattern() {
  static const std::unique_ptr<pcre2_code, CodeDeleter> code = [] {
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code *compiled =
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(kEmailPattern), PCRE2_ZERO_TERMINATED, PCRE2_UTF,
                      &error, &offset, nullptr);
    if (compiled) pcre2_jit_compile(compiled, PCRE2_JIT_COMPLETE);  // falls back when absent
    return std::unique_ptr<pcre2_code, CodeDeleter>(compiled);
  }();
  return code.get();
}
}  // namespace

bool HasEmailAddress(const QString &text) {
  if (text.isEmpty()) return false;
  const pcre2_code *code = emailPattern();
  if (!code) return false;
  // Match data is per thread: the compiled pattern is shared read-only.
  thread_local const std::unique_ptr<pcre2_match_data, MatchDataDeleter> matchData(
      pcre2_match_data_create_from_pattern(code, nullptr));
  if (!matchData) return false;
  const QByteArray utf8 = text.toUtf8();
  const int rc = pcre2_match(code, reinterpret_cast<PCRE2_SPTR>(utf8.constData()),
                             static_cast<PCRE2_SIZE>(utf8.size()), 0, 0, matchData.get(), nullptr);
  return rc >= 0;
}
