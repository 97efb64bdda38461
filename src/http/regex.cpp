#include "http/regex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <stdexcept>

namespace sky {

struct TRegex::TCode {
  pcre2_code* compiled = nullptr;
  ~TCode() { pcre2_code_free(compiled); }
};

namespace {

struct TMatchDataFreer {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};

}  // namespace

TRegexMatch::TRegexMatch(std::string_view subject, std::vector<std::size_t> offsets)
    : subject_(subject), offsets_(std::move(offsets)) {}

bool TRegexMatch::Matched(std::size_t group) const {
  return group < GroupCount() && offsets_[2 * group] != npos;
}

std::string TRegexMatch::Group(std::size_t group) const {
  if (!Matched(group)) return {};
  return std::string(subject_.substr(offsets_[2 * group], offsets_[2 * group + 1] - offsets_[2 * group]));
}

std::size_t TRegexMatch::Start(std::size_t group) const { return Matched(group) ? offsets_[2 * group] : npos; }

std::size_t TRegexMatch::End(std::size_t group) const { return Matched(group) ? offsets_[2 * group + 1] : npos; }

TRegex::TRegex(std::string_view pattern) : code_(std::make_unique<TCode>()) {
  int error = 0;
  PCRE2_SIZE error_offset = 0;
  code_->compiled = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), 0, &error,
                                  &error_offset, nullptr);
  if (code_->compiled == nullptr) {
    PCRE2_UCHAR message[256];
    pcre2_get_error_message(error, message, sizeof message);
    throw std::invalid_argument("regular expression \"" + std::string(pattern) + "\" at " +
                                std::to_string(error_offset) + ": " + reinterpret_cast<const char*>(message));
  }
}

TRegex::~TRegex() = default;
TRegex::TRegex(TRegex&&) noexcept = default;
TRegex& TRegex::operator=(TRegex&&) noexcept = default;

std::optional<TRegexMatch> TRegex::Search(std::string_view subject, std::size_t start) const {
  if (start > subject.size()) return std::nullopt;
  std::unique_ptr<pcre2_match_data, TMatchDataFreer> data(
      pcre2_match_data_create_from_pattern(code_->compiled, nullptr));
  if (!data) throw std::bad_alloc();
  const int rc = pcre2_match(code_->compiled, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), start,
                             0, data.get(), nullptr);
  if (rc == PCRE2_ERROR_NOMATCH) return std::nullopt;
  if (rc < 0) {
    PCRE2_UCHAR message[256];
    pcre2_get_error_message(rc, message, sizeof message);
    throw std::runtime_error(std::string("regular expression search failed: ") +
                             reinterpret_cast<const char*>(message));
  }
  const uint32_t pairs = pcre2_get_ovector_count(data.get());
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
  std::vector<std::size_t> offsets;
  offsets.reserve(2 * pairs);
  for (uint32_t i = 0; i < 2 * pairs; ++i) {
    // Groups beyond rc did not take part; PCRE2 marks them PCRE2_UNSET.
    offsets.push_back(i < 2 * static_cast<uint32_t>(rc) && ovector[i] != PCRE2_UNSET ? ovector[i]
                                                                                       : TRegexMatch::npos);
  }
  return TRegexMatch(subject, std::move(offsets));
}

std::string TRegex::Quote(std::string_view text) {
  std::string quoted;
  for (char c : text) {
    const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!word) quoted += '\\';
    quoted += c;
  }
  return quoted;
}

}  // namespace sky
