#include "export/packet_text.h"

#include <libxml/tree.h>

namespace sky {

std::string PacketText(const XmlDocument& doc) {
  xmlChar* memory = nullptr;
  int size = 0;
  xmlDocDumpFormatMemoryEnc(doc.raw(), &memory, &size, "windows-1251", 0);
  if (memory == nullptr) throw XmlError("cannot serialise the data packet in windows-1251");
  std::string text(reinterpret_cast<const char*>(memory), static_cast<std::size_t>(size));
  xmlFree(memory);
  return text;
}

}  // namespace sky
