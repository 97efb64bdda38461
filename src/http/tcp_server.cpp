#include "http/tcp_server.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <exception>
#include <map>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "base/log.h"
#include "base/mutex.h"
#include "http/file_descriptor.h"
#include "http/listen_address.h"
#include "settings/process_metrics.h"

namespace sky {

namespace {

// A connection thread that finds no connection for this long ends: under
// load threads are reused, and an idle server soon holds none, no more than
// when each connection's thread ended with it after its graceful close.
constexpr std::chrono::milliseconds kIdleThreadTime{500};

std::system_error SocketError(const std::string& what) {
  return std::system_error(errno, std::generic_category(), what);
}

}  // namespace

// Shared by the server object and every connection thread, so a thread that
// outlives a stop still finds what it uses.
struct TTcpServer::TCore {
  // Set before the core is shared, unchanged after.
  THandler handler;
  THttpLimits limits;
  uint16_t port = 0;
  std::string address;               // the listener's, as bound
  TFd wake;                          // eventfd that wakes the listener at stop
  // Used by the listener thread alone until Stop has joined it.
  TFd listener;
  std::thread listener_thread;

  // The sockets of the connections being served, apart from `lock` so that
  // a connection ending does not hold up the listener for them.
  TMutex sockets_lock;
  std::set<int> open_sockets SKY_GUARDED_BY(sockets_lock);

  mutable TMutex lock;
  TCondVar changed;   // a connection or a thread ended, or stop began
  TCondVar arrived;   // a connection waits for a thread, or stop began
  std::size_t active SKY_GUARDED_BY(lock) = 0;   // connections accepted and not yet closed
  std::deque<int> waiting SKY_GUARDED_BY(lock);  // accepted sockets no thread has taken yet
  std::size_t idle SKY_GUARDED_BY(lock) = 0;     // threads waiting for a connection
  std::size_t serving SKY_GUARDED_BY(lock) = 0;  // threads running a handler
  bool stopping SKY_GUARDED_BY(lock) = false;
  bool listening SKY_GUARDED_BY(lock) = false;   // between Start and Stop
  // Connection threads not joined yet, and those of them that have ended.
  // They are joined, not detached, so that a thread has ended wholly, its
  // libraries' per-thread state freed, before a stop returns.
  std::map<std::thread::id, std::thread> threads SKY_GUARDED_BY(lock);
  std::vector<std::thread::id> ended SKY_GUARDED_BY(lock);

  void Listen(std::shared_ptr<TCore> self);
  // Waits while the server is at its connection limit; false at a stop.
  bool AwaitRoom();
  // Hands an accepted socket to a waiting thread, or to a new one.
  void Dispatch(int fd, const std::shared_ptr<TCore>& self);
  // A connection thread: serves the waiting sockets one after another.
  void Work();
  // The next waiting socket, after waiting for one at most kIdleThreadTime;
  // -1 when the thread is to end.
  int NextSocket(TMutexLock& hold) SKY_REQUIRES(lock);
  // Runs the handler and closes the socket.
  void Serve(int fd);
  void ForgetSocket(int fd);
  // The threads that have ended, taken out of `threads` to be joined
  // outside the lock.
  std::vector<std::thread> TakeEnded() SKY_REQUIRES(lock);
  // Waits until no connection is open or `time` has passed; whether none is.
  bool AwaitNoConnections(TMutexLock& hold, std::chrono::milliseconds time) SKY_REQUIRES(lock);
};

namespace {

void JoinAll(std::vector<std::thread>& threads) {
  for (std::thread& thread : threads) thread.join();
}

}  // namespace

std::vector<std::thread> TTcpServer::TCore::TakeEnded() {
  std::vector<std::thread> ending;
  for (const std::thread::id id : ended) {
    const auto found = threads.find(id);
    if (found == threads.end()) continue;
    ending.push_back(std::move(found->second));
    threads.erase(found);
  }
  ended.clear();
  return ending;
}

bool TTcpServer::TCore::AwaitNoConnections(TMutexLock& hold, std::chrono::milliseconds time) {
  const auto deadline = std::chrono::steady_clock::now() + time;
  while (active != 0) {
    if (!changed.WaitUntil(hold, deadline)) return active == 0;
  }
  return true;
}

bool TTcpServer::TCore::AwaitRoom() {
  std::vector<std::thread> ending;
  {
    TMutexLock hold(lock);
    // At the connection limit new clients wait in the listen queue.
    if (!stopping && active >= limits.max_connections) CountConnectionLimitReached();
    while (!stopping && active >= limits.max_connections) changed.Wait(hold);
    if (stopping) return false;
    ending = TakeEnded();
  }
  JoinAll(ending);
  return true;
}

void TTcpServer::TCore::Listen(std::shared_ptr<TCore> self) {
  while (AwaitRoom()) {
    pollfd events[2] = {{listener.Get(), POLLIN, 0}, {wake.Get(), POLLIN, 0}};
    if (::poll(events, 2, -1) < 0) {
      if (errno == EINTR) continue;
      WriteLog(0, "HTTP listener:", std::system_category().message(errno));
      return;
    }
    if (events[1].revents != 0) return;
    if ((events[0].revents & POLLIN) == 0) continue;
    const int fd = ::accept4(listener.Get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
      // A client that gave up before we took it, or a passing shortage of
      // descriptors: the listener goes on.
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        WriteLog(0, "HTTP listener:", std::system_category().message(errno));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
      continue;
    }
    Dispatch(fd, self);
  }
}

void TTcpServer::TCore::ForgetSocket(int fd) {
  TMutexLock hold(sockets_lock);
  open_sockets.erase(fd);
}

void TTcpServer::TCore::Dispatch(int fd, const std::shared_ptr<TCore>& self) {
  {
    // Known before a thread can take it, so a stop finds it from then on.
    TMutexLock hold(sockets_lock);
    open_sockets.insert(fd);
  }
  std::string failure;
  {
    TMutexLock hold(lock);
    // Every connection has a thread at once, as many as max_connections: a
    // client that keeps its connection silent holds only its own.
    waiting.push_back(fd);
    ++active;
    if (idle >= waiting.size()) {
      arrived.NotifyOne();
      return;
    }
    try {
      std::thread thread([self] { self->Work(); });
      const std::thread::id id = thread.get_id();
      threads.emplace(id, std::move(thread));
      return;
    } catch (const std::exception& e) {
      waiting.pop_back();
      --active;
      failure = e.what();
    }
  }
  ForgetSocket(fd);
  ::close(fd);
  WriteLog(0, "HTTP connection thread:", failure);
}

int TTcpServer::TCore::NextSocket(TMutexLock& hold) {
  for (;;) {
    ++idle;
    const auto deadline = std::chrono::steady_clock::now() + kIdleThreadTime;
    bool woken = true;
    while (!stopping && waiting.empty()) {
      if (!arrived.WaitUntil(hold, deadline)) {
        woken = stopping || !waiting.empty();
        break;
      }
    }
    --idle;
    if (!waiting.empty()) {
      const int fd = waiting.front();
      waiting.pop_front();
      return fd;
    }
    // Sockets accepted before a stop are still served.
    if (stopping || !woken) return -1;
  }
}

void TTcpServer::TCore::Work() {
  for (int fd = -1;;) {
    {
      TMutexLock hold(lock);
      if (fd >= 0) {
        --serving;
        --active;
        changed.NotifyAll();
      }
      fd = NextSocket(hold);
      if (fd < 0) {
        ended.push_back(std::this_thread::get_id());
        changed.NotifyAll();
        return;
      }
      ++serving;
    }
    Serve(fd);
  }
}

void TTcpServer::TCore::Serve(int fd) {
  TSocketConnection connection(fd, limits);
  try {
    handler(connection);
  } catch (const std::exception& e) {
    WriteLog(0, "HTTP connection:", e.what());
  } catch (...) {
    WriteLog(0, "HTTP connection:", "unknown error");
  }
  // Forget the socket before it is closed, so a stop never shuts down a
  // descriptor number that has been reused meanwhile.
  ForgetSocket(fd);
}

TTcpServer::TTcpServer(THandler handler, THttpLimits limits) : core_(std::make_shared<TCore>()) {
  core_->handler = std::move(handler);
  core_->limits = limits;
}

TTcpServer::~TTcpServer() { Stop(); }

void TTcpServer::Start(uint16_t port, const std::string& bind_address) {
  if (Listening()) throw std::logic_error("the server is already listening");
  // A stopped server may start again: a fresh core, so threads of the old
  // one never see the new listener.
  auto core = std::make_shared<TCore>();
  core->handler = core_->handler;
  core->limits = core_->limits;

  TListenAddress where = ParseListenAddress(bind_address, port);
  TFd listener(::socket(where.address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (listener.Get() < 0 && where.any_interface && errno == EAFNOSUPPORT) {
    // A machine without IPv6: every IPv4 interface, as before IPv6 was offered.
    auto& v4 = reinterpret_cast<sockaddr_in&>(where.address);
    v4 = sockaddr_in{};
    v4.sin_family = AF_INET;
    v4.sin_addr.s_addr = htonl(INADDR_ANY);
    v4.sin_port = htons(port);
    where.length = sizeof v4;
    listener.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  }
  if (listener.Get() < 0) throw SocketError("socket");
  const int on = 1;
  ::setsockopt(listener.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (where.any_interface && where.address.ss_family == AF_INET6) {
    // IPv4 clients too, whatever the system's default for IPv6 sockets.
    const int off = 0;
    ::setsockopt(listener.Get(), IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
  }
  if (::bind(listener.Get(), reinterpret_cast<sockaddr*>(&where.address), where.length) != 0) {
    throw SocketError(bind_address.empty() ? "cannot listen on port " + std::to_string(port)
                                           : "cannot listen on " + bind_address + " port " + std::to_string(port));
  }
  if (::listen(listener.Get(), SOMAXCONN) != 0) throw SocketError("listen");
  sockaddr_storage bound{};
  socklen_t length = sizeof bound;
  if (::getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
    throw SocketError("getsockname");
  }
  TFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (wake.Get() < 0) throw SocketError("eventfd");

  core->port = AddressPort(bound);
  core->address = AddressText(bound);
  core->listener.Reset(listener.Release());
  core->wake.Reset(wake.Release());
  {
    TMutexLock hold(core->lock);
    core->listening = true;
  }
  core->listener_thread = std::thread([core] { core->Listen(core); });
  core_ = std::move(core);
}

bool TTcpServer::Stop() {
  TCore& core = *core_;
  {
    TMutexLock hold(core.lock);
    if (core.stopping || !core.listening) return core.active == 0;
    core.stopping = true;
    core.changed.NotifyAll();
  }
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t ignored = ::write(core.wake.Get(), &one, sizeof one);
  core.listener_thread.join();
  core.listener.Reset();

  bool finished = false;
  std::vector<std::thread> ending;
  {
    TMutexLock hold(core.lock);
    core.listening = false;
    // Threads without a connection end now; the others after their last one.
    core.arrived.NotifyAll();
    finished = core.AwaitNoConnections(hold, core.limits.stop_grace);
    if (!finished) {
      // Handlers that are still waiting for their client are woken; a handler
      // busy with other work keeps its thread, which holds the core alive.
      {
        TMutexLock sockets(core.sockets_lock);
        for (int fd : core.open_sockets) ::shutdown(fd, SHUT_RDWR);
      }
      finished = core.AwaitNoConnections(hold, std::chrono::seconds(1));
    }
    // Every thread not running a handler ends at once, having seen the stop.
    while (core.threads.size() - core.ended.size() > core.serving) core.changed.Wait(hold);
    ending = core.TakeEnded();
    for (auto& [id, thread] : core.threads) thread.detach();
    core.threads.clear();
  }
  JoinAll(ending);
  return finished;
}

bool TTcpServer::Listening() const {
  TMutexLock hold(core_->lock);
  return core_->listening && !core_->stopping;
}

uint16_t TTcpServer::Port() const { return core_->port; }

std::string TTcpServer::Address() const { return core_->address; }

std::size_t TTcpServer::ActiveConnections() const {
  TMutexLock hold(core_->lock);
  return core_->active;
}

}  // namespace sky
