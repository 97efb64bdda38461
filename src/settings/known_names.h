// The elements and attributes of a document that its reader does not know.
//
// A check hands over what the reader knows, asked by element path from the
// root ("/skyranks/schedule") and attribute name, so that the check and the
// reader take their names from one table. Each unknown element is reported
// once at its line ("unknown element <x> in <parent>"), and nothing inside
// it; each unknown attribute of a known element at the element's line.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "base/check_report.h"
#include "xml/xml_document.h"

namespace sky {

struct TKnownNames {
  std::function<bool(std::string_view path)> element;
  std::function<bool(std::string_view path, std::string_view attribute)> attribute;
};

void ReportUnknownNames(const std::string& file, TXmlNode root, const TKnownNames& known, TCheckReport& report);

}  // namespace sky
