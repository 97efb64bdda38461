#include "web/http_server.h"

#include "web/request_router.h"

namespace sky {

THttpServer::THttpServer(TServiceControl& service, THttpLimits limits)
    : server_([&service, limits](TConnection& connection) { TCPServerSKYExecute(service, connection, limits); },
              limits) {}

void THttpServer::Activate(uint16_t port, const std::string& bind_address) { server_.Start(port, bind_address); }

bool THttpServer::Deactivate() { return server_.Stop(); }

}  // namespace sky
