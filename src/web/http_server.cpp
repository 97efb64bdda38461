#include "web/http_server.h"

#include <memory>

#include "web/guess_limit.h"
#include "web/request_router.h"

namespace sky {

namespace {

// What the requests share, held by the handler itself, so that a request
// still running after a stop keeps it alive.
struct TServerState {
  TGuessLimiter guesses;
  THttpCaches caches;
};

}  // namespace

THttpServer::THttpServer(TServiceControl& service, THttpLimits limits)
    : server_([&service, state = std::make_shared<TServerState>(), limits](TConnection& connection) {
        TCPServerSKYExecute(TWebContext{service, state->guesses, state->caches, limits}, connection);
      },
              limits) {}

void THttpServer::Activate(uint16_t port, const std::string& bind_address) { server_.Start(port, bind_address); }

bool THttpServer::Deactivate() { return server_.Stop(); }

}  // namespace sky
