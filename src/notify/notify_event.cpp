#include "notify/notify_event.h"

#include <fmt/format.h>

#include "awards/awards_file.h"
#include "engine/rank_pass.h"
#include "engine/rank_scale.h"

namespace sky {

std::string EventId(const TNotifyEvent& event) {
  return event.Kind == TEventKind::kRank
             ? fmt::format("{}:{}:rank:{}", event.Srvid, event.PilotId, event.Value)
             : fmt::format("{}:{}:award:{}", event.Srvid, event.PilotId, event.Bit);
}

const char* EventKindName(TEventKind kind) { return kind == TEventKind::kRank ? "rank" : "award"; }

TAwardNames::TAwardNames(const TXmlDocument& awards) {
  const std::span<const std::string_view> sections = ArmySections();
  for (std::size_t army = 0; army < sections.size(); ++army) {
    for (const TAwardKind kind : {TAwardKind::kSimple, TAwardKind::kComplex}) {
      const std::string path = kind == TAwardKind::kSimple ? SimpleItemsPath(sections[army])
                                                           : ComplexItemsPath(sections[army]);
      for (TXmlNode item : awards.SelectAll(path)) {
        const TAwardItemText text = ReadAwardItem(item);
        const std::optional<int32_t> value = text.Value ? ParseAwardInteger(*text.Value) : std::nullopt;
        if (!value || !text.Name) continue;
        // The first item of a mask names it, as the file is read top down.
        names_.try_emplace({static_cast<int32_t>(army + 1), *value}, *text.Name);
      }
    }
  }
}

std::string TAwardNames::Name(int32_t army, int32_t mask) const {
  if (auto found = names_.find({army, mask}); found != names_.end()) return found->second;
  for (const auto& [key, name] : names_) {
    if (key.second == mask) return name;
  }
  for (int bit = 0; bit < 32; ++bit) {
    if (static_cast<uint32_t>(mask) == (1u << bit)) return fmt::format("#{}", bit);
  }
  return fmt::format("#{}", mask);
}

std::vector<TNotifyEvent> RankEvents(const std::string& srvid, const TWrittenValue& write,
                                     const TSettings& settings, int64_t time) {
  if (write.After <= write.Before) return {};
  TNotifyEvent event{.Kind = TEventKind::kRank, .Srvid = srvid, .PilotId = write.PilotId,
                     .Callsign = write.Callsign, .Army = write.Army, .Value = write.After,
                     .Name = RankName(write.After, settings), .Previous = write.Before,
                     .PreviousName = RankName(write.Before, settings),
                     .Time = time};
  return {std::move(event)};
}

std::vector<TNotifyEvent> AwardEvents(const std::string& srvid, const TWrittenValue& write,
                                      const TAwardNames& names, int64_t time) {
  std::vector<TNotifyEvent> events;
  const uint32_t gained = static_cast<uint32_t>(write.After) & ~static_cast<uint32_t>(write.Before);
  for (int bit = 0; bit < 32; ++bit) {
    if ((gained & (1u << bit)) == 0) continue;
    const auto mask = static_cast<int32_t>(1u << bit);
    events.push_back({.Kind = TEventKind::kAward, .Srvid = srvid, .PilotId = write.PilotId,
                      .Callsign = write.Callsign, .Army = write.Army, .Value = mask,
                      .Name = names.Name(write.Army, mask), .Bit = bit, .Time = time});
  }
  return events;
}

}  // namespace sky
