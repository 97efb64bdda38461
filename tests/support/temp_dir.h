// A temporary folder removed with everything in it when the object dies,
// and small file helpers for tests.
#pragma once

#include <string>

namespace sky::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string ReadFileBytes(const std::string& path);
// Readable and writable by the owner only, as the program's own files.
void WriteFileBytes(const std::string& path, const std::string& bytes);

}  // namespace sky::test
