#include "web/page_language.h"

#include <algorithm>
#include <optional>
#include <string>

#include "base/text.h"
#include "http/request_parsing.h"

namespace sky {

namespace {

std::optional<TPageLanguage> LanguageOfCode(std::string_view code) {
  if (code == "ru") return TPageLanguage::kRu;
  if (code == "en") return TPageLanguage::kEn;
  return std::nullopt;
}

}  // namespace

TPageLanguage AcceptedLanguage(std::string_view accept_language) {
  TPageLanguage best = TPageLanguage::kRu;
  double best_weight = 0.0;
  while (!accept_language.empty()) {
    const std::size_t end = std::min(accept_language.find(','), accept_language.size());
    const std::string_view range = accept_language.substr(0, end);
    const std::string tag = AsciiLower(TrimText(range.substr(0, range.find(';'))));
    const std::optional<TPageLanguage> language = LanguageOfCode(tag.substr(0, tag.find('-')));
    const double weight = QualityWeight(range);
    if (language && weight > best_weight) {
      best = *language;
      best_weight = weight;
    }
    accept_language.remove_prefix(std::min(end + 1, accept_language.size()));
  }
  return best;
}

TPageLanguage ChoosePageLanguage(const THttpRequest& request) {
  if (const std::optional<std::string> lang = request.LowerQuery("lang")) {
    if (const std::optional<TPageLanguage> language = LanguageOfCode(*lang)) return *language;
  }
  const std::optional<std::string_view> accept = request.Header("accept-language");
  return accept ? AcceptedLanguage(*accept) : TPageLanguage::kRu;
}

std::string_view PageLanguageCode(TPageLanguage language) { return language == TPageLanguage::kEn ? "en" : "ru"; }

}  // namespace sky
