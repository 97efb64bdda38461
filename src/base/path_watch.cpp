#include "base/path_watch.h"

#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace sky {

namespace {

constexpr uint32_t kEntryEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
constexpr uint32_t kFolderEvents = IN_MOVE_SELF | IN_DELETE_SELF | IN_UNMOUNT | IN_IGNORED;

// File systems whose folders may be changed by other machines, which no
// local event reports.
bool SharedOverNetwork(const std::string& folder) {
  struct statfs info {};
  if (::statfs(folder.c_str(), &info) != 0) return true;
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0x6969:      // NFS
    case 0x517B:      // SMB
    case 0xFF534D42:  // CIFS
    case 0xFE534D42:  // SMB2
    case 0x65735546:  // FUSE
    case 0x00C36400:  // Ceph
    case 0x5346414F:  // AFS
    case 0x01021997:  // 9P
    case 0x73757245:  // Coda
    case 0x01161970:  // GFS2
    case 0x7461636F:  // OCFS2
      return true;
    default:
      return false;
  }
}

}  // namespace

TPathWatch::~TPathWatch() {
  if (fd_ >= 0) ::close(fd_);
}

bool TPathWatch::Arm(const std::string& path) {
  Disarm();
  const std::size_t slash = path.rfind('/');
  if (path.empty() || path[0] != '/' || slash + 1 == path.size()) return false;
  const std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
  if (SharedOverNetwork(folder)) return false;
  if (fd_ < 0) fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) return false;
  for (std::size_t at = 0; at != std::string::npos;) {
    const std::size_t next = path.find('/', at + 1);
    const std::string here = at == 0 ? std::string("/") : path.substr(0, at);
    std::string name = path.substr(at + 1, next == std::string::npos ? next : next - at - 1);
    const bool last = next == std::string::npos;
    if (name.empty() || name == "." || name == "..") {  // not a normal path: no telling what it names
      Disarm();
      return false;
    }
    // Only the file's folder is watched for its entries: folders further up
    // (/, /tmp, /home) may see many changes of other names, each an event
    // queued until the next line reads it.
    const uint32_t mask = IN_MOVE_SELF | IN_DELETE_SELF | IN_ONLYDIR | (last ? kEntryEvents : 0);
    const int wd = ::inotify_add_watch(fd_, here.c_str(), mask);
    at = next;
    if (wd >= 0) {
      watched_.push_back(wd);
      if (last) name_ = std::move(name);
    } else if (last) {  // the file's own folder: without it no change of the file is seen
      Disarm();
      return false;
    }
    // A folder further up that cannot be watched (not readable) is left to
    // the user's lookups now and then.
  }
  return true;
}

void TPathWatch::Disarm() {
  // Events of old watches still queued are told apart by their numbers,
  // which the kernel does not give out again soon.
  for (const int wd : watched_) ::inotify_rm_watch(fd_, wd);
  watched_.clear();
}

TPathWatch::TChange TPathWatch::Poll() {
  if (watched_.empty()) return TChange::kFolder;
  alignas(inotify_event) char buffer[4096];
  TChange change = TChange::kNone;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    if (n <= 0) {  // the instance failed: nothing it says can be trusted now
      change = TChange::kFolder;
      break;
    }
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
      inotify_event event;
      std::memcpy(&event, buffer + at, sizeof event);
      const std::string_view name(buffer + at + sizeof event, ::strnlen(buffer + at + sizeof event, event.len));
      at += static_cast<ssize_t>(sizeof event + event.len);
      if ((event.mask & IN_Q_OVERFLOW) != 0) {  // events lost, maybe a folder's move among them
        change = TChange::kFolder;
        continue;
      }
      if (std::find(watched_.begin(), watched_.end(), event.wd) == watched_.end()) continue;
      if ((event.mask & kFolderEvents) != 0) {
        change = TChange::kFolder;
      } else if (event.wd == watched_.back() && (event.mask & kEntryEvents) != 0 && name == name_) {
        change = std::max(change, TChange::kEntry);
      }
    }
  }
  if (change == TChange::kFolder) Disarm();
  return change;
}

}  // namespace sky
