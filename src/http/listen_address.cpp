#include "http/listen_address.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstring>
#include <stdexcept>

namespace sky {

TListenAddress ParseListenAddress(const std::string& text, uint16_t port) {
  TListenAddress result;
  if (text.empty()) {
    auto& v6 = reinterpret_cast<sockaddr_in6&>(result.address);
    v6.sin6_family = AF_INET6;
    v6.sin6_addr = in6addr_any;
    v6.sin6_port = htons(port);
    result.length = sizeof v6;
    return result;
  }
  result.any_interface = false;
  auto& v4 = reinterpret_cast<sockaddr_in&>(result.address);
  if (::inet_pton(AF_INET, text.c_str(), &v4.sin_addr) == 1) {
    v4.sin_family = AF_INET;
    v4.sin_port = htons(port);
    result.length = sizeof v4;
    return result;
  }
  std::string v6_text = text;
  if (v6_text.size() > 2 && v6_text.front() == '[' && v6_text.back() == ']') {
    v6_text = v6_text.substr(1, v6_text.size() - 2);
  }
  auto& v6 = reinterpret_cast<sockaddr_in6&>(result.address);
  if (::inet_pton(AF_INET6, v6_text.c_str(), &v6.sin6_addr) == 1) {
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(port);
    result.length = sizeof v6;
    return result;
  }
  throw std::invalid_argument("the admin bind address \"" + text + "\" is neither an IPv4 nor an IPv6 address");
}

std::string AddressText(const sockaddr_storage& address) {
  char text[INET6_ADDRSTRLEN] = "";
  if (address.ss_family == AF_INET) {
    ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in&>(address).sin_addr, text, sizeof text);
  } else if (address.ss_family == AF_INET6) {
    const in6_addr& v6 = reinterpret_cast<const sockaddr_in6&>(address).sin6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&v6)) {
      ::inet_ntop(AF_INET, &v6.s6_addr[12], text, sizeof text);
    } else {
      ::inet_ntop(AF_INET6, &v6, text, sizeof text);
    }
  }
  return text;
}

uint16_t AddressPort(const sockaddr_storage& address) {
  if (address.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in&>(address).sin_port);
  if (address.ss_family == AF_INET6) return ntohs(reinterpret_cast<const sockaddr_in6&>(address).sin6_port);
  return 0;
}

}  // namespace sky
