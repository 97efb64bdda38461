#include "base/metric_family.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>

#include <fmt/format.h>

namespace sky {

namespace {

// Backslash and line feed escaped, and double quotes too in label values
// (help texts keep theirs).
std::string Escaped(const std::string& text, bool quotes) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '\n') {
      escaped += "\\n";
    } else if (c == '"' && quotes) {
      escaped += "\\\"";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

}  // namespace

TMetricFamily::TMetricFamily(std::string name, std::string help, TMetricType type,
                             std::vector<std::string> label_names)
    : name_(std::move(name)), help_(std::move(help)), type_(type), label_names_(std::move(label_names)) {}

TMetricValue& TMetricFamily::With(const std::vector<std::string>& label_values) {
  if (label_values.size() != label_names_.size()) {
    throw std::invalid_argument(name_ + ": " + std::to_string(label_names_.size()) + " label values expected");
  }
  std::string labels;
  for (std::size_t i = 0; i < label_names_.size(); ++i) {
    labels += (i == 0 ? "{" : ",") + label_names_[i] + "=\"" + Escaped(label_values[i], true) + "\"";
  }
  if (!labels.empty()) labels += "}";
  TMutexLock hold(lock_);
  std::unique_ptr<TMetricValue>& series = series_[labels];
  if (!series) series = std::make_unique<TMetricValue>();
  return *series;
}

void TMetricFamily::Render(std::string& out) const {
  out += "# HELP " + name_ + " " + Escaped(help_, false) + "\n";
  out += "# TYPE " + name_ + (type_ == TMetricType::kCounter ? " counter\n" : " gauge\n");
  TMutexLock hold(lock_);
  for (const auto& [labels, value] : series_) {
    out += name_ + labels + " " + MetricNumberText(value->Value()) + "\n";
  }
}

std::string MetricNumberText(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
  // Below 2^53 every whole number is exact.
  if (value == std::trunc(value) && std::fabs(value) < 9007199254740992.0) {
    return std::to_string(static_cast<int64_t>(value));
  }
  return fmt::format("{}", value);
}

}  // namespace sky
