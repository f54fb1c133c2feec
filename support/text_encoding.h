// Texts from files made on Windows are in its ANSI code page (Windows-1252
// for the languages the program ships); files made here are UTF-8. The
// program's own texts are UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace bb {

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing beyond U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

// Each byte as its Windows-1252 character; the five bytes that code page
// leaves undefined become the control characters of the same number, as
// Windows converts them.
std::string Windows1252ToUtf8(std::string_view bytes);

// Text from a file: kept as it is when it is valid UTF-8, else read as
// Windows-1252.
std::string FileTextToUtf8(std::string_view bytes);

// The first `count` characters (not bytes) of a UTF-8 text.
std::string_view LeftChars(std::string_view text, std::size_t count);

// A UTF-8 text's length in UTF-16 units: what a host's string (and Len)
// counts, a character beyond the BMP as two.
std::size_t Utf16Length(std::string_view utf8);
// The text from its `start`-th UTF-16 unit on (1-based, as Mid), never
// from inside a character: a start on a pair's second half begins after it.
std::string_view MidUnits(std::string_view utf8, std::size_t start);

}  // namespace bb
