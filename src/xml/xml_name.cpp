#include "xml/xml_name.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <string>

#include "xml/xml_library.h"

namespace sky {

bool IsXmlName(std::string_view name) {
  const std::string text(name.substr(0, name.find('\0')));
  if (text.empty()) return false;
  if (xmlValidateName(reinterpret_cast<const xmlChar*>(text.c_str()), 0) != 0) return false;
  if (std::count(text.begin(), text.end(), ':') < 2) return true;
  InitXmlLibrary();
  const std::string trial = "<" + text + " " + text + "=\"\"/>";
  xmlDocPtr doc = xmlReadMemory(trial.data(), static_cast<int>(trial.size()), nullptr, "UTF-8",
                                XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NONET);
  if (doc == nullptr) return false;
  xmlFreeDoc(doc);
  return true;
}

}  // namespace sky
