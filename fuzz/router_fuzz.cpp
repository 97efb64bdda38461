// A whole request, as a client could send it, through the request reader and
// router: header lines, classification, files, views, control commands.
// No database is reachable (the configured server refuses at once), so the
// views take their failure paths.
//
// Besides not crashing: an answer, when there is one, is an HTTP answer, no
// control command reaches the service unless the password was sent, and a
// request refused with an error status (ambiguous framing, a foreign host
// name or origin) runs nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <string_view>

#include "base/paths.h"
#include "fuzz_check.h"
#include "http/connection.h"
#include "http/socket_connection.h"
#include "settings/settings.h"
#include "settings/settings_document.h"
#include "settings/settings_store.h"
#include "web/form_fields.h"
#include "web/request_router.h"
#include "xml/xml_document.h"

using namespace sky;

namespace {

constexpr std::string_view kPassword = "pintowel";

// The request bytes as a connection with the server's limits reads them.
class BufferConnection : public TConnection {
 public:
  BufferConnection(std::string_view input, std::size_t max_line) : input_(input), max_line_(max_line) {}

  std::string ReadLine() override {
    if (position_ >= input_.size()) throw TConnectionClosed("end of stream");
    std::size_t end = input_.find('\n', position_);
    if (end == std::string_view::npos) throw TConnectionClosed("end of stream");
    if (end - position_ > max_line_) throw TConnectionClosed("line too long");
    std::string_view line = input_.substr(position_, end - position_);
    position_ = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return std::string(line);
  }
  std::string ReadBytes(std::size_t count) override {
    if (input_.size() - position_ < count) throw TConnectionClosed("end of stream");
    std::string bytes(input_.substr(position_, count));
    position_ += count;
    return bytes;
  }
  void Write(std::string_view bytes) override {
    if (disconnected_) throw TConnectionClosed("disconnected");
    answer_ += bytes;
  }
  void Disconnect() override { disconnected_ = true; }
  bool Connected() const override { return !disconnected_; }
  std::string LocalIp() const override { return "127.0.0.1"; }
  uint16_t LocalPort() const override { return 8080; }
  std::string PeerIp() const override { return "127.0.0.1"; }

  const std::string& Answer() const { return answer_; }

 private:
  std::string_view input_;
  std::size_t max_line_;
  std::size_t position_ = 0;
  std::string answer_;
  bool disconnected_ = false;
};

class CountingService : public TServiceControl {
 public:
  void Pause() override {}
  void Resume() override {}
  void RunExclusive(const std::function<void()>& operation) override { operation(); }
  bool StopRequested() const override { return false; }
  bool RunCalculationCycle() override {
    ++commands;
    return true;
  }
  bool ResetServer(const std::string&) override {
    ++commands;
    return true;
  }
  int commands = 0;
};

std::string Home() {
  static const std::string home = [] {
    // The same place on every run and machine: the paths show in answers and
    // log lines, and a replay must take the same branches everywhere.
    std::string pattern = "/tmp/skyranks-fuzz-router";
    std::filesystem::remove_all(pattern);
    FUZZ_CHECK(std::filesystem::create_directory(pattern));
    SetProgramLocation(pattern + "/skyranks");
    TSettings settings;
    SetDefaultSettings(settings);
    settings.Server.Host = "127.0.0.1";
    settings.Server.Port = 1;
    settings.AdminPassword = std::string(kPassword);
    settings.LogLevel = 10;
    // Every attribute written, the port included: nothing may listen there.
    TXmlDocument doc;
    BuildSettingsDocument(settings, {settings.Server}, doc);
    doc.SaveFile(SettingsFileName());
    std::ofstream(DefaultPageFileName()) << "<html>%HOST%</html>";
    std::filesystem::create_directories(pattern + "/xsl");
    std::ofstream(pattern + "/xsl/pilotlist.xsl") << "<xsl/>";
    ReloadSettings();
    std::atexit([] { std::filesystem::remove_all(ProgramDirectory()); });
    return pattern;
  }();
  return home;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int runs = 0;
  Home();
  // The log would grow without end over millions of runs.
  if (++runs % 1000 == 0) std::filesystem::remove(LogFileName());

  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const THttpLimits limits;
  BufferConnection connection(input, limits.max_line_bytes);
  CountingService service;
  TServerState state;
  TCPServerSKYExecute(TWebContext{service, state, limits}, connection);

  const std::string& answer = connection.Answer();
  if (!answer.empty()) FUZZ_CHECK(answer.rfind("HTTP/1.1 ", 0) == 0);
  if (answer.rfind("HTTP/1.1 4", 0) == 0 || answer.rfind("HTTP/1.1 5", 0) == 0) FUZZ_CHECK(service.commands == 0);
  if (service.commands > 0) FUZZ_CHECK(UrlDecode(input).find(kPassword) != std::string::npos);
  return 0;
}
