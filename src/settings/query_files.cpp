// The configured queries: `queries/query` elements anywhere in the settings
// file, each naming a query number and the file holding its statement.
#include "settings/query_files.h"

#include <string>

#include "base/text.h"
#include "settings/settings.h"
#include "settings/settings_nodes.h"

namespace sky {

std::string QueryElementsPath() {
  return "//" + std::string(kQueryNodes.list) + "/" + std::string(kQueryNodes.item);
}

std::optional<std::string> FindQueryFile(const std::string& file_name, std::string_view qid) {
  // A query number is digits only: nothing else could match, and only digits
  // may go into the path expression. The expression compares numbers, so
  // "007" finds qid="7".
  if (!AllDigits(qid)) return std::nullopt;
  TXmlDocument settings;
  if (!settings.LoadFile(file_name)) return std::nullopt;
  const TXmlNode fname = settings.SelectFirst(QueryElementsPath() + "[@" + std::string(kQueryNodes.number) + "=" +
                                              std::string(qid) + "]/@" + std::string(kQueryNodes.file));
  if (fname.IsNull()) return std::nullopt;
  return fname.Value();
}

}  // namespace sky
