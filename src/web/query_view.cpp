#include "web/query_view.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "base/encoding.h"
#include "base/log.h"
#include "base/paths.h"
#include "settings/query_files.h"
#include "settings/server_list.h"
#include "settings/settings.h"
#include "web/data_set_answer.h"
#include "web/http_answer.h"

namespace sky {

namespace {

// A query file is Windows-1251 text like every file the service reads; one
// that starts with a UTF-8 byte order mark is taken as UTF-8.
std::optional<std::string> ReadQueryFile(const std::string& file_name) {
  std::filesystem::path path(file_name);
  if (path.is_relative()) path = std::filesystem::path(ProgramDirectory()) / path;
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  static constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
  if (bytes.starts_with(kUtf8Bom)) return bytes.substr(kUtf8Bom.size());
  return Cp1251ToUtf8(bytes);
}

// False when the query is not configured or its file cannot be read.
bool AnswerQuery(const TViewCall& call) {
  const std::vector<std::string>& params = call.request.command.params;
  const std::optional<std::string> file_name =
      FindQueryFile(SettingsFileName(), ListValue(params, "qid").value_or(""));
  if (!file_name) return false;
  WriteLog(10, "Файл с запросом =", *file_name);
  std::optional<std::string> sql = ReadQueryFile(*file_name);
  if (!sql) return false;
  ServAnyDataSet(call, *sql, params, "");
  return true;
}

}  // namespace

void ServeQuery(const TViewCall& call) {
  if (!AnswerQuery(call)) SendDefaultPage(call.connection);
}

}  // namespace sky
