// The one process-wide settings record and the service's run state.
//
// The record is immutable once published: a re-read builds a complete new
// record and swaps it in under a small lock, so a reader never sees it
// half-written. Users take a snapshot (a shared pointer) for the length of
// their operation. Publishing also sets the log threshold.
//
// The run-state fields (`FieldsChecked`, `LastCalcTime`, `StartTime`) are not
// part of the file; they live here, each guarded.
#pragma once

#include <memory>

#include "base/datetime.h"
#include "settings/settings.h"

namespace sky {

using TSettingsSnapshot = std::shared_ptr<const TSettings>;

// The current record (never null; all zero before the first read).
TSettingsSnapshot CurrentSettings();
// Publishes a record and sets the log threshold to its LogLevel.
void PublishSettings(TSettings settings);
// Copies the current record, ReadSettings(SettingsFileName()) into the copy,
// publishes it and returns ReadSettings' result. A file that is not
// well-formed publishes nothing: the record in force stays (before the first
// publish, the reader defaults of an empty document are published) and the
// result is false.
bool ReloadSettings();

bool FieldsChecked();
void SetFieldsChecked(bool value);
TDateTime LastCalcTime();            // kNeverCalculated until the first pass
void SetLastCalcTime(TDateTime value);
TDateTime StartTime();               // when the program was loaded

// Test support: back to the load-time state (zero record, threshold 0,
// FieldsChecked false, LastCalcTime never).
void ResetSettingsStoreForTesting();

}  // namespace sky
