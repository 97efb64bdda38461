#include "export/dataset_statement.h"

#include <exception>

#include "base/log.h"
#include "db/param.h"
#include "db/query.h"

namespace sky {

namespace {

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    if (!text.empty()) text += "\n";
    text += line;
  }
  return text;
}

// Request lines are "name=value"; a line without "=" names no parameter.
void BindRequestParams(TQuery& query, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    std::size_t eq = line.find('=');
    if (eq == std::string::npos || eq == 0) continue;
    if (TParam* param = query.FindParam(line.substr(0, eq))) {
      // Always a quoted, escaped literal: a request value never becomes SQL.
      param->SetText(line.substr(eq + 1));
    }
  }
}

}  // namespace

bool RunAnyDataSet(TdmMySQL& session, const std::string& sql, const std::vector<std::string>* params,
                   const TRowsWriter& write) {
  TQuery& query = session.mySQLQuery1;
  try {
    query.Close();
    query.SetText(sql);
    WriteLog(10, "SQL = ", sql);
    WriteLog(10, "SQLQuery1.Params.Count", std::to_string(query.ParamCount()));
    if (params != nullptr && query.ParamCount() > 0) {
      WriteLog(10, "AParams", JoinLines(*params));
      BindRequestParams(query, *params);
    }
    query.Open();
    write(query);
    query.Close();
    return true;
  } catch (const std::exception& e) {
    WriteLog(0, "GetAnyDataSetXML", e.what());
  }
  query.Close();
  return false;
}

}  // namespace sky
