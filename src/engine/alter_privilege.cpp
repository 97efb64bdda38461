#include "engine/alter_privilege.h"

#include <optional>

#include "base/text.h"

namespace sky {

namespace {

// A database name against a grant's pattern.
bool MatchesPattern(std::string_view name, std::string_view pattern) {
  if (pattern.empty()) return name.empty();
  if (pattern.front() == '%') {
    for (std::size_t skip = 0; skip <= name.size(); ++skip) {
      if (MatchesPattern(name.substr(skip), pattern.substr(1))) return true;
    }
    return false;
  }
  if (name.empty()) return false;
  if (pattern.front() == '_') return MatchesPattern(name.substr(1), pattern.substr(1));
  if (pattern.front() == '\\' && pattern.size() > 1) pattern.remove_prefix(1);
  return name.front() == pattern.front() && MatchesPattern(name.substr(1), pattern.substr(1));
}

// One name of an object ("`a``b`" or "stats" or "*"), taken off the front of `text`.
std::optional<std::string> TakeName(std::string_view& text) {
  std::string name;
  if (!text.empty() && text.front() == '`') {
    std::size_t at = 1;
    for (; at < text.size(); ++at) {
      if (text[at] != '`') {
        name += text[at];
      } else if (at + 1 < text.size() && text[at + 1] == '`') {
        name += '`';
        ++at;
      } else {
        break;
      }
    }
    if (at >= text.size()) return std::nullopt;
    text.remove_prefix(at + 1);
    return name;
  }
  const std::size_t end = text.find_first_of(". ");
  name = std::string(text.substr(0, end));
  text.remove_prefix(end == std::string_view::npos ? text.size() : end);
  return name.empty() ? std::nullopt : std::optional(name);
}

// True when the comma-separated privileges include ALTER or all of them;
// column lists in parentheses are passed over.
bool ListsAlter(std::string_view privileges) {
  std::string current;
  int depth = 0;
  const auto counts = [&current] {
    const std::string name = AsciiLower(TrimText(current));
    return name == "alter" || name == "all privileges" || name == "all";
  };
  for (char c : privileges) {
    if (c == '(') ++depth;
    if (depth == 0 && c == ',') {
      if (counts()) return true;
      current.clear();
    } else if (depth == 0) {
      current += c;
    }
    if (c == ')' && depth > 0) --depth;
  }
  return counts();
}

bool LineGrantsAlterOn(std::string_view line, std::string_view database, std::string_view table) {
  constexpr std::string_view kGrant = "GRANT ", kOn = " ON ";
  if (line.substr(0, kGrant.size()) != kGrant) return false;
  const std::size_t on = line.find(kOn);
  if (on == std::string_view::npos || !ListsAlter(line.substr(kGrant.size(), on - kGrant.size()))) return false;
  std::string_view object = line.substr(on + kOn.size());
  const std::optional<std::string> scope = TakeName(object);
  if (!scope || object.empty() || object.front() != '.') return false;
  object.remove_prefix(1);
  const std::optional<std::string> name = TakeName(object);
  if (!name || (!object.empty() && object.front() != ' ')) return false;
  if (*scope == "*") return *name == "*";
  if (*name == "*") return MatchesPattern(database, *scope);
  return *scope == database && *name == table;
}

}  // namespace

bool GrantsAlterOn(std::span<const std::string> grants, std::string_view database, std::string_view table) {
  for (const std::string& line : grants) {
    if (LineGrantsAlterOn(line, database, table)) return true;
  }
  return false;
}

}  // namespace sky
