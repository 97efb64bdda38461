// Records the sortie walk into a `history` element: one `strik` per life,
// one `sortie` per row, `details` and `newrank` beneath them. The walk calls
// it at fixed points; the attribute order of every element follows the order
// of those calls. Nothing here logs or touches the database.
#pragma once

#include <cstdint>
#include <string>

#include "engine/sortie.h"
#include "settings/settings.h"
#include "xml/xml_document.h"

namespace sky {

class THistoryRecorder {
 public:
  THistoryRecorder(TXmlNode history, const TSettings& settings)
      : history_(history), settings_(settings) {}

  // Before the first row: the callsign and the first life.
  void Begin(const std::string& callsign, TDateTime first_start);
  // Right after the row was read.
  void Sortie(const TSortie& sortie);
  // A successful sortie after the combat test.
  void Successful(const TSortie& sortie, bool combat);
  void NewRank(const TSortie& sortie, int32_t rank);
  // A death: `ending` is the life before the reset.
  void LifeEnding(const TStreak& ending);
  void Died(const TSortie& sortie, const TStreak& streak);
  // After the last row: the totals of the life still going on.
  void Finish(const TStreak& streak);

 private:
  void StartLife(TDateTime start);
  void SetLifeTotals(const TStreak& streak);
  void SetCurrentRank(const TStreak& streak);

  TXmlNode history_;
  const TSettings& settings_;
  TXmlNode life_;
  TXmlNode sortie_;
  int32_t life_number_ = 0;
};

}  // namespace sky
