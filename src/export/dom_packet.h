// The data packet built as an XML document: the reference the direct writer
// (export/packet_writer.h) is held to byte for byte, and its way for column
// names it leaves to a document. Internal to the export library, its tests
// and its fuzz target; the rest of the program writes packets with
// WriteDataPacket and WriteAnswerPacket.
#pragma once

#include <string>
#include <string_view>

#include "db/query.h"
#include "db/session.h"

namespace sky {

// The packet of the query's rows, walked from its first row, built as a
// document and written in Windows-1251 with its declaration and no line
// breaks inside the root (slow). Throws TXmlError for a column name that is
// no XML name or that Windows-1251 cannot hold.
std::string DomPacketText(TQuery& query);

// The packet as an answer carries it: DomPacketText's packet given to
// PacketWithStylesheet.
std::string DomPacketText(TQuery& query, std::string_view stylesheet);

// A packet's text read back by the XML parser (so that a column name such as
// "xmlns" becomes what the parser makes of it), given an xml-stylesheet
// instruction with data `type="text/xsl" href="<href>"` before its root (no
// instruction for an empty href) and written again as DomPacketText writes.
// Throws TXmlError when the packet is not well-formed.
std::string PacketWithStylesheet(std::string_view packet, std::string_view href);

}  // namespace sky
