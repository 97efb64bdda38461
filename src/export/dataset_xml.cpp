#include "export/dataset_xml.h"

#include <exception>
#include <stdexcept>

#include "export/packet_text.h"
#include "export/packet_writer.h"
#include "export/value_text.h"
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

void AddRowAttributes(TXmlNode row, const TQuery& query) {
  const int count = query.FieldCount();
  for (int i = 0; i < count; ++i) {
    TField field = query.Field(i);
    RequireXmlName(field.Name());
    if (field.IsNull()) continue;
    row.SetAttribute(field.Name(), XmlSafeText(FieldValueText(field)));
  }
}

std::string DomPacketText(TQuery& query) {
  TXmlDocument doc;
  TXmlNode root = doc.CreateRoot("DATAPACKET");
  root.SetAttribute("Version", "2.0");
  TXmlNode rows = root.AppendElement("ROWDATA");
  for (query.First(); !query.Eof(); query.Next()) {
    AddRowAttributes(rows.AppendElement("ROW"), query);
  }
  return PacketText(doc);
}

void SaveDataSetXML(TQuery& query, std::ostream& out) {
  if (query.Active()) {
    query.First();
  } else {
    query.Open();
  }
  // Written whole or not at all: a failure leaves the stream as it was.
  std::string packet;
  WriteDataPacket(query, packet);
  out.write(packet.data(), static_cast<std::streamsize>(packet.size()));
}

bool GetAnyDataSetXML(TdmMySQL& session, const std::string& sql, std::ostream& out,
                      const std::vector<std::string>* params) {
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
    SaveDataSetXML(query, out);
    query.Close();
    return true;
  } catch (const std::exception& e) {
    WriteLog(0, "GetAnyDataSetXML", e.what());
  }
  query.Close();
  return false;
}

}  // namespace sky
