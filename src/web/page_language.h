// The language of a page made for people: Russian or English.
//
// The parameter lang=ru|en (any letter case) chooses; without it (or with
// another value) the request's Accept-Language header does: of the ranges
// naming ru or en (with or without a region, "ru-RU"), the one it weighs
// highest, the first listed on a tie; a weight of 0 refuses. Neither: Russian.
#pragma once

#include <string_view>

#include "http/http_request.h"

namespace sky {

enum class TPageLanguage { kRu, kEn };

TPageLanguage ChoosePageLanguage(const THttpRequest& request);
// The language an Accept-Language value prefers, Russian when it names neither.
TPageLanguage AcceptedLanguage(std::string_view accept_language);
// "ru", "en".
std::string_view PageLanguageCode(TPageLanguage language);

}  // namespace sky
