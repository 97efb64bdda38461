#include "web/http_server.h"

#include <memory>

#include "web/guess_limit.h"
#include "web/request_router.h"

namespace sky {

THttpServer::THttpServer(TServiceControl& service, THttpLimits limits)
    // The count of wrong passwords is held by the handler itself, so that a
    // request still running after a stop keeps it alive.
    : server_([&service, guesses = std::make_shared<TGuessLimiter>(), limits](TConnection& connection) {
        TCPServerSKYExecute(service, connection, *guesses, limits);
      },
              limits) {}

void THttpServer::Activate(uint16_t port, const std::string& bind_address) { server_.Start(port, bind_address); }

bool THttpServer::Deactivate() { return server_.Stop(); }

}  // namespace sky
