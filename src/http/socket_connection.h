// A TConnection over an accepted TCP socket.
//
// Reading is bounded by THttpLimits: a line longer than max_line_bytes, or a
// client that has not delivered what is asked for by the request deadline
// (request_timeout after the connection was accepted; bytes that had
// arrived by then are still read), raises
// TConnectionClosed. A write that makes no progress for write_timeout raises
// TConnectionClosed too, so a client that stops reading cannot hold a
// handler forever. Each of these refusals is counted (RefusedRequest).
//
// After an answer the destructor closes the socket gracefully: it ends the
// sending side and briefly drains what the client still sends, so that
// unread request bytes do not turn the close into a reset that would destroy
// the answer. Without an answer it closes at once.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include "settings/process_metrics.h"
#include "http/connection.h"

namespace sky {

struct THttpLimits {
  std::size_t max_line_bytes = 8 * 1024;
  std::size_t max_header_lines = 100;
  std::size_t max_body_bytes = 64 * 1024;
  std::chrono::milliseconds request_timeout{10'000};
  std::chrono::milliseconds write_timeout{30'000};
  std::size_t max_connections = 256;
  // How long a stopping server lets running handlers finish.
  std::chrono::milliseconds stop_grace{10'000};
};

// Counts the refusal in the process metrics; the exception to raise for it.
TConnectionClosed RefusedRequest(THttpRefusal reason, const std::string& what);

class TSocketConnection : public TConnection {
 public:
  // Takes ownership of the connected socket `fd`.
  TSocketConnection(int fd, const THttpLimits& limits);
  ~TSocketConnection() override;
  TSocketConnection(const TSocketConnection&) = delete;
  TSocketConnection& operator=(const TSocketConnection&) = delete;

  std::string ReadLine() override;
  std::string ReadBytes(std::size_t count) override;
  void Write(std::string_view bytes) override;
  void WriteFile(int fd, std::size_t size) override;
  void Disconnect() override;
  bool Connected() const override { return !disconnected_; }

  std::string LocalIp() const override { return local_ip_; }
  uint16_t LocalPort() const override { return local_port_; }
  std::string PeerIp() const override { return peer_ip_; }

 private:
  // Appends what arrives next to buffer_; raises at the deadline or end of stream.
  void ReceiveMore();
  // Waits until the socket takes more bytes; raises after write_timeout.
  void AwaitRoomToWrite();

  int fd_;
  THttpLimits limits_;
  std::chrono::steady_clock::time_point deadline_;
  std::string buffer_;
  bool disconnected_ = false;
  bool answered_ = false;  // some bytes have been written
  std::string local_ip_;
  uint16_t local_port_ = 0;
  std::string peer_ip_;
};

}  // namespace sky
