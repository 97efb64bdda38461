// A small TCP server: one listener thread, and a thread for each connection
// being served, taken from those that served earlier connections and wait
// for the next, or started when none waits. A thread that has waited half a
// second without a connection ends.
//
// At most limits.max_connections connections are served at once; beyond that
// the listener stops accepting and new clients wait in the listen queue
// (each time counted in the process metrics).
// Each connection is handed to the handler as a TSocketConnection and closed
// when the handler returns. The handler runs on the connection's thread; an
// exception escaping it is logged and ends only that connection.
//
// Stop closes the listening socket at once and gives running handlers
// limits.stop_grace to finish; connections still open then are shut down so
// that their reads and writes fail. It returns whether every handler ended.
// Every connection thread not running a handler has ended wholly (joined,
// its libraries' per-thread state freed) when it returns; a handler still
// running keeps its thread, detached, which holds what it uses alive.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "http/socket_connection.h"

namespace sky {

class TTcpServer {
 public:
  using THandler = std::function<void(TConnection&)>;

  TTcpServer(THandler handler, THttpLimits limits = {});
  ~TTcpServer();
  TTcpServer(const TTcpServer&) = delete;
  TTcpServer& operator=(const TTcpServer&) = delete;

  // Listens on `bind_address` (see http/listen_address.h; empty: every IPv4
  // and IPv6 interface); port 0 takes a free port (see Port). Raises
  // std::invalid_argument for an address that is none, std::system_error
  // when the port cannot be taken (naming the address and the reason).
  void Start(uint16_t port, const std::string& bind_address = {});
  bool Stop();
  bool Listening() const;
  uint16_t Port() const;
  // The address listened on, "::" for every interface.
  std::string Address() const;
  // Connections being served right now.
  std::size_t ActiveConnections() const;

 private:
  struct TCore;
  std::shared_ptr<TCore> core_;
};

}  // namespace sky
