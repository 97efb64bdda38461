#include "export/dataset_xml.h"

#include <exception>
#include <stdexcept>

#include "export/packet_writer.h"
#include "settings/log.h"

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

void SaveDataSetXML(TQuery& query, std::ostream& out, std::optional<std::string_view> answer_stylesheet) {
  if (query.Active()) {
    query.First();
  } else {
    query.Open();
  }
  // Written whole or not at all: a failure leaves the stream as it was.
  std::string packet;
  if (answer_stylesheet) {
    WriteAnswerPacket(query, packet, *answer_stylesheet);
  } else {
    WriteDataPacket(query, packet);
  }
  out.write(packet.data(), static_cast<std::streamsize>(packet.size()));
}

bool GetAnyDataSetXML(TdmMySQL& session, const std::string& sql, std::ostream& out,
                      const std::vector<std::string>* params, std::optional<std::string_view> answer_stylesheet) {
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
    SaveDataSetXML(query, out, answer_stylesheet);
    query.Close();
    return true;
  } catch (const std::exception& e) {
    WriteLog(0, "GetAnyDataSetXML", e.what());
  }
  query.Close();
  return false;
}

}  // namespace sky
