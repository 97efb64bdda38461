// skygen: fills a statistics database with generated pilots and sorties for
// tests, demonstrations and benchmarks. See kUsage in options.h.
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include "base/progress_bar.h"
#include "generator.h"
#include "options.h"

int main(int argc, char** argv) {
  using namespace sky::skygen;
  CommandLine line;
  try {
    line = ParseCommandLine(argc, argv);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "skygen: %s\n%s", e.what(), kUsage);
    return 2;
  }
  if (line.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  // A bar per table on a terminal (not with --quiet); elsewhere the output stays as it is.
  std::unique_ptr<sky::TProgressBar> bar;
  std::string bar_table;
  if (!line.quiet) line.options.progress = [&](std::string_view table, uint64_t made, uint64_t total) {
    if (!bar || table != bar_table) {
      bar.reset();
      bar_table = table;
      bar = std::make_unique<sky::TProgressBar>(STDERR_FILENO, bar_table, "rows");
    }
    bar->Show(static_cast<int64_t>(made), static_cast<int64_t>(total));
    if (made >= total) bar->Finish(static_cast<int64_t>(made), static_cast<int64_t>(total));
  };
  try {
    const GeneratorResult result = Generate(line.options);
    bar.reset();
    if (!line.quiet) {
      std::printf("skygen: %llu pilots, %llu sorties into %s (seed %llu, %s%s) in %.1f s\n",
                  static_cast<unsigned long long>(result.pilots),
                  static_cast<unsigned long long>(result.sorties), line.options.database.c_str(),
                  static_cast<unsigned long long>(line.options.seed),
                  result.used_load_data ? "load data" : "insert",
                  line.options.index ? ", indexed" : ", no index", result.seconds);
    }
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "skygen: %s\n", e.what());
    return 1;
  }
}
