// The settings reader on arbitrary documents. Reading never throws; a record
// read from any document, written back as a settings document and read
// again, is the same record.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "base/log.h"
#include "fuzz_check.h"
#include "settings/settings.h"
#include "settings/settings_document.h"
#include "settings/value_readers.h"
#include "xml/xml_document.h"

using namespace sky;

namespace {

bool SameRecord(const TSettings& a, const TSettings& b) {
  if (a.Ranks.size() != b.Ranks.size()) return false;
  for (std::size_t i = 0; i < a.Ranks.size(); ++i) {
    const TRankDef& x = a.Ranks[i];
    const TRankDef& y = b.Ranks[i];
    if (x.Value != y.Value || x.Name != y.Name || x.SortiesLimit != y.SortiesLimit ||
        x.AirKills != y.AirKills || x.GndKills != y.GndKills)
      return false;
  }
  return a.Interval == b.Interval && a.AdminPort == b.AdminPort && a.AdminPassword == b.AdminPassword &&
         a.LogLevel == b.LogLevel && a.SortieEndSuccess == b.SortieEndSuccess &&
         a.SortieEndSkip == b.SortieEndSkip && a.SortieEndDead == b.SortieEndDead &&
         a.BombersMode == b.BombersMode && a.SortieMode == b.SortieMode &&
         a.SortieDuration == b.SortieDuration && a.AwardsFile == b.AwardsFile && a.Debug == b.Debug &&
         a.Sleep == b.Sleep;
}

}  // namespace

// Conversion errors are logged; the log file is not what is tested here.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  SetLogThreshold(-1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TXmlDocument doc;
  doc.LoadText(text);

  TSettings settings;
  SetDefaultSettings(settings);
  LoadSettingsFromDocument(settings, doc);

  (void)ReadNodeText(doc, "/skyranks/ranks/rank[0]/name");
  (void)ReadNodeValue(doc, "/skyranks/mysql[0]/@host");
  (void)ReadIntValue(doc, "/skyranks/interval", -1);
  (void)ReadFloatValue(doc, "/skyranks/groundratio/tank", -1.0);
  (void)ReadAttrText(doc.Root(), "id");
  try {
    (void)TextToFloat(text.substr(0, 64));
  } catch (const std::invalid_argument&) {
  }

  TXmlDocument written;
  BuildSettingsDocument(settings, written);
  TXmlDocument reread;
  FUZZ_CHECK(reread.LoadText(written.ToText()));
  TSettings again;
  SetDefaultSettings(again);
  LoadSettingsFromDocument(again, reread);
  FUZZ_CHECK(SameRecord(settings, again));
  return 0;
}
