#pragma once

#include <cstdint>

// The stored value of one cell. Texts (strings and error codes such as "#N/A") live in the
// worksheet's string pool and are referred to by index, which keeps a cell at 16 bytes.
struct CellValue {
  enum class Type : std::uint8_t { Empty, Number, Date, Boolean, Text, Error };

  Type type = Type::Empty;
  double number = 0;        // Number; Date as a serial day number (time as fraction); Boolean 0/1
  std::uint32_t text = 0;   // Text and Error: index into the string pool

  bool isEmpty() const { return type == Type::Empty; }
};
