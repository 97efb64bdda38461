// The building blocks of the read-only views: answer heads for XML
// documents, files and the banner, file and banner answers, XML answers, the
// pilot history under the service lock, and the parameter helpers they share.
//
// Every Send* writes a complete answer or raises TConnectionClosed; the
// views in views.h catch what the operation they implement must catch.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "web/connection.h"
#include "web/service_control.h"

namespace sky {

// Heads, each line followed by CR LF, the empty line included.
void WriteXMLHead(TConnection& connection);                      // XML documents
void WriteFileHead(TConnection& connection, std::size_t size);   // static files
void WriteBannerHead(TConnection& connection, std::size_t size); // the banner image

// The XML head, the document's bytes, then the connection is ended.
void SendXMLStream(TConnection& connection, std::string_view document);
// The file head and the file's bytes; nothing when the file cannot be read.
void SendFile(TConnection& connection, const std::string& path);
// The banner head and the built-in GIF; errors are logged at level 0.
void SendBanner(TConnection& connection);
// The built-in GIF image.
std::string_view BannerImage();

// True when a requested file name stays inside the program directory: not
// absolute, no ".." component, no backslash and no control character.
bool IsContainedFileName(std::string_view name);

// Runs `sql` on the database of the list's srvid entry and sends the data
// packet, with an xml-stylesheet instruction when `stylesheet` is not empty.
// Writes nothing when the database is unreachable or the statement fails.
void ServAnyDataSet(TConnection& connection, const std::string& sql,
                    const std::vector<std::string>& params, const std::string& stylesheet);

// The history document of one pilot, built while the schedule is held.
void ShowPilotHistory(TServiceControl& service, TConnection& connection, int32_t pilot_id,
                      const std::string& srvid);

// The value of the first "name=value" line whose name equals `name` without
// case; nullopt when no line has that name.
std::optional<std::string> ListValue(const std::vector<std::string>& list, std::string_view name);
// A decimal text as a 32-bit number; nullopt when it is no number or too large.
std::optional<int32_t> ToInt32(std::string_view text);

}  // namespace sky
