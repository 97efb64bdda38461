// Text encoding at the program's edges.
//
// Inside the program every text is UTF-8. The files and answers the outside
// world reads (log file, HTTP answers, XML files) are Windows-1251. These
// helpers convert between the two and count characters, not bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sky {

// --- Windows-1251 -----------------------------------------------------------

// The characters of the bytes 0x80..0xBF; 0x00..0x7F are ASCII and
// 0xC0..0xFF are U+0410..U+044F in order. 0x98 is the one byte the code page
// leaves unassigned: here it stands for the C1 control U+0098, so that
// reading a file loses no byte.
inline constexpr std::array<char32_t, 64> kCp1251UpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
};

// What byte 0x98 stands for. The program's own conversions take it as
// U+0098 (kC1Control). The XML library's converter knows no character there
// (kUnassigned), so a document it writes holds U+0098 as a character
// reference; the data packet, which must equal such a document byte for
// byte, converts that way.
enum class TCp1251Byte98 { kC1Control, kUnassigned };

// The character of a Windows-1251 byte; nullopt only for 0x98 when unassigned.
constexpr std::optional<char32_t> Cp1251Character(unsigned char byte,
                                                  TCp1251Byte98 byte98 = TCp1251Byte98::kC1Control) {
  if (byte < 0x80) return byte;
  if (byte >= 0xC0) return char32_t{0x0410} + (byte - 0xC0);
  if (byte == 0x98 && byte98 == TCp1251Byte98::kUnassigned) return std::nullopt;
  return kCp1251UpperHalf[byte - 0x80];
}

// --- UTF-8 --------------------------------------------------------------------

// Decodes the UTF-8 sequence that starts at `at` (below text.size()): its
// length in bytes with the code point in `cp`, or 0 when the bytes there are
// not valid UTF-8 (overlong forms, surrogates, values past U+10FFFF and cut
// sequences included). Inline, as the data packet decodes every character
// of every value with it.
inline std::size_t DecodeUtf8(std::string_view text, std::size_t at, char32_t& cp) noexcept {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) {
    cp = lead;
    return 1;
  }
  std::size_t length = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (length > text.size() - at) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(at + i) & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  cp = value;
  return length;
}

// True when the bytes are valid UTF-8 throughout (DecodeUtf8's rules).
bool IsValidUtf8(std::string_view bytes);

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

// The UTF-8 text with Latin and Cyrillic capitals made small (the letters of
// U+0400..U+042F included) and ё made е, as Russian writing often has it,
// for matching what pilots type against callsigns and ordering callsigns;
// other characters and invalid bytes are kept as they are.
std::string FoldCase(std::string_view utf8);

}  // namespace sky
