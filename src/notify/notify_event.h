// The events the community hears of: a pilot's stored rank rose, or his
// award bits gained a bit.
//
// An event is made from one write of the pass (engine/write_observer.h): a
// rank write with a higher value gives one rank event, an awards write gives
// one award event per bit it set. Its id names the database, the pilot, the
// kind and the value, so the same promotion announced twice (after a crash)
// has the same id and a receiver can drop the repeat.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/write_observer.h"
#include "settings/settings.h"
#include "xml/xml_document.h"

namespace sky {

enum class TEventKind { kRank, kAward };

struct TNotifyEvent {
  TEventKind Kind = TEventKind::kRank;
  std::string Srvid = {};
  int32_t PilotId = 0;
  std::string Callsign = {};
  int32_t Army = 0;
  int32_t Value = 0;          // the rank value, or the award's mask (one bit)
  std::string Name = {};      // the rank's or the award's name
  int32_t Previous = 0;       // rank events: the rank before
  std::string PreviousName = {};
  int Bit = 0;                // award events: the bit's number, 0 to 31
  int64_t Time = 0;           // unix seconds
};

// "<srvid>:<pilot>:rank:<value>" or "<srvid>:<pilot>:award:<bit>".
std::string EventId(const TNotifyEvent& event);
// "rank" or "award".
const char* EventKindName(TEventKind kind);

// The award names of an awards document, by army section and mask.
class TAwardNames {
 public:
  TAwardNames() = default;
  explicit TAwardNames(const TXmlDocument& awards);
  // The name of the award of `mask` in the army's section, else in the
  // other's; "#<bit>" when neither names it.
  std::string Name(int32_t army, int32_t mask) const;

 private:
  std::map<std::pair<int32_t, int32_t>, std::string> names_;  // (army, mask) -> name
};

// The rank event of a rank write, none when the rank did not rise.
std::vector<TNotifyEvent> RankEvents(const std::string& srvid, const TWrittenValue& write,
                                     const TSettings& settings, int64_t time);
// One award event per bit the write set, lowest bit first.
std::vector<TNotifyEvent> AwardEvents(const std::string& srvid, const TWrittenValue& write,
                                      const TAwardNames& names, int64_t time);

}  // namespace sky
