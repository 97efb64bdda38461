// Perl-compatible regular expressions for the request recognisers.
//
// A TRegex is compiled once and may be searched from any number of threads at
// once (each search has its own match data). Patterns carry their options
// inline ((?i), (?m)); subjects are byte strings, and \w, \d, \s match ASCII
// characters only.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sky {

// The groups of one successful search; group 0 is the whole match.
class TRegexMatch {
 public:
  static constexpr std::size_t npos = std::string_view::npos;

  TRegexMatch(std::string_view subject, std::vector<std::size_t> offsets);

  std::size_t GroupCount() const { return offsets_.size() / 2; }
  bool Matched(std::size_t group) const;
  // The group's text; empty when the group did not take part in the match.
  std::string Group(std::size_t group) const;
  // Byte offsets in the subject; npos when the group did not take part.
  std::size_t Start(std::size_t group) const;
  std::size_t End(std::size_t group) const;

 private:
  std::string_view subject_;
  std::vector<std::size_t> offsets_;  // start, end per group
};

class TRegex {
 public:
  // Raises std::invalid_argument when the pattern does not compile.
  explicit TRegex(std::string_view pattern);
  ~TRegex();
  TRegex(TRegex&&) noexcept;
  TRegex& operator=(TRegex&&) noexcept;

  // The first match that starts at or after byte `start`. The subject must
  // outlive the match.
  std::optional<TRegexMatch> Search(std::string_view subject, std::size_t start = 0) const;
  bool Contains(std::string_view subject) const { return Search(subject).has_value(); }

  // `text` with every character that is not a letter, digit or underscore
  // escaped, for building a pattern around a literal.
  static std::string Quote(std::string_view text);

 private:
  struct TCode;
  std::unique_ptr<TCode> code_;
};

}  // namespace sky
