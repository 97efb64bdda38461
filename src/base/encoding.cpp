#include "base/encoding.h"

namespace sky {

namespace {

// The Windows-1251 byte of a code point, or 0 when it has none.
unsigned char CodePointToCp1251(char32_t cp) {
  if (cp < 0x80) return static_cast<unsigned char>(cp);
  if (cp >= 0x0410 && cp <= 0x044F) return static_cast<unsigned char>(0xC0 + (cp - 0x0410));
  for (std::size_t i = 0; i < kCp1251UpperHalf.size(); ++i) {
    if (kCp1251UpperHalf[i] == cp) return static_cast<unsigned char>(0x80 + i);
  }
  return 0;
}

// Walks a UTF-8 text: `character(cp, bytes)` for each valid sequence,
// `invalid()` for each byte that begins none.
template <typename TCharacter, typename TInvalid>
void WalkUtf8(std::string_view text, TCharacter character, TInvalid invalid) {
  for (std::size_t at = 0; at < text.size();) {
    char32_t cp = 0;
    const std::size_t length = DecodeUtf8(text, at, cp);
    if (length == 0) {
      invalid();
      ++at;
      continue;
    }
    character(cp, text.substr(at, length));
    at += length;
  }
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string Utf8ToCp1251(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  WalkUtf8(
      utf8,
      [&](char32_t cp, std::string_view) {
        const unsigned char byte = CodePointToCp1251(cp);
        out += (byte == 0 && cp != 0) ? '?' : static_cast<char>(byte);
      },
      [&] { out += '?'; });
  return out;
}

std::string Cp1251ToUtf8(std::string_view cp1251) {
  std::string out;
  out.reserve(cp1251.size() * 2);
  for (char c : cp1251) AppendUtf8(out, *Cp1251Character(static_cast<unsigned char>(c)));
  return out;
}

std::string SanitizeUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  WalkUtf8(
      text, [&](char32_t, std::string_view bytes) { out.append(bytes); }, [&] { out += '?'; });
  return out;
}

bool IsValidUtf8(std::string_view bytes) {
  char32_t cp = 0;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t length = DecodeUtf8(bytes, at, cp);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

std::size_t Utf8Length(std::string_view utf8) {
  std::size_t count = 0;
  WalkUtf8(
      utf8, [&](char32_t, std::string_view) { ++count; }, [&] { ++count; });
  return count;
}

std::string Utf8Prefix(std::string_view utf8, std::size_t max_chars) {
  std::size_t at = 0;
  for (std::size_t count = 0; count < max_chars && at < utf8.size(); ++count) {
    char32_t cp = 0;
    const std::size_t length = DecodeUtf8(utf8, at, cp);
    at += length == 0 ? 1 : length;
  }
  return std::string(utf8.substr(0, at));
}

std::string FoldCase(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t at = 0; at < utf8.size();) {
    char32_t cp = 0;
    const std::size_t length = DecodeUtf8(utf8, at, cp);
    if (length == 0) {
      out += utf8[at++];
      continue;
    }
    if (cp >= U'A' && cp <= U'Z') {
      cp += 0x20;
    } else if (cp >= 0x0410 && cp <= 0x042F) {
      cp += 0x20;
    } else if (cp >= 0x0400 && cp <= 0x040F) {
      cp += 0x50;
    }
    if (cp == 0x0451) cp = 0x0435;  // ё is written е as often as not
    AppendUtf8(out, cp);
    at += length;
  }
  return out;
}

}  // namespace sky
