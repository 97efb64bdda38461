// The command line of skygen.
//
// Contract: ParseCommandLine accepts "--name value" and "--name=value" for
// every valued option and the bare switches listed in kUsage; it raises
// UsageError with a one-line reason for anything else (unknown option,
// missing or malformed value, number out of range, no --database).
#pragma once

#include <stdexcept>

#include "generator.h"

namespace sky::skygen {

inline constexpr char kUsage[] =
    "usage: skygen --database NAME [--host HOST] [--port PORT] [--user USER]\n"
    "              [--password PASS] [--socket PATH] [--drop] [--pilots N]\n"
    "              [--sorties M] [--seed S] [--no-index] [--with-rank-columns]\n"
    "              [--insert] [--quiet]\n"
    "Creates the database when missing (--drop recreates it) and fills the\n"
    "tables pilots and sorties with N pilots and M sorties made from seed S\n"
    "(defaults 1000, 100000, 1). --insert loads with INSERT statements instead\n"
    "of LOAD DATA LOCAL INFILE.\n";

struct CommandLine {
  GeneratorOptions options;
  bool quiet = false;
  bool help = false;
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

}  // namespace sky::skygen
