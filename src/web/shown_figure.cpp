#include "web/shown_figure.h"

#include <fmt/format.h>

namespace sky {

std::string ShownFigure(double value) {
  std::string text = fmt::format("{:.2f}", value);
  if (text.find('.') == std::string::npos) return text;  // inf, nan
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  if (text == "-0") text = "0";  // a tiny negative sum rounds to nothing, not to "minus nothing"
  return text;
}

std::string PaddedFigure(double value) { return fmt::format("{:5.2f}", value); }

}  // namespace sky
