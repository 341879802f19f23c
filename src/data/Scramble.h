#pragma once

#include <QString>
#include <stdexcept>

// Reversible scrambling of the provider directory and of the maker's downloaded files: each
// UTF-16 code unit is XOR-ed with one word of a fixed key and written as four hex digits.

// Raised by UnscrambleText when a group of four characters is not a hexadecimal number.
class ScrambleError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

QString ScrambleText(const QString &text);
QString UnscrambleText(const QString &text);  // throws ScrambleError

// The same, returning false instead of throwing.
bool TryUnscrambleText(const QString &text, QString &plain);
