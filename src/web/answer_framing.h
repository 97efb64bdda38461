// Framing of the answers that are not HTML pages: the heads of XML
// documents, files and the banner, and the whole answers built on them.
//
// Every Send* writes a complete answer or raises TConnectionClosed; the
// views in views.h catch what the operation they implement must catch.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "web/connection.h"

namespace sky {

// Heads, each line followed by CR LF, the empty line included.
void WriteXMLHead(TConnection& connection);                      // XML documents
void WriteFileHead(TConnection& connection, std::size_t size);   // static files
// Pictures a browser shows only when their type is named (SVG).
void WriteImageHead(TConnection& connection, std::size_t size, std::string_view content_type);
void WriteBannerHead(TConnection& connection, std::size_t size); // the banner image

// The XML head, the document's bytes, then the connection is ended.
void SendXMLStream(TConnection& connection, std::string_view document);
// The file head and the file's bytes; nothing when the file cannot be read.
void SendFile(TConnection& connection, const std::string& path);
// The same with the image head naming `content_type`.
void SendImageFile(TConnection& connection, const std::string& path, std::string_view content_type);
// A refusal: the status line "HTTP/1.1 " + `status` ("403 Forbidden"),
// "Connection: close", the plain `text` (ASCII) with its type and length,
// any `extra_head` lines (each ending in CR LF) before the empty line; then
// the connection is ended.
void SendPlainStatus(TConnection& connection, std::string_view status, std::string_view text,
                     std::string_view extra_head = {});
// The banner head and the built-in GIF; errors are logged at level 0.
void SendBanner(TConnection& connection);
// The built-in GIF image.
std::string_view BannerImage();

}  // namespace sky
