// skygen: fills a statistics database with generated pilots and sorties for
// tests, demonstrations and benchmarks. See kUsage in options.h.
#include <cstdio>
#include <exception>

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
  try {
    const GeneratorResult result = Generate(line.options);
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
