// Metrics in the plain-text exposition format that monitoring systems
// scrape: named families of values, each value told apart by its labels.
//
// A family has one name, one help text, one type and a fixed list of label
// names; each distinct list of label values is one series, made at 0 when it
// is first asked for. Values are atomics: any thread may move a series it
// holds without a lock, and a series stays where it is for the life of its
// family, so callers may keep the reference. Only making a series and
// rendering take the family's lock.
//
// Render writes "# HELP name help", "# TYPE name counter|gauge", then one
// line "name{label="value",...} number" per series (the braces only with
// labels), series in the order of their label texts. Label values are
// escaped as the format asks (backslash, double quote, line feed); whole
// numbers are written without a fraction.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/mutex.h"

namespace sky {

enum class TMetricType { kCounter, kGauge };

class TMetricValue {
 public:
  void Add(double amount = 1) { value_.fetch_add(amount, std::memory_order_relaxed); }
  void Set(double value) { value_.store(value, std::memory_order_relaxed); }
  double Value() const { return value_.load(std::memory_order_relaxed); }

 private:
  std::atomic<double> value_{0};
};

class TMetricFamily {
 public:
  TMetricFamily(std::string name, std::string help, TMetricType type, std::vector<std::string> label_names = {});
  TMetricFamily(const TMetricFamily&) = delete;
  TMetricFamily& operator=(const TMetricFamily&) = delete;

  // The series with these label values, one for each label name in order;
  // raises std::invalid_argument when the count differs.
  TMetricValue& With(const std::vector<std::string>& label_values = {});
  // Appends the family's lines to `out`.
  void Render(std::string& out) const;

 private:
  std::string name_;
  std::string help_;
  TMetricType type_;
  std::vector<std::string> label_names_;
  mutable TMutex lock_;  // the map, not the values
  std::map<std::string, std::unique_ptr<TMetricValue>> series_ SKY_GUARDED_BY(lock_);  // by their "{...}" text
};

// The number as the format writes it: whole numbers without a fraction,
// "NaN", "+Inf", "-Inf", otherwise the shortest text that reads back exactly.
std::string MetricNumberText(double value);

}  // namespace sky
