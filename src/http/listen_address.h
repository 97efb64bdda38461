// Where the web server listens: the admin port on one address the
// administrator names, or on every interface.
#pragma once

#include <sys/socket.h>

#include <cstdint>
#include <string>

namespace sky {

struct TListenAddress {
  sockaddr_storage address{};
  socklen_t length = 0;
  // Every interface of both families; an address given by the
  // administrator is bound as given.
  bool any_interface = true;
};

// `text` is an IPv4 address ("127.0.0.1"), an IPv6 address ("::1", also in
// brackets), or empty for every IPv4 and IPv6 interface. Raises
// std::invalid_argument for anything else, naming the text.
TListenAddress ParseListenAddress(const std::string& text, uint16_t port);

// "127.0.0.1", "::1"; an IPv4 client of an IPv6 socket (::ffff:a.b.c.d)
// is shown as the IPv4 address it is. Empty for other families.
std::string AddressText(const sockaddr_storage& address);
uint16_t AddressPort(const sockaddr_storage& address);

}  // namespace sky
