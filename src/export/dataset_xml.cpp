#include "export/dataset_xml.h"

#include "db/query.h"
#include "export/dataset_statement.h"
#include "export/packet_writer.h"

namespace sky {

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
  return RunAnyDataSet(session, sql, params,
                       [&](TQuery& query) { SaveDataSetXML(query, out, answer_stylesheet); });
}

}  // namespace sky
