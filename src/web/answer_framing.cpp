// Heads and whole answers of the non-HTML kinds. Header names keep their letter case as the
// pages and clients have always seen them ("content-length" for files,
// "Content-Length" for the banner).
#include "web/answer_framing.h"

#include <fstream>
#include <optional>
#include <iterator>
#include <string>

namespace sky {

namespace {

void WriteLines(TConnection& connection, std::initializer_list<std::string> lines) {
  std::string head;
  for (const std::string& line : lines) head.append(line).append("\r\n");
  connection.Write(head);
}

}  // namespace

void WriteXMLHead(TConnection& connection) {
  WriteLines(connection, {"HTTP/1.1 200 OK", "Connection: close", "content-type: Text/xml", ""});
}

void WriteFileHead(TConnection& connection, std::size_t size) {
  WriteLines(connection, {"HTTP/1.1 200 OK", "Connection: close", "content-length: " + std::to_string(size),
                          "content-type: Application/data;", ""});
}

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

namespace {

// The file's bytes, read whole before the head goes out, so the length sent
// is the length of the bytes that follow even while the log file grows.
std::optional<std::string> FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad()) return std::nullopt;
  return bytes;
}

}  // namespace

void SendFile(TConnection& connection, const std::string& path) {
  const std::optional<std::string> bytes = FileBytes(path);
  if (!bytes) return;
  WriteFileHead(connection, bytes->size());
  connection.Write(*bytes);
}

void SendImageFile(TConnection& connection, const std::string& path, std::string_view content_type) {
  const std::optional<std::string> bytes = FileBytes(path);
  if (!bytes) return;
  WriteImageHead(connection, bytes->size(), content_type);
  connection.Write(*bytes);
}

}  // namespace sky
