// The text form of a data packet: the document in Windows-1251 with its
// declaration, and no line breaks or indentation added inside the root (a
// packet is data, not a page; every byte of it is rows).
#pragma once

#include <string>
#include <string_view>

#include "xml/xml_document.h"

namespace sky {

// Throws TXmlError when the document cannot be written in Windows-1251.
std::string PacketText(const TXmlDocument& doc);

// A packet as SaveDataSetXML writes it, parsed, given an xml-stylesheet
// instruction with data `type="text/xsl" href="<href>"` before its root (no
// instruction for an empty href) and written again with PacketText.
// Throws TXmlError when the packet is not well-formed.
std::string PacketWithStylesheet(std::string_view packet, std::string_view href);

// The same result computed on the text, without a document: the packet's
// own bytes with the instruction's line after the declaration. False, with
// the packet untouched, when the packet could come out of the parser changed
// (an attribute name with a colon or "xmlns", a character reference in a
// name, anything not in the writer's plain form) or the address needs
// converting; PacketWithStylesheet then gives the answer.
bool AddStylesheetToPacket(std::string& packet, std::string_view href);

}  // namespace sky
