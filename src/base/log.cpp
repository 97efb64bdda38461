#include "base/log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "base/datetime.h"
#include "base/encoding.h"
#include "base/mutex.h"
#include "base/path_watch.h"
#include "base/paths.h"

namespace sky {

namespace {

std::atomic<int32_t> g_threshold{0};

thread_local bool t_silent = false;

// Taken for each line. Constant-initialized, so a line may be written from
// any other object's initialization.
constinit TMutex g_log_lock;

// True while the last attempt to write failed, so that a log that cannot be
// written is reported once, not once per line.
bool g_failure_reported SKY_GUARDED_BY(g_log_lock) = false;

// The log file kept open between lines. Before each line
// it makes sure that the path still names the open file: when the file was
// deleted, renamed away or replaced (as log rotation does), or the settings
// name another file, the path is opened anew, and so created when missing.
// A watch on the folders of the path tells of such changes without a lookup
// of the path per line; without one the path is looked up before every line.
class TOpenLog {
 public:
  TOpenLog() = default;
  ~TOpenLog() { Close(); }
  TOpenLog(const TOpenLog&) = delete;
  TOpenLog& operator=(const TOpenLog&) = delete;

  // Writes the whole line with write(2), no bytes left in a buffer of ours;
  // false with errno set on failure.
  bool Append(const std::string& file_name, const std::string& line) {
    if (!Current(file_name) && !Open(file_name)) return false;
    std::size_t written = 0;
    while (written < line.size()) {
      const ssize_t n = ::write(fd_, line.data() + written, line.size() - written);
      if (n < 0) {
        if (errno == EINTR) continue;
        // The next line tries a fresh descriptor.
        const int saved = errno;
        Close();
        errno = saved;
        return false;
      }
      written += static_cast<std::size_t>(n);
    }
    return true;
  }

 private:
  // What no watched folder shows (where a link on the path points, a mount)
  // is found by looking the path up this often.
  static constexpr std::chrono::seconds kLookupEvery{1};

  bool Current(const std::string& file_name) {
    if (fd_ < 0 || file_name != name_) return false;
    if (!watch_.Armed()) return Names(file_name);
    switch (watch_.Poll()) {
      case TPathWatch::TChange::kFolder:
        return false;
      case TPathWatch::TChange::kEntry:
        return Names(file_name);
      case TPathWatch::TChange::kNone:
        break;
    }
    return std::chrono::steady_clock::now() - looked_up_ < kLookupEvery || Names(file_name);
  }

  bool Names(const std::string& file_name) {
    looked_up_ = std::chrono::steady_clock::now();
    struct stat named {};
    return ::stat(file_name.c_str(), &named) == 0 && named.st_dev == dev_ && named.st_ino == ino_;
  }

  bool Open(const std::string& file_name) {
    Close();
    // Watched before the open, so that a change of the entry after it is an
    // event; without a watch every line looks the path up.
    watch_.Arm(file_name);
    const int fd = ::open(file_name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0640);
    if (fd < 0) return false;
    struct stat opened {};
    if (::fstat(fd, &opened) != 0) {
      const int saved = errno;
      ::close(fd);
      errno = saved;
      return false;
    }
    fd_ = fd;
    dev_ = opened.st_dev;
    ino_ = opened.st_ino;
    name_ = file_name;
    looked_up_ = std::chrono::steady_clock::now();
    return true;
  }

  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

  int fd_ = -1;
  dev_t dev_ = 0;
  ino_t ino_ = 0;
  std::string name_;  // the path fd_ was opened from
  TPathWatch watch_;
  std::chrono::steady_clock::time_point looked_up_;
};

TOpenLog g_open_log SKY_GUARDED_BY(g_log_lock);

}  // namespace

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
    TMutexLock hold(g_log_lock);
    // The time stamp is taken under the lock so that lines stay in time order.
    line.insert(0, FormatDateTime(Now()) + '\t');
    if (g_open_log.Append(file_name, line)) {
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
