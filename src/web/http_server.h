// The embedded web server of the service (its TCPServerSKY component): a
// TTcpServer whose connections are served by TCPServerSKYExecute. It reaches
// the service host only through TServiceControl. It keeps the control
// form's count of wrong passwords, its caches and the leaderboard's orders
// (web/server_state.h) for as long as it lives.
#pragma once

#include <cstdint>
#include <string>

#include "web/service_control.h"
#include "http/socket_connection.h"
#include "http/tcp_server.h"

namespace sky {

class THttpServer {
 public:
  explicit THttpServer(TServiceControl& service, THttpLimits limits = {});

  // Starts listening on `port` (0: a free port, for tests) at `bind_address`
  // (empty: every interface); raises as TTcpServer::Start.
  void Activate(uint16_t port, const std::string& bind_address = {});
  // Closes the listener and lets running requests finish (see TTcpServer::Stop).
  bool Deactivate();
  bool Active() const { return server_.Listening(); }
  uint16_t Port() const { return server_.Port(); }
  std::string Address() const { return server_.Address(); }

 private:
  TTcpServer server_;
};

}  // namespace sky
