#pragma once

#include <cstdint>

// The stored value of one cell. Texts (strings and error codes such as "#N/A") live in the
// worksheet's string pool and are referred to by index, which keeps a cell at 16 bytes.
struct CellValue {
  // Currency: a number whose cell has a currency format (read with up to four decimals).
  enum class Type : std::uint8_t { Empty, Number, Date, Boolean, Text, Error, Currency };

  constexpr CellValue() = default;
  constexpr CellValue(Type t, double n = 0, std::uint32_t s = 0) : number(n), text(s), type(t) {}

  double number =
      0;  // Number, Currency; Date as a serial day number (time as fraction); Boolean 0/1
  std::uint32_t text = 0;  // Text and Error: index into the string pool
  Type type = Type::Empty;

  bool isEmpty() const { return type == Type::Empty; }
};
static_assert(sizeof(CellValue) == 16);
