#include "http/file_cache.h"

#include <ctime>
#include <utility>

namespace sky {

namespace {

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size && SameTime(a.st_mtim, b.st_mtim) &&
         SameTime(a.st_ctim, b.st_ctim);
}

}  // namespace

void TFileCache::Forget(TFiles::iterator file) {
  bytes_ -= file->bytes->size();
  by_path_.erase(file->path);
  files_.erase(file);
}

bool FileMayBeKept(const struct stat& status) {
  if (!S_ISREG(status.st_mode) || static_cast<std::size_t>(status.st_size) > kFileCacheEntryBytes) return false;
  // A write to a file last modified long ago moves its modification time;
  // one to a file modified within the same tick of the clock may not.
  return status.st_mtim.tv_sec < std::time(nullptr) - kFileSettleTime.count();
}

std::shared_ptr<const std::string> TFileCache::Kept(const std::string& path, const struct stat& status) {
  TMutexLock hold(lock_);
  const auto found = by_path_.find(path);
  if (found == by_path_.end()) return nullptr;
  if (!SameFile(found->second->status, status)) {
    Forget(found->second);
    return nullptr;
  }
  files_.splice(files_.begin(), files_, found->second);
  return files_.front().bytes;
}

void TFileCache::Keep(const std::string& path, const struct stat& before, const struct stat& after,
                      std::shared_ptr<const std::string> bytes) {
  if (!SameFile(before, after) || !FileMayBeKept(after) || bytes->size() != static_cast<std::size_t>(after.st_size)) {
    return;
  }
  TMutexLock hold(lock_);
  if (const auto found = by_path_.find(path); found != by_path_.end()) Forget(found->second);
  bytes_ += bytes->size();
  files_.push_front(TKeptFile{path, after, std::move(bytes)});
  by_path_.emplace(path, files_.begin());
  while (bytes_ > kFileCacheBytes) Forget(std::prev(files_.end()));
}

}  // namespace sky
