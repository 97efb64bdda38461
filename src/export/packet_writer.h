// The data packet written straight from a query's rows, with no document in
// between.
//
// WriteDataPacket gives exactly the bytes that building the packet as an XML
// document (DomPacketText) and serialising it in Windows-1251 gives, for
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

#include "db/session.h"

namespace sky {

// Appends the packet of the query's rows, walked from its first row, to
// `out`. On an exception `out` holds a partial packet.
void WriteDataPacket(TQuery& query, std::string& out);

// The same packet built as a document and serialised (slow; the reference).
std::string DomPacketText(TQuery& query);

// Appends a text that XmlSafeText has passed as an attribute value (without
// the quotes) or a name, in Windows-1251 with the escapes of the document
// writer.
void AppendPacketText(std::string& out, std::string_view safe_utf8);

// Throws TXmlError naming the column when it cannot be an attribute name
// (IsXmlName is false: count(*) without an alias, say).
void RequireXmlName(const std::string& name);

}  // namespace sky
