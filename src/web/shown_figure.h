// Figures that are sums of fractions of kills (a car counts 0.2, a bomber
// 1.5, ...) as people write them. In binary such a sum is seldom the decimal
// it stands for (0.1 + 0.2 + 0.3 is 0.6000000000000001), so the pages show it
// rounded to two decimals with the trailing zeros dropped: "0.6", "57.15",
// "124.9", "3". The XML, the HTML made from it and the JSON (as a number,
// through WriteJsonNumber) all carry this one text.
#pragma once

#include <string>

namespace sky {

std::string ShownFigure(double value);
// The older pages' form, two decimals padded on the left to five
// characters ("%5.2f": " 1.50", "57.15"): the status page's ratio and the
// pilot statistics ("?cmd=info") have always shown it.
std::string PaddedFigure(double value);

}  // namespace sky
