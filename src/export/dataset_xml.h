// Any statement's result as an XML data packet:
//   <?xml version="1.0" encoding="windows-1251"?>
//   <DATAPACKET Version="2.0"><ROWDATA><ROW col="value" .../>...</ROWDATA></DATAPACKET>
// One ROW per result row, one attribute per non-NULL column in column order.
// Value texts: integers in decimal, floats in shortest form (15 digits),
// decimals as sent, date-times "dd.mm.yyyy hh:nn:ss" (midnight gives the date
// alone, a time column the time alone), texts unchanged.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "db/field.h"
#include "db/query.h"
#include "db/session.h"

namespace sky {

// Runs the statement with the request lines bound (RunAnyDataSet,
// export/dataset_statement.h) and writes the packet. False after the
// level-0 line "GetAnyDataSetXML".
// With an `answer_stylesheet` the packet is written as an answer carries it
// (WriteAnswerPacket, export/packet_writer.h).
bool GetAnyDataSetXML(TdmMySQL& session, const std::string& sql, std::ostream& out,
                      const std::vector<std::string>* params,
                      std::optional<std::string_view> answer_stylesheet = std::nullopt);
void SaveDataSetXML(TQuery& query, std::ostream& out,
                    std::optional<std::string_view> answer_stylesheet = std::nullopt);

}  // namespace sky
