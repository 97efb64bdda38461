// Implements part of settings/settings.h (the server list).
// The configured databases: the `mysql` elements of the settings file.
#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

#include "settings/settings.h"
#include "xml/encoding.h"

namespace sky {

namespace {

constexpr std::size_t kHostLimit = 30;
constexpr std::size_t kUserLimit = 100;
constexpr std::size_t kPassLimit = 100;
constexpr std::size_t kDbLimit = 50;
constexpr std::size_t kIdLimit = 10;

constexpr uint16_t kDefaultPort = 3306;
constexpr const char* kDefaultCharset = "utf8mb4";

// The settings file parsed, or false when it is missing or not well-formed.
bool LoadServerFile(const std::string& file_name, TXmlDocument& doc) {
  std::error_code error;
  if (!std::filesystem::exists(file_name, error)) return false;
  return doc.LoadFile(file_name);
}

// The optional `port` attribute: absent or empty means the server's usual
// port; a number is taken modulo 65536 like the admin port.
uint16_t PortFrom(const std::string& text) {
  if (TrimText(text).empty()) return kDefaultPort;
  try {
    const double value = TextToFloat(text);
    if (!(std::fabs(value) < 9.2e18)) return kDefaultPort;
    return static_cast<uint16_t>(static_cast<int64_t>(value));
  } catch (const std::invalid_argument&) {
    return kDefaultPort;  // the conversion has written its line
  }
}

std::string CharsetFrom(const std::string& text) {
  std::string charset = TrimText(text);
  return charset.empty() ? kDefaultCharset : charset;
}

// Active unless the attribute holds something whose first character is not 1.
bool ActiveFrom(const std::string& text) { return text.empty() || text.front() == '1'; }

}  // namespace

void ClearServerList(TServerList& list) { list.clear(); }

bool ReadServerList(const std::string& file_name, TServerList& list) {
  ClearServerList(list);
  TXmlDocument doc;
  if (!LoadServerFile(file_name, doc)) return false;
  const std::size_t count = doc.SelectAll("/skyranks/mysql").size();
  for (std::size_t i = 0; i < count; ++i) {
    const std::string prefix = "/skyranks/mysql[" + std::to_string(i) + "]/@";
    const auto value = [&](const char* attribute) { return ReadNodeValue(doc, prefix + attribute); };
    TServerEntry entry;
    entry.Host = Utf8Prefix(value("host"), kHostLimit);
    entry.User = Utf8Prefix(value("user"), kUserLimit);
    entry.Pass = Utf8Prefix(value("pass"), kPassLimit);
    entry.Db = Utf8Prefix(value("db"), kDbLimit);
    entry.Active = ActiveFrom(value("active"));
    entry.Id = Utf8Prefix(value("id"), kIdLimit);
    if (entry.Id.empty()) entry.Id = "1";
    entry.Port = PortFrom(value("port"));
    entry.Charset = CharsetFrom(value("charset"));
    list.push_back(std::move(entry));
  }
  return !list.empty();
}

bool FindServerById(const std::string& file_name, std::string_view id, TServerEntry& entry) {
  TXmlDocument doc;
  if (!LoadServerFile(file_name, doc)) return false;
  // The id is compared as a value, never pasted into a path expression, so
  // any text (quotes included) is safe. No match falls back to the first entry.
  const std::vector<TXmlNode> servers = doc.SelectAll("/skyranks/mysql");
  if (servers.empty()) return false;
  TXmlNode found = servers.front();
  for (const TXmlNode& server : servers) {
    if (server.Attribute("id") == id) {
      found = server;
      break;
    }
  }
  entry.Host = Utf8Prefix(ReadAttrText(found, "host"), kHostLimit);
  entry.User = Utf8Prefix(ReadAttrText(found, "user"), kUserLimit);
  entry.Pass = Utf8Prefix(ReadAttrText(found, "pass"), kPassLimit);
  entry.Db = Utf8Prefix(ReadAttrText(found, "db"), kDbLimit);
  entry.Port = PortFrom(ReadAttrText(found, "port"));
  entry.Charset = CharsetFrom(ReadAttrText(found, "charset"));
  return true;
}

}  // namespace sky
