// Which names a document may give its elements and attributes.
//
// An XML name is written as it stands, so it must be one that the parser
// reads back as the same name: libxml2 refuses some names that the XML
// grammar allows (a second colon followed by anything that cannot start a
// name, as in "a:b:1"), and a document holding one would be written broken.
#pragma once

#include <string_view>

namespace sky {

// True when `name`, up to its first NUL byte (where libxml2 ends it), is an
// XML name that loads again as an element's or an attribute's name. Cheap for names with at most one colon; a name with more
// is tried on the parser.
bool IsXmlName(std::string_view name);

}  // namespace sky
