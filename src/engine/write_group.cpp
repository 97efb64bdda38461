#include "engine/write_group.h"

#include "settings/log.h"

namespace sky {

void TWriteGroup::BeforeWrite() {
  if (open_) return;
  try {
    session_.SQLQueryUpdate.ExecSQL("start transaction");
    open_ = true;
    opened_ = std::chrono::steady_clock::now();
  } catch (const std::exception&) {
    // The write that follows meets the same fault and reports it.
  }
}

bool TWriteGroup::PilotDone() {
  if (!open_) {
    // Writes outside a group were committed one by one.
    if (writes_ != nullptr) writes_->Committed();
    return true;
  }
  if (std::chrono::steady_clock::now() - opened_ < kGroupAge) return true;
  return Commit();
}

bool TWriteGroup::Commit() {
  if (!open_) {
    if (writes_ != nullptr) writes_->Committed();
    return true;
  }
  open_ = false;
  try {
    session_.SQLQueryUpdate.ExecSQL("commit");
    if (writes_ != nullptr) writes_->Committed();
    return true;
  } catch (const std::exception& e) {
    WriteLog(0, "ERROR committing pilot updates:", e.what());
    if (writes_ != nullptr) writes_->RolledBack();
    return false;
  }
}

}  // namespace sky
