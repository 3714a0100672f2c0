// Text for the MAT-file's char arrays, which hold UTF-16 code units: the
// sweep's own texts (its description, the model's name, the program's
// version) arrive as UTF-8 bytes.
#pragma once

#include <string>

namespace sweep {

// The UTF-16 code units of utf8: a character past U+FFFF as a surrogate
// pair. Each maximal stretch of bytes that cannot begin or continue a
// well-formed sequence (a stray continuation byte, an overlong form, an
// encoded surrogate, a value past U+10FFFF, a sequence cut short) becomes
// one U+FFFD, so that no byte is dropped silently or read past.
std::u16string utf16_from_utf8(const std::string& utf8);

}  // namespace sweep
