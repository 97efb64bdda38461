// Heads and whole answers of the non-HTML kinds. Header names keep their letter case as the
// pages and clients have always seen them ("content-length" for files,
// "Content-Length" for the banner).
#include "web/answer_framing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
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

// The file head and the bytes in one write: one packet for a small file.
void SendFileBytes(TConnection& connection, std::string_view bytes) {
  std::string answer = FileHead(bytes.size());
  answer.append(bytes);
  connection.Write(answer);
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
  WriteLines(connection, {"HTTP/1.1 200 OK", "Connection: close", "Content-Length: " + std::to_string(size),
                          "Content-Type: " + std::string(content_type), ""});
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

void SendFile(TConnection& connection, const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return;
  if (const std::shared_ptr<const std::string> kept = KeptFileBytes(path, status)) {
    SendFileBytes(connection, *kept);
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
    SendFileBytes(connection, *bytes);
    return;
  }
  // A large file, or one that changes (the log): the length is the one the
  // file has now, and no more bytes than that follow even while it grows.
  const auto size = static_cast<std::size_t>(status.st_size);
  WriteFileHead(connection, size);
  connection.WriteFile(file.Get(), size);
}

namespace {

// The picture's bytes, read whole before the head goes out.
std::optional<std::string> FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return std::nullopt;
  return bytes;
}

}  // namespace

void SendImageFile(TConnection& connection, const std::string& path, std::string_view content_type) {
  const std::optional<std::string> bytes = FileBytes(path);
  if (!bytes) return;
  WriteImageHead(connection, bytes->size(), content_type);
  connection.Write(*bytes);
}

}  // namespace sky
