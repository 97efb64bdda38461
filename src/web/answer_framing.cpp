// Heads and whole answers of the non-HTML kinds. Header names keep their letter case as the
// pages and clients have always seen them ("content-length" for files,
// "Content-Length" for the banner).
#include "web/answer_framing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string>

#include "web/file_cache.h"
#include "web/file_descriptor.h"

namespace sky {

namespace {

std::string Lines(std::initializer_list<std::string> lines) {
  std::string head;
  for (const std::string& line : lines) head.append(line).append("\r\n");
  return head;
}

void WriteLines(TConnection& connection, std::initializer_list<std::string> lines) {
  connection.Write(Lines(lines));
}

std::string FileHead(std::size_t size) {
  return Lines({"HTTP/1.1 200 OK", "Connection: close", "content-length: " + std::to_string(size),
                "content-type: Application/data;", ""});
}

std::string ImageHead(std::size_t size, std::string_view content_type) {
  return Lines({"HTTP/1.1 200 OK", "Connection: close", "Content-Length: " + std::to_string(size),
                "Content-Type: " + std::string(content_type), ""});
}

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

}  // namespace

void WriteXMLHead(TConnection& connection) {
  WriteLines(connection, {"HTTP/1.1 200 OK", "Connection: close", "content-type: Text/xml", ""});
}

void WriteFileHead(TConnection& connection, std::size_t size) { connection.Write(FileHead(size)); }

void WriteImageHead(TConnection& connection, std::size_t size, std::string_view content_type) {
  connection.Write(ImageHead(size, content_type));
}

void WriteBannerHead(TConnection& connection, std::size_t size) {
  WriteLines(connection, {"HTTP/1.1 200 OK", "Connection: close", "Content-Length: " + std::to_string(size),
                          "Content-Type: image/gif", ""});
}

void SendXMLStream(TConnection& connection, std::string_view document) {
  WriteXMLHead(connection);
  connection.Write(document);
  connection.Disconnect();
}

void SendPlainStatus(TConnection& connection, std::string_view status, std::string_view text,
                     std::string_view extra_head) {
  std::string answer = Lines({"HTTP/1.1 " + std::string(status), "Connection: close",
                              "Content-Type: text/plain; charset=utf-8",
                              "Content-Length: " + std::to_string(text.size())});
  answer.append(extra_head).append("\r\n").append(text);
  connection.Write(answer);
  connection.Disconnect();
}

namespace {

// The file at `path` after the head `head(size)` makes: a small unchanging
// file from memory, head and bytes in one write (one packet); a large file,
// or one that changes (the log), by the kernel, its length the one the file
// has now, and no more bytes than that following even while it grows.
template <typename THead>
void SendFileAfter(TConnection& connection, const std::string& path, const THead& head) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return;
  const auto send_bytes = [&](std::string_view bytes) {
    std::string answer = head(bytes.size());
    answer.append(bytes);
    connection.Write(answer);
  };
  if (const std::shared_ptr<const std::string> kept = KeptFileBytes(path, status)) {
    send_bytes(*kept);
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
    if (::fstat(file.Get(), &after) == 0) KeepFileBytes(path, status, after, bytes);
    send_bytes(*bytes);
    return;
  }
  const auto size = static_cast<std::size_t>(status.st_size);
  connection.Write(head(size));
  connection.WriteFile(file.Get(), size);
}

}  // namespace

void SendFile(TConnection& connection, const std::string& path) {
  SendFileAfter(connection, path, FileHead);
}

void SendImageFile(TConnection& connection, const std::string& path, std::string_view content_type) {
  SendFileAfter(connection, path, [content_type](std::size_t size) { return ImageHead(size, content_type); });
}

}  // namespace sky
