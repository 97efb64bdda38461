// The text form of a data packet: the document in Windows-1251 with its
// declaration, and no line breaks or indentation added inside the root (a
// packet is data, not a page; every byte of it is rows).
#pragma once

#include <string>

#include "xml/xml_document.h"

namespace sky {

// Throws XmlError when the document cannot be written in Windows-1251.
std::string PacketText(const XmlDocument& doc);

}  // namespace sky
