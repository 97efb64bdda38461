// A session opened for one operation on one configured database.
//
// ConnectSession creates a session and connects it to the entry. When the
// database cannot be reached (ConnectDatabase has logged why) it writes the
// level-0 line "not connected to MySQL" and gives null. The session is freed,
// and its connection closed, when the pointer goes out of scope.
#pragma once

#include <memory>

#include "db/session.h"
#include "settings/settings.h"

namespace sky {

std::unique_ptr<TdmMySQL> ConnectSession(const TServerEntry& entry);

}  // namespace sky
