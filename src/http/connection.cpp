#include "http/connection.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace sky {

void TConnection::WriteFile(int fd, std::size_t size) {
  char piece[64 * 1024];
  for (std::size_t sent = 0; sent < size;) {
    const ssize_t n = ::pread(fd, piece, std::min(sizeof piece, size - sent), static_cast<off_t>(sent));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw TConnectionClosed(std::string("read: ") + std::strerror(errno));
    if (n == 0) throw TConnectionClosed("the file became shorter while it was sent");
    Write(std::string_view(piece, static_cast<std::size_t>(n)));
    sent += static_cast<std::size_t>(n);
  }
}

}  // namespace sky
