// Readers for the answers of the read-only views, shared by their tests.
#pragma once

#include <string>

namespace sky::test {

inline constexpr char kXmlHead[] = "HTTP/1.1 200 OK\r\nConnection: close\r\ncontent-type: Text/xml\r\n\r\n";

inline std::string FileHead(std::size_t size) {
  return "HTTP/1.1 200 OK\r\nConnection: close\r\ncontent-length: " + std::to_string(size) +
         "\r\ncontent-type: Application/data;\r\n\r\n";
}

// The head (up to and including the empty line) and the body of an answer.
inline std::string HeadOf(const std::string& answer) {
  const std::size_t end = answer.find("\r\n\r\n");
  return end == std::string::npos ? answer : answer.substr(0, end + 4);
}
inline std::string BodyOf(const std::string& answer) {
  const std::size_t end = answer.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : answer.substr(end + 4);
}

}  // namespace sky::test
