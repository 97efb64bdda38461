#include "support/program_home.h"

#include <filesystem>
#include <system_error>

#include "base/encoding.h"
#include "base/log.h"
#include "base/paths.h"
#include "base/text.h"
#include "settings/settings_store.h"
#include "support/text_shape.h"

namespace sky::test {

namespace {

bool DeclaresWindows1251(const std::string& xml) {
  const std::string head = AsciiLower(xml.substr(0, xml.find("?>")));
  return head.rfind("<?xml", 0) == 0 && head.find("windows-1251") != std::string::npos;
}

}  // namespace

ProgramHome::ProgramHome() {
  SetProgramLocation(dir_.File("skyranks"));
  ResetSettingsStoreForTesting();
}

ProgramHome::~ProgramHome() {
  ResetSettingsStoreForTesting();
  SetProgramLocation(RunningExecutablePath());
}

std::string ProgramHome::SettingsFile() const { return SettingsFileName(); }
std::string ProgramHome::LogFile() const { return LogFileName(); }

void ProgramHome::WriteSettings(const std::string& xml_utf8) const {
  WriteFileBytes(SettingsFile(), DeclaresWindows1251(xml_utf8) ? Utf8ToCp1251(xml_utf8) : xml_utf8);
  ReloadSettings();
}

void ProgramHome::WriteSettings(const SettingsDocument& document) const {
  WriteFileBytes(SettingsFile(), document.Bytes());
  ReloadSettings();
}

std::vector<std::string> ProgramHome::LogLines() const {
  std::vector<std::string> lines;
  std::error_code error;
  if (!std::filesystem::exists(LogFile(), error)) return lines;
  const std::string text = Cp1251ToUtf8(ReadFileBytes(LogFile()));
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find("\r\n", begin);
    if (end == std::string::npos) end = text.size();
    const std::string_view line = std::string_view(text).substr(begin, end - begin);
    const bool stamped = HasShape(line.substr(0, kLogStampShape.size()), kLogStampShape);
    lines.push_back(stamped ? "TS\t" + std::string(line.substr(kLogStampShape.size())) : std::string(line));
    begin = end + 2;
  }
  return lines;
}

void ProgramHome::ClearLog() const {
  std::error_code ignored;
  std::filesystem::remove(LogFile(), ignored);
}

void ProgramHome::SetLogLevel(int level) const {
  TSettings settings = *CurrentSettings();
  settings.LogLevel = level;
  PublishSettings(std::move(settings));
}

}  // namespace sky::test
