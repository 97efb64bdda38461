#include "options.h"

#include <charconv>
#include <string>
#include <string_view>

namespace sky::skygen {
namespace {

constexpr uint64_t kMaxPilots = 2000000;
constexpr uint64_t kMaxSorties = 100000000;

uint64_t ParseNumber(std::string_view name, std::string_view text, uint64_t max) {
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > max) {
    throw UsageError(std::string(name) + " needs a whole number from 0 to " + std::to_string(max) +
                     ", not '" + std::string(text) + "'");
  }
  return value;
}

// Sets what one option names; take_value gives its value, no_value refuses one.
template <typename TakeValue, typename NoValue>
void ApplyOption(CommandLine& line, std::string_view arg, TakeValue take_value, NoValue no_value) {
  GeneratorOptions& o = line.options;
  if (arg == "--host") {
    o.server.host = take_value();
  } else if (arg == "--port") {
    o.server.port = static_cast<unsigned>(ParseNumber(arg, take_value(), 65535));
  } else if (arg == "--user") {
    o.server.user = take_value();
  } else if (arg == "--password") {
    o.server.password = take_value();
  } else if (arg == "--socket") {
    o.server.socket = take_value();
  } else if (arg == "--database") {
    o.database = take_value();
  } else if (arg == "--pilots") {
    o.pilots = static_cast<uint32_t>(ParseNumber(arg, take_value(), kMaxPilots));
  } else if (arg == "--sorties") {
    o.sorties = static_cast<uint32_t>(ParseNumber(arg, take_value(), kMaxSorties));
  } else if (arg == "--seed") {
    o.seed = ParseNumber(arg, take_value(), UINT64_MAX);
  } else if (arg == "--drop") {
    no_value();
    o.drop = true;
  } else if (arg == "--no-index") {
    no_value();
    o.index = false;
  } else if (arg == "--with-rank-columns") {
    no_value();
    o.rank_columns = true;
  } else if (arg == "--insert") {
    no_value();
    o.method = LoadMethod::kInsert;
  } else if (arg == "--quiet") {
    no_value();
    line.quiet = true;
  } else if (arg == "--help" || arg == "-h") {
    line.help = true;
  } else {
    throw UsageError("unknown option '" + std::string(arg) + "'");
  }
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  const GeneratorOptions& o = line.options;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    std::string_view value;
    bool has_value = false;
    if (const size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string_view::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      has_value = true;
    }
    auto take_value = [&]() -> std::string_view {
      if (has_value) return value;
      if (i + 1 >= argc) throw UsageError(std::string(arg) + " needs a value");
      return argv[++i];
    };
    auto no_value = [&] {
      if (has_value) throw UsageError(std::string(arg) + " takes no value");
    };

    ApplyOption(line, arg, take_value, no_value);
  }
  if (!line.help && o.database.empty()) throw UsageError("--database is required");
  if (o.sorties > 0 && o.pilots == 0) throw UsageError("sorties need at least one pilot");
  return line;
}

}  // namespace sky::skygen
