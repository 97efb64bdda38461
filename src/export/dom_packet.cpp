#include "export/dom_packet.h"

#include "db/field.h"
#include "db/query.h"
#include "export/dataset_xml.h"
#include "export/field_text.h"
#include "export/packet_writer.h"
#include "export/value_text.h"
#include "xml/xml_document.h"

namespace sky {

namespace {

void AddRowAttributes(TXmlNode row, const TQuery& query) {
  const int count = query.FieldCount();
  for (int i = 0; i < count; ++i) {
    TField field = query.Field(i);
    RequireXmlName(field.Name());
    if (field.IsNull()) continue;
    row.SetAttribute(field.Name(), XmlSafeText(FieldValueText(field)));
  }
}

}  // namespace

std::string DomPacketText(TQuery& query) {
  TXmlDocument doc;
  TXmlNode root = doc.CreateRoot("DATAPACKET");
  root.SetAttribute("Version", "2.0");
  TXmlNode rows = root.AppendElement("ROWDATA");
  for (query.First(); !query.Eof(); query.Next()) {
    AddRowAttributes(rows.AppendElement("ROW"), query);
  }
  // A packet is data, not a page: no line breaks or indentation inside.
  return doc.ToCompactText();
}

std::string DomPacketText(TQuery& query, std::string_view stylesheet) {
  return PacketWithStylesheet(DomPacketText(query), stylesheet);
}

std::string PacketWithStylesheet(std::string_view packet, std::string_view href) {
  TXmlDocument doc;
  if (!doc.LoadText(packet)) throw TXmlError("the data packet is not well-formed XML");
  if (!href.empty()) {
    TXmlNode datapacket = doc.SelectFirst("//DATAPACKET");
    if (datapacket.IsNull()) throw TXmlError("the data packet has no DATAPACKET element");
    datapacket.InsertBefore(
        doc.CreateProcessingInstruction("xml-stylesheet", "type=\"text/xsl\" href=\"" + std::string(href) + "\""));
  }
  return doc.ToCompactText();
}

}  // namespace sky
