// The configured queries: the file of a query's statement, looked up by the
// query's number.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sky {

// "//queries/query": every query element of the file.
std::string QueryElementsPath();

// The file named by the `fname` of the `queries/query` element (anywhere in
// the settings file) whose `qid` equals the number `qid`, as the file has it.
// Nullopt when `qid` is not a string of digits, the file is missing or not
// well-formed, or no query has the number.
std::optional<std::string> FindQueryFile(const std::string& file_name, std::string_view qid);

}  // namespace sky
