#include "web/http_server.h"

#include <memory>

#include "web/request_router.h"
#include "web/server_state.h"

namespace sky {

THttpServer::THttpServer(TServiceControl& service, THttpLimits limits)
    // The state is held by the handler itself, so that a request still
    // running after a stop keeps it alive.
    : server_([&service, state = std::make_shared<TServerState>(), limits](TConnection& connection) {
        TCPServerSKYExecute(TWebContext{service, *state, limits}, connection);
      },
              limits) {}

void THttpServer::Activate(uint16_t port, const std::string& bind_address) { server_.Start(port, bind_address); }

bool THttpServer::Deactivate() { return server_.Stop(); }

}  // namespace sky
