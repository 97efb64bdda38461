#include "web/file_cache.h"

#include <ctime>
#include <list>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace sky {

namespace {

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size && SameTime(a.st_mtim, b.st_mtim) &&
         SameTime(a.st_ctim, b.st_ctim);
}

struct TKeptFile {
  std::string path;
  struct stat status {};
  std::shared_ptr<const std::string> bytes;
};

std::mutex g_lock;                // guards the three below
std::list<TKeptFile> g_files;     // most recently used first
std::unordered_map<std::string, std::list<TKeptFile>::iterator> g_by_path;
std::size_t g_bytes = 0;

void Forget(std::list<TKeptFile>::iterator file) {
  g_bytes -= file->bytes->size();
  g_by_path.erase(file->path);
  g_files.erase(file);
}

}  // namespace

bool FileMayBeKept(const struct stat& status) {
  if (!S_ISREG(status.st_mode) || static_cast<std::size_t>(status.st_size) > kFileCacheEntryBytes) return false;
  // A write to a file last modified long ago moves its modification time;
  // one to a file modified within the same tick of the clock may not.
  return status.st_mtim.tv_sec < std::time(nullptr) - kFileSettleTime.count();
}

std::shared_ptr<const std::string> KeptFileBytes(const std::string& path, const struct stat& status) {
  std::lock_guard<std::mutex> hold(g_lock);
  const auto found = g_by_path.find(path);
  if (found == g_by_path.end()) return nullptr;
  if (!SameFile(found->second->status, status)) {
    Forget(found->second);
    return nullptr;
  }
  g_files.splice(g_files.begin(), g_files, found->second);
  return g_files.front().bytes;
}

void KeepFileBytes(const std::string& path, const struct stat& before, const struct stat& after,
                   std::shared_ptr<const std::string> bytes) {
  if (!SameFile(before, after) || !FileMayBeKept(after) || bytes->size() != static_cast<std::size_t>(after.st_size)) {
    return;
  }
  std::lock_guard<std::mutex> hold(g_lock);
  if (const auto found = g_by_path.find(path); found != g_by_path.end()) Forget(found->second);
  g_bytes += bytes->size();
  g_files.push_front(TKeptFile{path, after, std::move(bytes)});
  g_by_path.emplace(path, g_files.begin());
  while (g_bytes > kFileCacheBytes) Forget(std::prev(g_files.end()));
}

}  // namespace sky
