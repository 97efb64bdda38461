#include "engine/connected_session.h"

#include "base/log.h"

namespace sky {

std::unique_ptr<TdmMySQL> ConnectSession(const TServerEntry& entry) {
  auto session = std::make_unique<TdmMySQL>();
  if (!ConnectDatabase(*session, entry)) {
    WriteLog(0, "not connected to MySQL");
    return nullptr;
  }
  return session;
}

}  // namespace sky
