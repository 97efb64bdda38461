// The admin port on the address the administrator names, or on every
// interface of both families.
#include <ifaddrs.h>
#include <netinet/in.h>

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>

#include "support/program_location.h"
#include "web/http_test_client.h"
#include "http/listen_address.h"
#include "http/tcp_server.h"

namespace sky {
namespace {

// A server that answers every connection with the client's address.
struct PeerEchoServer {
  TTcpServer server{[](TConnection& connection) { connection.Write(connection.PeerIp()); }};
};

std::optional<std::string> ReachedAs(const std::string& host, uint16_t port) {
  try {
    test::ClientSocket client(host, port);
    return client.ReadToEnd();
  } catch (const std::runtime_error&) {
    return std::nullopt;
  }
}

bool Ipv6Loopback() {
  try {
    TTcpServer probe{[](TConnection&) {}};
    probe.Start(0, "::1");
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

// An IPv4 address of this machine other than loopback, if it has one.
std::optional<std::string> OtherLocalIpv4() {
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return std::nullopt;
  std::optional<std::string> found;
  for (ifaddrs* entry = list; entry != nullptr && !found; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
    const std::string text = AddressText(reinterpret_cast<const sockaddr_storage&>(*entry->ifa_addr));
    if (text.rfind("127.", 0) != 0) found = text;
  }
  ::freeifaddrs(list);
  return found;
}

TEST(ListenAddress, EveryInterfaceOfBothFamiliesByDefault) {
  PeerEchoServer echo;
  echo.server.Start(0);
  EXPECT_EQ(echo.server.Address(), "::");
  EXPECT_EQ(ReachedAs("127.0.0.1", echo.server.Port()), "127.0.0.1") << "IPv4 clients keep their plain address";
  if (Ipv6Loopback()) {
    EXPECT_EQ(ReachedAs("::1", echo.server.Port()), "::1");
  }
}

TEST(ListenAddress, OnlyTheNamedAddress) {
  PeerEchoServer echo;
  echo.server.Start(0, "127.0.0.1");
  EXPECT_EQ(echo.server.Address(), "127.0.0.1");
  EXPECT_EQ(ReachedAs("127.0.0.1", echo.server.Port()), "127.0.0.1");
  if (const auto other = OtherLocalIpv4()) {
    EXPECT_EQ(ReachedAs(*other, echo.server.Port()), std::nullopt) << *other;
  }
  if (Ipv6Loopback()) {
    EXPECT_EQ(ReachedAs("::1", echo.server.Port()), std::nullopt);
  }

  if (!Ipv6Loopback()) GTEST_SKIP() << "no IPv6 loopback here";
  PeerEchoServer v6;
  v6.server.Start(0, "[::1]");
  EXPECT_EQ(v6.server.Address(), "::1");
  EXPECT_EQ(ReachedAs("::1", v6.server.Port()), "::1");
  EXPECT_EQ(ReachedAs("127.0.0.1", v6.server.Port()), std::nullopt);
}

TEST(ListenAddress, WhatCannotBeBoundSaysWhereAndWhy) {
  TTcpServer server{[](TConnection&) {}};
  for (const char* text : {"localhost", "127.0.0.256", "::1::2", " 127.0.0.1"}) {
    try {
      server.Start(0, text);
      ADD_FAILURE() << text;
    } catch (const std::invalid_argument& e) {
      EXPECT_EQ(std::string(e.what()),
                std::string("the admin bind address \"") + text + "\" is neither an IPv4 nor an IPv6 address");
    }
  }
  try {
    server.Start(test::FreePort(), "192.0.2.254");  // a documentation address no machine has
    ADD_FAILURE() << "bound to an address of another machine";
  } catch (const std::system_error& e) {
    EXPECT_EQ(std::string(e.what()).rfind("cannot listen on 192.0.2.254 port ", 0), 0u) << e.what();
    EXPECT_NE(std::string(e.what()).find("Cannot assign requested address"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace sky
