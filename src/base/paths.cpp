#include "base/paths.h"

#include <filesystem>
#include <system_error>

#include "base/mutex.h"

namespace sky {

namespace {

struct TLocation {
  std::string directory;
  std::string base_name;
};

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string Absolute(const std::string& path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) return path;
  return absolute.lexically_normal().string();
}

TLocation Locate(const std::string& executable, const std::string& home) {
  const std::filesystem::path program(Absolute(executable));
  TLocation location;
  location.directory = WithoutTrailingSlash(home.empty() ? program.parent_path().string() : Absolute(home));
  location.base_name = program.stem().string();
  if (location.base_name.empty()) location.base_name = "skyranks";
  return location;
}

// Set once at start; until then the running executable's own place.
struct TCurrentLocation {
  TMutex lock;
  TLocation location SKY_GUARDED_BY(lock) = Locate(RunningExecutablePath(), {});
};

TCurrentLocation& CurrentLocation() {
  static TCurrentLocation current;
  return current;
}

TLocation Snapshot() {
  TCurrentLocation& current = CurrentLocation();
  TMutexLock hold(current.lock);
  return current.location;
}

std::string InProgramDirectory(const std::string& extension) {
  const TLocation location = Snapshot();
  const std::string separator = location.directory == "/" ? "" : "/";
  return location.directory + separator + location.base_name + extension;
}

}  // namespace

void SetProgramLocation(const std::string& executable, const std::string& home) {
  TLocation location = Locate(executable, home);
  TCurrentLocation& current = CurrentLocation();
  TMutexLock hold(current.lock);
  current.location = std::move(location);
}

std::string ProgramDirectory() { return Snapshot().directory; }
std::string ProgramBaseName() { return Snapshot().base_name; }

std::string SettingsFileName() { return InProgramDirectory(".xml"); }
std::string LogFileName() { return InProgramDirectory(".log"); }
std::string DefaultPageFileName() { return InProgramDirectory(".htm"); }

std::string RunningExecutablePath() {
  std::error_code error;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string("skyranks") : path.string();
}

}  // namespace sky
