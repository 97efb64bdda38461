#include "settings/log.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "settings/datetime.h"
#include "settings/paths.h"
#include "xml/encoding.h"

namespace sky {

namespace {

std::atomic<int32_t> g_threshold{0};

thread_local bool t_silent = false;

// Guarded by LogLock: true while the last attempt to write failed, so that a
// log that cannot be written is reported once, not once per line.
bool g_failure_reported = false;

// Writes the whole line to a freshly opened file; false with errno set on failure.
bool AppendToFile(const std::string& file_name, const std::string& line) {
  const int fd = ::open(file_name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0640);
  if (fd < 0) return false;
  std::size_t written = 0;
  while (written < line.size()) {
    const ssize_t n = ::write(fd, line.data() + written, line.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int saved = errno;
      ::close(fd);
      errno = saved;
      return false;
    }
    written += static_cast<std::size_t>(n);
  }
  return ::close(fd) == 0;
}

}  // namespace

std::mutex& LogLock() {
  static std::mutex lock;
  return lock;
}

int32_t LogThreshold() { return g_threshold.load(std::memory_order_relaxed); }
void SetLogThreshold(int32_t level) { g_threshold.store(level, std::memory_order_relaxed); }

TLogSilence::TLogSilence() : was_silent_(std::exchange(t_silent, true)) {}
TLogSilence::~TLogSilence() { t_silent = was_silent_; }

void WriteLog(int32_t level, std::string_view message, std::string_view detail) noexcept {
  if (level <= LogThreshold() && !t_silent) AppendLogLine(message, detail);
}

void AppendLogLine(std::string_view message, std::string_view detail) noexcept {
  try {
    std::string line = Utf8ToCp1251(message);
    line += '\t';
    line += Utf8ToCp1251(detail);
    line += "\r\n";
    const std::string file_name = LogFileName();
    std::lock_guard<std::mutex> hold(LogLock());
    // The time stamp is taken under the lock so that lines stay in time order.
    line.insert(0, FormatDateTime(Now()) + '\t');
    if (AppendToFile(file_name, line)) {
      g_failure_reported = false;
    } else if (!g_failure_reported) {
      g_failure_reported = true;
      std::fprintf(stderr, "skyranks: cannot write the log file %s: %s\n", file_name.c_str(), std::strerror(errno));
    }
  } catch (...) {
    // Logging must never break the operation that logs (only memory can fail here).
  }
}

}  // namespace sky
