// The rank scale: the rank a life's streak reaches, and the ranks' names.
#pragma once

#include <cstdint>
#include <string>

#include "engine/sortie.h"
#include "settings/settings.h"

namespace sky {

int32_t ReachedRank(const TStreak& streak, const TSettings& settings);
// "Сержант" when the scale has no row with the value.
std::string RankName(int32_t value, const TSettings& settings);

}  // namespace sky
