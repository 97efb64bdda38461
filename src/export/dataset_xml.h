// Any statement's result as an XML data packet:
//   <?xml version="1.0" encoding="windows-1251"?>
//   <DATAPACKET Version="2.0"><ROWDATA><ROW col="value" .../>...</ROWDATA></DATAPACKET>
// One ROW per result row, one attribute per non-NULL column in column order.
// Value texts: integers in decimal, floats in shortest form (15 digits),
// decimals as sent, date-times "dd.mm.yyyy hh:nn:ss" (midnight gives the date
// alone, a time column the time alone), texts unchanged.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "db/session.h"
#include "xml/xml_document.h"

namespace sky {

// Binds the request lines ("name=value"; names without case) to the
// statement's parameters as text literals, runs it on session.mySQLQuery1 and
// writes the packet. False after the level-0 line "GetAnyDataSetXML".
bool GetAnyDataSetXML(TdmMySQL& session, const std::string& sql, std::ostream& out,
                      const std::vector<std::string>* params);
void SaveDataSetXML(TQuery& query, std::ostream& out);
void AddRowAttributes(TXmlNode row, const TQuery& query);

// The text of the current row's value of one column (the table above).
std::string FieldValueText(const TField& field);

}  // namespace sky
