#include "engine/database_check.h"

#include <map>
#include <set>
#include <span>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "db/db_error.h"
#include "db/query.h"
#include "db/session.h"
#include "engine/alter_privilege.h"
#include "engine/pass_columns.h"
#include "engine/query_closer.h"
#include "engine/sortie_index_check.h"

namespace sky {

namespace {

// Column names of the two tables, lower case, by table name as the server has it.
using TTableColumns = std::map<std::string, std::set<std::string>, std::less<>>;

TTableColumns ReadTableColumns(TdmMySQL& session) {
  TQuery& query = session.SQLQueryService;
  TQueryCloser closer(query);
  query.Close();
  query.SetText(
      "select table_name, column_name from information_schema.columns "
      "where table_schema = database() and table_name in ('" + std::string(kPilotsTable) + "', '" +
      std::string(kSortiesTable) + "')");
  query.Open();
  TTableColumns tables;
  for (; !query.Eof(); query.Next()) {
    tables[query.FieldByName("table_name").AsString()].insert(AsciiLower(query.FieldByName("column_name").AsString()));
  }
  return tables;
}

// The names of `wanted` that `columns` lacks, joined with ", ".
std::string Lacking(const std::set<std::string>& columns, std::span<const std::string_view> wanted) {
  std::string lacking;
  for (std::string_view name : wanted) {
    if (columns.count(AsciiLower(name)) > 0) continue;
    lacking += (lacking.empty() ? "" : ", ") + std::string(name);
  }
  return lacking;
}

// Whether the account, its enabled role or every account may alter `pilots`.
bool MayAlterPilots(TdmMySQL& session, const std::string& database) {
  TQuery& query = session.SQLQueryService;
  TQueryCloser closer(query);
  query.Close();
  query.SetText("show grants");
  query.Open();
  std::vector<std::string> grants;
  for (; !query.Eof(); query.Next()) grants.push_back(query.Field(0).AsString());
  return GrantsAlterOn(grants, database, kPilotsTable);
}

void CheckResultColumns(TdmMySQL& session, const TServerEntry& entry, const std::set<std::string>& pilot_columns,
                        const std::string& file, long line, TCheckReport& report) {
  const std::string label = DatabaseLabel(entry);
  const std::string lacking = Lacking(pilot_columns, ResultColumns());
  if (lacking.empty()) return;
  if (MayAlterPilots(session, entry.Db)) {
    report.Note(file, line, label + ": " + std::string(kPilotsTable) + " lacks " + lacking +
                                ": the first pass adds them (the account may alter the table)");
  } else {
    report.Problem(file, line, label + ": " + std::string(kPilotsTable) + " lacks " + lacking +
                                   " and the account may not add them (no ALTER privilege on " +
                                   std::string(kPilotsTable) + ")");
  }
}

}  // namespace

std::string DatabaseLabel(const TServerEntry& entry) {
  return "database " + entry.Id + " (" + (entry.Host.empty() ? "localhost" : entry.Host) + ":" +
         std::to_string(entry.Port) + "/" + entry.Db + ")";
}

void CheckDatabase(const TServerEntry& entry, const std::string& file, long line, TCheckReport& report) {
  const std::string label = DatabaseLabel(entry);
  TdmMySQL session;
  try {
    OpenDatabase(session, entry);
  } catch (const TDbError& e) {
    report.Problem(file, line, label + ": not reached: " + e.what());
    return;
  }
  report.Note(file, line, label + ": reached");
  try {
    const TTableColumns tables = ReadTableColumns(session);
    const std::pair<std::string_view, std::span<const std::string_view>> wanted[] = {
        {kPilotsTable, PilotColumnsRead()}, {kSortiesTable, SortieColumnsRead()}};
    for (const auto& [table, columns] : wanted) {
      const auto found = tables.find(table);
      if (found == tables.end()) {
        report.Problem(file, line, label + ": the table " + std::string(table) + " is missing");
        continue;
      }
      if (const std::string lacking = Lacking(found->second, columns); !lacking.empty()) {
        report.Problem(file, line,
                       label + ": the table " + std::string(table) + " lacks columns the pass reads: " + lacking);
      }
      if (table == kPilotsTable) CheckResultColumns(session, entry, found->second, file, line, report);
    }
    if (tables.count(kSortiesTable) > 0 && SortiesHavePilotIndex(session) == false) {
      report.Warning(file, line, label + ": no index of " + std::string(kSortiesTable) +
                                     " starts with pilotid, so every pilot's walk reads the whole table; create "
                                     "one with: " + kCreateSortiesPilotIndex);
    }
  } catch (const std::exception& e) {
    report.Problem(file, line, label + ": " + e.what());
  }
}

}  // namespace sky
