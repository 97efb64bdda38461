// The bytes of the static files served lately, kept so that a stylesheet
// asked for by every visitor is not read from the disk for each of them.
//
// A file is found by its path and is the same file while its device, inode,
// size and modification and change times are; any change and it is read
// anew. A file modified within the last kFileSettleTime is not kept: the
// times of the file system are coarse, and a file still being written could
// change again without changing them. Files larger than kFileCacheEntryBytes
// are never kept; the others up to kFileCacheBytes in all, the least recently
// used given up first. Safe to use from any number of threads. The server
// owns one (http/http_caches.h).
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <list>
#include <string>
#include <unordered_map>

#include "base/mutex.h"

namespace sky {

inline constexpr std::size_t kFileCacheBytes = 8u << 20;
inline constexpr std::size_t kFileCacheEntryBytes = 256u << 10;
inline constexpr std::chrono::seconds kFileSettleTime{2};

// Whether a file of this status would be kept.
bool FileMayBeKept(const struct stat& status);

class TFileCache {
 public:
  // The kept bytes of the file at `path` whose status is `status`, if kept.
  std::shared_ptr<const std::string> Kept(const std::string& path, const struct stat& status) SKY_EXCLUDES(lock_);
  // Keeps the bytes read from the file at `path`, whose status was `before`
  // reading and `after`; not kept when the file changed meanwhile or is too
  // large or too new.
  void Keep(const std::string& path, const struct stat& before, const struct stat& after,
            std::shared_ptr<const std::string> bytes) SKY_EXCLUDES(lock_);

 private:
  struct TKeptFile {
    std::string path;
    struct stat status {};
    std::shared_ptr<const std::string> bytes;
  };
  using TFiles = std::list<TKeptFile>;

  void Forget(TFiles::iterator file) SKY_REQUIRES(lock_);

  TMutex lock_;
  TFiles files_ SKY_GUARDED_BY(lock_);  // most recently used first
  std::unordered_map<std::string, TFiles::iterator> by_path_ SKY_GUARDED_BY(lock_);
  std::size_t bytes_ SKY_GUARDED_BY(lock_) = 0;
};

}  // namespace sky
