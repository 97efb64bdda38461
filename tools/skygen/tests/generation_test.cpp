// The generated population and sorties: reproducible, realistic mixes, and
// rows that hang together (times, pilots, totals).
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "civil_time.h"
#include "pilot_rows.h"
#include "population.h"
#include "recording_writer.h"
#include "sortie_rows.h"

namespace sky::skygen {
namespace {

using test::AsInt;
using test::AsText;
using test::IsNull;
using test::RecordingWriter;

// Column positions in SortieRows::Columns().
enum SortieColumn { kId, kSession, kPilot, kArmy, kStart, kEnd, kMission, kScore, kEAir, kEBom,
                    kESAir, kEShip = 16, kFAir, kFShip = 24, kWound, kSortieEnd };

std::vector<test::Row> Sorties(Population& population, uint64_t seed) {
  SortieRows source(population, seed);
  RecordingWriter out;
  while (source.Next(out)) {
  }
  return out.rows;
}

bool HasCyrillic(const std::string& s) {
  for (unsigned char c : s) {
    if (c == 0xD0 || c == 0xD1) return true;  // lead bytes of the Cyrillic block
  }
  return false;
}

TEST(Population, SameArgumentsSamePilotsAndSchedule) {
  const Population a = MakePopulation(300, 5000, 11);
  const Population b = MakePopulation(300, 5000, 11);
  const Population c = MakePopulation(300, 5000, 12);
  ASSERT_EQ(a.pilots.size(), 300u);
  EXPECT_EQ(a.schedule, b.schedule);
  EXPECT_NE(a.schedule, c.schedule);
  for (size_t i = 0; i < a.pilots.size(); ++i) {
    ASSERT_EQ(a.pilots[i].callsign, b.pilots[i].callsign);
    ASSERT_EQ(a.pilots[i].army, b.pilots[i].army);
  }
}

TEST(Population, MixesHumansArmiesAndNames) {
  const Population p = MakePopulation(5000, 0, 3);
  std::set<std::string> names;
  std::map<int, int> armies;
  int humans = 0, cyrillic = 0;
  for (const Pilot& pilot : p.pilots) {
    names.insert(pilot.callsign);
    ASSERT_LE(pilot.callsign.size(), 50u);
    if (pilot.human) {
      ++humans;
      ++armies[pilot.army];
      cyrillic += HasCyrillic(pilot.callsign);
    }
  }
  EXPECT_EQ(names.size(), p.pilots.size()) << "callsigns must be unique";
  EXPECT_NEAR(humans / 5000.0, 0.85, 0.03);
  EXPECT_GT(armies[1], humans / 3);
  EXPECT_GT(armies[2], humans / 3);
  EXPECT_GT(armies[0], 0);
  EXPECT_GT(armies[3], 0);
  EXPECT_NEAR(static_cast<double>(cyrillic) / humans, 0.4, 0.05);
  EXPECT_TRUE(p.schedule.empty());
}

TEST(Population, EverySortieHasAPilotEvenInTinyPopulations) {
  for (uint32_t pilots : {1u, 2u, 7u, 400u}) {
    const Population p = MakePopulation(pilots, 1000, pilots);
    ASSERT_EQ(p.schedule.size(), 1000u);
    for (uint32_t index : p.schedule) ASSERT_LT(index, pilots);
  }
  EXPECT_TRUE(MakePopulation(0, 0, 1).pilots.empty());
}

TEST(SortieRows, TimesIdsAndPilotsHangTogether) {
  Population population = MakePopulation(200, 20000, 5);
  const std::vector<test::Row> rows = Sorties(population, 5);
  ASSERT_EQ(rows.size(), 20000u);
  std::map<int64_t, std::string> busy_until;  // pilot -> end of his last closed sortie
  std::string previous_start;
  for (size_t i = 0; i < rows.size(); ++i) {
    const test::Row& r = rows[i];
    ASSERT_EQ(r.size(), 27u);
    ASSERT_EQ(AsInt(r[kId]), static_cast<int64_t>(i + 1));
    ASSERT_EQ(AsInt(r[kPilot]), population.schedule[i] + 1);
    const std::string& start = AsText(r[kStart]);
    ASSERT_GE(start, previous_start) << "sortie " << i + 1;
    previous_start = start;
    ASSERT_GE(start, busy_until[AsInt(r[kPilot])]) << "pilot flies twice at once, sortie " << i + 1;
    if (!IsNull(r[kEnd])) {
      const std::string& end = AsText(r[kEnd]);
      ASSERT_GT(end, start);
      busy_until[AsInt(r[kPilot])] = end;
    }
  }
}

TEST(SortieRows, DurationsEndsAndKillsCoverTheRange) {
  Population population = MakePopulation(500, 60000, 9);
  const std::vector<test::Row> rows = Sorties(population, 9);
  std::map<std::string, int> ends;
  int null_ends = 0, open_ended = 0, padded = 0, short_ones = 0, long_ones = 0;
  int with_air = 0, with_ship = 0, friendly = 0, wounded = 0;
  int64_t min_duration = INT64_MAX, max_duration = 0;
  std::set<int64_t> sessions, armies;
  for (const test::Row& r : rows) {
    if (IsNull(r[kSortieEnd])) {
      ++null_ends;
    } else {
      const std::string& end = AsText(r[kSortieEnd]);
      padded += !end.empty() && (end.front() == ' ' || end.back() == ' ');
      ++ends[end.empty() ? end : end.substr(end.find_first_not_of(' '),
                                            end.find_last_not_of(' ') - end.find_first_not_of(' ') + 1)];
    }
    if (IsNull(r[kEnd])) {
      ++open_ended;
    } else {
      // Durations from the texts: both are in the same or adjacent days.
      int y1, mo1, d1, h1, mi1, s1, y2, mo2, d2, h2, mi2, s2;
      std::sscanf(AsText(r[kStart]).c_str(), "%d-%d-%d %d:%d:%d", &y1, &mo1, &d1, &h1, &mi1, &s1);
      std::sscanf(AsText(r[kEnd]).c_str(), "%d-%d-%d %d:%d:%d", &y2, &mo2, &d2, &h2, &mi2, &s2);
      const int64_t duration = SecondsFromCivil(y2, mo2, d2, h2, mi2, s2) -
                               SecondsFromCivil(y1, mo1, d1, h1, mi1, s1);
      min_duration = std::min(min_duration, duration);
      max_duration = std::max(max_duration, duration);
      short_ones += duration < 15 * 60;
      long_ones += duration > 90 * 60;
    }
    ASSERT_LE(AsInt(r[kEBom]), AsInt(r[kEAir]));
    with_air += AsInt(r[kEAir]) > 0;
    with_ship += AsInt(r[kEShip]) > 0;
    for (int k = kFAir; k <= kFShip; ++k) friendly += AsInt(r[k]) > 0;
    wounded += AsInt(r[kWound]) > 0;
    sessions.insert(AsInt(r[kSession]));
    armies.insert(AsInt(r[kArmy]));
  }
  const double n = static_cast<double>(rows.size());
  for (const char* code : {"TKON", "CRASHED", "BAIL", "MIA", "DIED", "CAPTURED", "LANDED", "DITCHED", ""}) {
    EXPECT_GT(ends[code], 0) << "end status '" << code << "'";
  }
  EXPECT_EQ(ends.size(), 9u);
  EXPECT_GT(ends["TKON"], n / 2);
  EXPECT_GT(null_ends, 0);
  EXPECT_GT(padded, 0);
  EXPECT_GT(open_ended, 0);
  EXPECT_LT(open_ended, n / 100);
  EXPECT_GE(min_duration, 60);
  EXPECT_LE(max_duration, 3 * 3600);
  EXPECT_GT(short_ones, n / 20);
  EXPECT_GT(long_ones, n / 50);
  EXPECT_GT(with_air, n / 10);
  EXPECT_LT(with_air, n / 2);
  EXPECT_GT(with_ship, 0);
  EXPECT_GT(friendly, 0);
  EXPECT_LT(friendly, n / 20);
  EXPECT_GT(wounded, n / 50);
  EXPECT_GT(sessions.size(), 10u);
  EXPECT_TRUE(armies.count(1) && armies.count(2));
}

TEST(SortieRows, DeathsFallThroughoutCareers) {
  Population population = MakePopulation(300, 40000, 21);
  const std::vector<test::Row> rows = Sorties(population, 21);
  std::map<int64_t, std::vector<bool>> careers;  // pilot -> died in each sortie
  for (const test::Row& r : rows) {
    const bool died = !IsNull(r[kSortieEnd]) && AsText(r[kSortieEnd]).find("DIED") != std::string::npos;
    careers[AsInt(r[kPilot])].push_back(died);
  }
  int deaths_early = 0, deaths_late = 0, long_lives = 0;
  for (const auto& [pilot, career] : careers) {
    int life = 0;
    for (size_t i = 0; i < career.size(); ++i) {
      if (career[i]) {
        (i < career.size() / 2 ? deaths_early : deaths_late) += 1;
        life = 0;
      } else if (++life == 35) {
        ++long_lives;  // long enough for the top of a usual rank scale
      }
    }
  }
  EXPECT_GT(deaths_early, 0);
  EXPECT_NEAR(static_cast<double>(deaths_early) / (deaths_early + deaths_late), 0.5, 0.1);
  EXPECT_GT(long_lives, 0);
}

TEST(PilotRows, CarryTheTotalsOfTheirSorties) {
  Population population = MakePopulation(150, 8000, 4);
  const std::vector<test::Row> sorties = Sorties(population, 4);
  std::map<int64_t, int64_t> count, score;
  for (const test::Row& r : sorties) {
    ++count[AsInt(r[kPilot])];
    score[AsInt(r[kPilot])] += AsInt(r[kScore]);
  }
  PilotRows source(population);
  RecordingWriter out;
  while (source.Next(out)) {
  }
  ASSERT_EQ(out.rows.size(), 150u);
  for (size_t i = 0; i < out.rows.size(); ++i) {
    const test::Row& r = out.rows[i];
    const int64_t id = static_cast<int64_t>(i + 1);
    ASSERT_EQ(AsInt(r[0]), id);
    EXPECT_EQ(AsText(r[1]), population.pilots[i].callsign);
    EXPECT_EQ(AsText(r[2]), population.pilots[i].human ? "Human pilot" : "AI pilot");
    EXPECT_EQ(AsInt(r[4]), score[id]);
    EXPECT_EQ(AsInt(r[5]), count[id]);
    EXPECT_EQ(IsNull(r[7]), count[id] == 0) << "lastseen of pilot " << id;
  }
}

}  // namespace
}  // namespace sky::skygen
