// The data packet written straight from a query's rows, with no document in
// between.
//
// WriteDataPacket gives exactly the bytes that building the packet as an XML
// document (DomPacketText, export/dom_packet.h) and serialising it in Windows-1251 gives, for
// every result: the same declaration and line ends, attribute values escaped
// the same way (&amp; &lt; &gt; &quot; and character references for TAB, LF
// and CR), characters that Windows-1251 cannot hold written as decimal
// character references, invalid UTF-8 and forbidden control characters
// repaired by XmlSafeText, NULL columns left out, a column name that occurs
// twice giving one attribute (the last non-NULL value, at the place of the
// first one set), and the same exception for a column name that is no XML
// name. The document route stays as the reference the direct one is held to.
#pragma once

#include <string>
#include <string_view>

#include "db/query.h"
#include "db/session.h"

namespace sky {

// Appends the packet of the query's rows, walked from its first row, to
// `out`. On an exception `out` holds a partial packet.
void WriteDataPacket(TQuery& query, std::string& out);

// Appends the packet as an answer carries it: the declaration, then for a
// non-empty `stylesheet` the line
//   <?xml-stylesheet type="text/xsl" href="<stylesheet>"?>
// then the root; byte for byte what the XML parser reads back from
// WriteDataPacket's packet, given that instruction and written again
// (PacketWithStylesheet). Written straight when every column name reads back
// as the same plain attribute and the address is printable ASCII without
// "?>"; otherwise the packet makes that round trip, in which a name with a
// colon or "xmlns" may become a namespace. On an exception `out` holds a
// partial packet.
void WriteAnswerPacket(TQuery& query, std::string& out, std::string_view stylesheet);

// Appends a text that XmlSafeText has passed as an attribute value (without
// the quotes) or a name, in Windows-1251 with the escapes of the document
// writer.
void AppendPacketText(std::string& out, std::string_view safe_utf8);

// Throws TXmlError naming the column when it cannot be an attribute name
// (IsXmlName is false: count(*) without an alias, say).
void RequireXmlName(const std::string& name);

}  // namespace sky
