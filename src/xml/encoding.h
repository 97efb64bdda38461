// Text encoding at the program's edges.
//
// Inside the program every text is UTF-8. The files and answers the outside
// world reads (log file, HTTP answers, XML files) are Windows-1251. These
// helpers convert between the two and count characters, not bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sky {

// Appends the UTF-8 bytes of one code point (not checked for validity).
void AppendUtf8(std::string& out, char32_t cp);

// UTF-8 to Windows-1251. A character that Windows-1251 cannot hold becomes '?';
// invalid UTF-8 bytes become '?' too. Never throws.
std::string Utf8ToCp1251(std::string_view utf8);

// Windows-1251 to UTF-8. Every byte maps to a character. Never throws.
std::string Cp1251ToUtf8(std::string_view cp1251);

// The text with every byte that is not part of valid UTF-8 replaced by '?'.
std::string SanitizeUtf8(std::string_view text);

// Number of characters (code points) of a UTF-8 text.
std::size_t Utf8Length(std::string_view utf8);

// The first `max_chars` characters of a UTF-8 text, never cutting a character in two.
std::string Utf8Prefix(std::string_view utf8, std::size_t max_chars);

// Removes leading and trailing blanks and control characters (bytes <= 0x20).
std::string TrimText(std::string_view text);

// True when the text is one or more ASCII decimal digits.
bool AllDigits(std::string_view text);

// ASCII-only case folding (enough for names, paths and commands on the wire).
std::string AsciiLower(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace sky
