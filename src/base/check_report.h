// What a check of the program's files found, before the service is started
// on them.
//
// Each finding names a file and a line (0: the file as a whole) and is
// printed as "file:line: message". A problem is something the service would
// get wrong, skip or refuse; a warning is legal but suspicious; a note says
// what was found where nothing is wrong (a database reached). Only problems
// make a check fail.
#pragma once

#include <string>
#include <vector>

namespace sky {

enum class TFindingKind { kProblem, kWarning, kNote };

struct TFinding {
  TFindingKind kind = TFindingKind::kProblem;
  std::string file;
  long line = 0;
  std::string message;
};

class TCheckReport {
 public:
  void Problem(const std::string& file, long line, std::string message);
  void Warning(const std::string& file, long line, std::string message);
  void Note(const std::string& file, long line, std::string message);

  const std::vector<TFinding>& Findings() const { return findings_; }
  int Count(TFindingKind kind) const;
  bool HasProblems() const { return Count(TFindingKind::kProblem) > 0; }

 private:
  std::vector<TFinding> findings_;
};

// "file:line: message", "file:line: warning: message" or
// "file:line: note: message"; without a line, "file: message".
std::string FindingText(const TFinding& finding);

// The findings with those of each file in line order; the files, and the
// findings of one line, keep the order they were found in.
std::vector<TFinding> InLineOrder(const TCheckReport& report);

// InLineOrder, a finding a line, then "N problems, M warnings".
std::string ReportText(const TCheckReport& report);

}  // namespace sky
