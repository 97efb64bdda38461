// A data view's answer in the format the request chose (web/answer_format.h).
//
// XML: the document as it is, with the XML head; then the connection is ended.
// HTML: the document transformed on the server (the server's caches keep
// compiled stylesheets and made pages) with the stylesheet its
// xml-stylesheet instruction names (a file of the program folder; "./" and
// a leading "/" are taken as the folder), or with xsl/table.xsl when it
// names none; the answer is text/html in the encoding the stylesheet's
// output declares. A stylesheet that is missing, does not compile or fails
// gives one level-0 line and the XML answer, so the pilot still sees the data.
// JSON: application/json in UTF-8.
//
// HTML and JSON answers carry a Content-Length, "Vary: Accept" when the
// format was negotiated, and "Access-Control-Allow-Origin" when the
// settings name an origin (admin/@cors: "*" or one origin, printable ASCII
// without blanks; anything else is ignored).
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "web/view_call.h"

namespace sky {

// The stylesheet a document is rendered with when it names none.
inline constexpr char kTableStylesheet[] = "xsl/table.xsl";

void SendViewDocument(const TViewCall& call, std::string_view document);
void SendJsonAnswer(const TViewCall& call, std::string_view json);

// The JSON when the request chose JSON, else the document as SendViewDocument
// sends it; only the one chosen is made.
void SendViewAnswer(const TViewCall& call, const std::function<std::string()>& json,
                    const std::function<std::string()>& document);

// The href of the document's xml-stylesheet instruction, if its prolog has one.
std::string StylesheetHref(std::string_view document);

}  // namespace sky
