#include "base/progress_bar.h"

#include <unistd.h>

#include <algorithm>

#include <fmt/format.h>

namespace sky {

namespace {

constexpr int kBarCells = 24;

}  // namespace

std::optional<double> SecondsLeft(int64_t done, int64_t total, double elapsed_seconds) {
  if (done <= 0 || total <= 0) return std::nullopt;
  return elapsed_seconds * static_cast<double>(std::max<int64_t>(0, total - done)) / static_cast<double>(done);
}

std::string FormatDuration(double seconds) {
  const int64_t whole = static_cast<int64_t>(std::max(0.0, seconds) + 0.5);
  if (whole >= 3600) return fmt::format("{}:{:02}:{:02}", whole / 3600, whole / 60 % 60, whole % 60);
  return fmt::format("{}:{:02}", whole / 60, whole % 60);
}

std::string ProgressLine(std::string_view label, std::string_view unit, int64_t done, int64_t total,
                         double elapsed_seconds) {
  const int64_t shown = std::clamp<int64_t>(done, 0, std::max<int64_t>(total, 0));
  const int cells = total > 0 ? static_cast<int>(shown * kBarCells / total) : 0;
  std::string line = fmt::format("{} [{}{}] {:>6}/{} {}  {}", label, std::string(cells, '#'),
                                 std::string(kBarCells - cells, '-'), done, total, unit,
                                 FormatDuration(elapsed_seconds));
  const std::optional<double> left = SecondsLeft(done, total, elapsed_seconds);
  if (left && done < total) {
    line += ", about " + FormatDuration(*left) + " left";
  }
  return line;
}

TProgressBar::TProgressBar(int fd, std::string label, std::string unit)
    : fd_(fd),
      drawing_(::isatty(fd) == 1),
      label_(std::move(label)),
      unit_(std::move(unit)),
      start_(std::chrono::steady_clock::now()) {}

TProgressBar::~TProgressBar() {
  if (!finished_) Finish(done_, total_);
}

void TProgressBar::Show(int64_t done, int64_t total) {
  done_ = done;
  total_ = total;
  if (!drawing_) return;
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ && now - *drawn_ < std::chrono::milliseconds(1000 / kRedrawsPerSecond)) return;
  drawn_ = now;
  Draw(done, total);
}

void TProgressBar::Finish(int64_t done, int64_t total) {
  if (finished_) return;
  finished_ = true;
  done_ = done;
  total_ = total;
  if (!drawing_) return;
  Draw(done, total);
  (void)!::write(fd_, "\n", 1);
}

void TProgressBar::Draw(int64_t done, int64_t total) {
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  // Back to the line's start, the bar, and the rest of a longer earlier line cleared.
  const std::string text = "\r" + ProgressLine(label_, unit_, done, total, elapsed) + "\x1b[K";
  (void)!::write(fd_, text.data(), text.size());
}

}  // namespace sky
