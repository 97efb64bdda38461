// One accepted TCP connection as the request handlers see it.
//
// Reading is bounded: a line longer than the limit, or a client that has not
// sent what is asked for before the connection's deadline, raises
// TConnectionClosed and the handler ends without an answer. Writing sends
// every byte or raises TConnectionClosed; so does WriteFile, which sends the
// first `size` bytes of an open file. The socket is closed when the
// connection object is destroyed (or earlier by Disconnect).
#pragma once

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace sky {

class TConnectionClosed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TConnection {
 public:
  virtual ~TConnection() = default;

  // One line without its line end (LF or CR LF).
  virtual std::string ReadLine() = 0;
  // Exactly `count` bytes.
  virtual std::string ReadBytes(std::size_t count) = 0;
  virtual void Write(std::string_view bytes) = 0;
  // By default read and written in pieces; a socket hands the file to the
  // kernel. A file shorter than `size` by now raises TConnectionClosed.
  virtual void WriteFile(int fd, std::size_t size);
  // Ends the answer: no more bytes are sent, the peer sees end of stream.
  virtual void Disconnect() = 0;
  virtual bool Connected() const = 0;

  virtual std::string LocalIp() const = 0;   // the address the client connected to
  virtual uint16_t LocalPort() const = 0;
  virtual std::string PeerIp() const = 0;
};

}  // namespace sky
