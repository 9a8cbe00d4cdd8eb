// One printf conversion as Microsoft's CString::Format reads it, and the
// parser that reads it.
//
// A conversion is %[flags][width][.precision][size]letter. Flags are any of
// "-+ #0"; width and precision are digits or '*' (taken from the argument
// list, an int; a negative '*' width means left-aligned). Sizes are
// Microsoft's: h, hh, l (32 bits, as Windows' long), ll, w (wide), L,
// z/t/j (pointer sized), I (pointer sized), I32 and I64.
#pragma once

#include <cstdarg>
#include <string>

namespace kavro::platform {

struct FormatConversion {
  enum Size { kDefault, kShort, kChar, kLong32, kLong64, kPtr, kLongDouble, kWide, kNarrow };

  std::string flags;  // in the order written
  int width = -1;     // -1 when none was given
  int precision = -1; // -1 when none was given
  Size size = kDefault;
  char letter = 0;    // the conversion letter; 0 when the format ended first

  bool HasFlag(char flag) const { return flags.find(flag) != std::string::npos; }
};

// Reads the conversion that starts just after '%' into conv, taking '*'
// widths and precisions from args. Width and precision are capped at 2^20.
// Returns the position after the conversion letter, or the position of the
// terminating NUL when the format ends inside the conversion (letter is 0).
template <typename T>
const T* ParseConversion(const T* p, FormatConversion& conv, va_list& args);

}  // namespace kavro::platform
