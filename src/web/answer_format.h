// The form a data view answers in: the XML document it has always sent,
// HTML made from that document with the stylesheet it names, or JSON.
//
// The request chooses with the parameter format=xml|html|json (any letter
// case; another value counts as none). Without it, a request whose Accept
// header prefers text/html to XML, as a browser's navigation does, gets
// HTML; any other request (no Accept, "*/*", a script or a site's back-end)
// gets the XML answer, byte for byte as before.
#pragma once

#include <string_view>

#include "http/http_request.h"

namespace sky {

enum class TAnswerKind { kXml, kHtml, kJson };

struct TAnswerFormat {
  TAnswerKind kind = TAnswerKind::kXml;
  // Chosen by the Accept header rather than by the parameter: the answer
  // then names Accept in its Vary header, for caches.
  bool negotiated = false;
};

TAnswerFormat ChooseAnswerFormat(const THttpRequest& request);

// Whether an Accept header's value prefers HTML: the weight it gives
// text/html or application/xhtml+xml by name is above every weight it
// gives XML (application/xml, text/xml, or a wildcard that covers them).
bool AcceptPrefersHtml(std::string_view accept);

}  // namespace sky
