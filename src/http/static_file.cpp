#include "http/static_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <memory>

#include "http/file_descriptor.h"
#include "http/http_response.h"

namespace sky {

namespace {

using THeadOf = std::function<THttpResponse(std::size_t size)>;

// The whole file from the current offset to its end; false on a read error.
bool ReadToEnd(int fd, std::string& bytes) {
  char piece[16 * 1024];
  for (;;) {
    const ssize_t n = ::read(fd, piece, sizeof piece);
    if (n == 0) return true;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    bytes.append(piece, static_cast<std::size_t>(n));
  }
}

void SendBytes(TConnection& connection, const THeadOf& head, const std::string& bytes) {
  connection.Write(head(bytes.size()).Head() + bytes);
}

// The file at `path` after the head `head(size)` makes: a small unchanging
// file from memory, head and bytes in one write (one packet); a large file,
// or one that changes (the log), by the kernel, its length the one the file
// has now, and no more bytes than that following even while it grows.
void SendFileAnswer(TConnection& connection, TFileCache& cache, const std::string& path, const THeadOf& head) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return;
  if (const std::shared_ptr<const std::string> kept = cache.Kept(path, status)) {
    SendBytes(connection, head, *kept);
    return;
  }
  const TFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0 || ::fstat(file.Get(), &status) != 0) return;
  if (FileMayBeKept(status)) {
    // Read whole before the head goes out, so the length sent is the
    // length of the bytes that follow.
    auto bytes = std::make_shared<std::string>();
    bytes->reserve(static_cast<std::size_t>(status.st_size));
    if (!ReadToEnd(file.Get(), *bytes)) return;
    struct stat after {};
    if (::fstat(file.Get(), &after) == 0) cache.Keep(path, status, after, bytes);
    SendBytes(connection, head, *bytes);
    return;
  }
  const auto size = static_cast<std::size_t>(status.st_size);
  connection.Write(head(size).Head());
  connection.WriteFile(file.Get(), size);
}

}  // namespace

void SendFile(TConnection& connection, TFileCache& cache, const std::string& path) {
  SendFileAnswer(connection, cache, path, FileResponse);
}

void SendImageFile(TConnection& connection, TFileCache& cache, const std::string& path,
                   std::string_view content_type) {
  SendFileAnswer(connection, cache, path,
                 [content_type](std::size_t size) { return ImageResponse(size, content_type); });
}

}  // namespace sky
