#include "settings/settings_store.h"

#include <filesystem>
#include <system_error>

#include "base/log.h"
#include "base/mutex.h"
#include "base/paths.h"

namespace sky {

namespace {

struct TStore {
  TMutex lock;
  TSettingsSnapshot current SKY_GUARDED_BY(lock) = std::make_shared<const TSettings>();
  bool fields_checked SKY_GUARDED_BY(lock) = false;
  TDateTime last_calc_time SKY_GUARDED_BY(lock) = kNeverCalculated;
  TDateTime start_time SKY_GUARDED_BY(lock) = Now();
  bool published SKY_GUARDED_BY(lock) = false;  // a record was published since load
};

TStore& TheStore() {
  static TStore store;
  return store;
}

template <class TValue>
TValue Read(TValue TStore::*field) {
  TStore& store = TheStore();
  TMutexLock hold(store.lock);
  return store.*field;
}

template <class TValue>
void Write(TValue TStore::*field, TValue value) {
  TStore& store = TheStore();
  TMutexLock hold(store.lock);
  store.*field = std::move(value);
}

bool AnyPublished() { return Read(&TStore::published); }

// Creates the store while the program loads, so that StartTime is the load time.
[[maybe_unused]] const bool g_store_created = (TheStore(), true);

}  // namespace

TSettingsSnapshot CurrentSettings() {
  TStore& store = TheStore();
  TMutexLock hold(store.lock);
  return store.current;
}

void PublishSettings(TSettings settings) {
  const int32_t level = settings.LogLevel;
  auto published = std::make_shared<const TSettings>(std::move(settings));
  TStore& store = TheStore();
  {
    TMutexLock hold(store.lock);
    store.current = std::move(published);
    store.published = true;
  }
  SetLogThreshold(level);
}

bool ReloadSettings() {
  TSettings settings = *CurrentSettings();
  const std::string file_name = SettingsFileName();
  std::error_code error;
  if (!std::filesystem::exists(file_name, error)) {
    // A file written with defaults is read back under the defaults' log
    // level, as if the defaults were in force while it is read.
    TSettings defaults;
    SetDefaultSettings(defaults);
    SetLogThreshold(defaults.LogLevel);
  }
  const TSettingsRead read = ReadSettingsFile(file_name, settings);
  if (read == TSettingsRead::kMalformed) {
    // The last record published stays in force. Before any record was
    // published there is none to keep: the reader defaults of an empty
    // document then give the schedule and the admin port a value, so the
    // service picks up the file once it is mended, and their empty password
    // refuses every control command.
    if (AnyPublished()) return false;
    LoadSettingsFromDocument(settings, TXmlDocument());
  }
  PublishSettings(std::move(settings));
  return read == TSettingsRead::kRead;
}

bool FieldsChecked() { return Read(&TStore::fields_checked); }

void SetFieldsChecked(bool value) { Write(&TStore::fields_checked, value); }

TDateTime LastCalcTime() { return Read(&TStore::last_calc_time); }

void SetLastCalcTime(TDateTime value) { Write(&TStore::last_calc_time, value); }

TDateTime StartTime() { return Read(&TStore::start_time); }

void ResetSettingsStoreForTesting() {
  TStore& store = TheStore();
  {
    TMutexLock hold(store.lock);
    store.current = std::make_shared<const TSettings>();
    store.fields_checked = false;
    store.last_calc_time = kNeverCalculated;
    store.published = false;
  }
  SetLogThreshold(0);
}

}  // namespace sky
