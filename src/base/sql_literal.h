// Text as a quoted SQL string literal, for statements sent as text.
#pragma once

#include <string>
#include <string_view>

namespace sky {

// How the server reads a backslash inside quotes: as an escape (its default
// sql_mode) or as an ordinary character (NO_BACKSLASH_ESCAPES).
enum class TBackslashes { kEscape, kLiteral };

// Appends `text` in single quotes so that the server stores it byte for byte.
// With escapes, every byte the server would otherwise take differently (quotes,
// the backslash, NUL, line ends, tab, Ctrl-Z) is escaped; without them only
// the single quote is doubled, the one escape such a server knows.
void AppendSqlText(std::string& out, std::string_view text, TBackslashes backslashes);

}  // namespace sky
