// Implements part of web/view_operations.h (the Write*Head functions).
// Heads of the non-HTML answers. Header names keep their letter case as the
// pages and clients have always seen them ("content-length" for files,
// "Content-Length" for the banner).
#include <string>

#include "web/view_operations.h"

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

void WriteBannerHead(TConnection& connection, std::size_t size) {
  WriteLines(connection, {"HTTP/1.1 200 OK", "Connection: close", "Content-Length: " + std::to_string(size),
                          "Content-Type: image/gif", ""});
}

}  // namespace sky
