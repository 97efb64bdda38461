#include "pilot_rows.h"

#include "civil_time.h"

namespace sky::skygen {

bool PilotRows::Next(RowWriter& out) {
  if (next_ >= population_.pilots.size()) return false;
  const Pilot& pilot = population_.pilots[next_];
  out.Begin();
  out.Int(static_cast<int64_t>(++next_));
  out.Text(pilot.callsign);
  out.Text(pilot.human ? kHumanClass : kAiClass);
  out.Int(pilot.army);
  out.Int(pilot.score);
  out.Int(pilot.sorties);
  out.Int(pilot.flight_seconds / 60);
  if (pilot.last_seen < 0) {
    out.Null();
  } else {
    char seen[19];
    FormatDateTime(pilot.last_seen, seen);
    out.Text(std::string_view(seen, sizeof seen));
  }
  out.End();
  return true;
}

}  // namespace sky::skygen
