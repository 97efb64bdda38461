// A progress bar drawn in place on a terminal, one line per piece of work:
//
//   SKYSTAT [##########--------------]   420/1000 pilots  0:12, about 0:17 left
//
// Drawn only when the descriptor is a terminal (isatty): on anything else
// (a file, a pipe, the journal) every call does nothing, so the program's
// output stays what it is without one. Show redraws at most
// kRedrawsPerSecond times a second; Finish draws the last figures and ends
// the line. A bar is used by one thread at a time.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sky {

// The time still to go at the pace so far: nullopt before the first item is
// done or without a total.
std::optional<double> SecondsLeft(int64_t done, int64_t total, double elapsed_seconds);
// "m:ss", or "h:mm:ss" from an hour on.
std::string FormatDuration(double seconds);
// The bar's text, without the carriage return that puts it in place.
std::string ProgressLine(std::string_view label, std::string_view unit, int64_t done, int64_t total,
                         double elapsed_seconds);

class TProgressBar {
 public:
  static constexpr int kRedrawsPerSecond = 5;

  // The clock starts now.
  TProgressBar(int fd, std::string label, std::string unit);
  // Finishes with the last figures shown, when Finish was not called.
  ~TProgressBar();
  TProgressBar(const TProgressBar&) = delete;
  TProgressBar& operator=(const TProgressBar&) = delete;

  bool Drawing() const { return drawing_; }
  void Show(int64_t done, int64_t total);
  void Finish(int64_t done, int64_t total);

 private:
  void Draw(int64_t done, int64_t total);

  int fd_;
  bool drawing_;
  bool finished_ = false;
  std::string label_;
  std::string unit_;
  std::chrono::steady_clock::time_point start_;
  std::optional<std::chrono::steady_clock::time_point> drawn_;
  int64_t done_ = 0;
  int64_t total_ = 0;
};

}  // namespace sky
