#include "base/check_report.h"

#include <algorithm>
#include <utility>

namespace sky {

void TCheckReport::Problem(const std::string& file, long line, std::string message) {
  findings_.push_back({TFindingKind::kProblem, file, line, std::move(message)});
}

void TCheckReport::Warning(const std::string& file, long line, std::string message) {
  findings_.push_back({TFindingKind::kWarning, file, line, std::move(message)});
}

void TCheckReport::Note(const std::string& file, long line, std::string message) {
  findings_.push_back({TFindingKind::kNote, file, line, std::move(message)});
}

int TCheckReport::Count(TFindingKind kind) const {
  return static_cast<int>(
      std::count_if(findings_.begin(), findings_.end(), [kind](const TFinding& f) { return f.kind == kind; }));
}

std::string FindingText(const TFinding& finding) {
  std::string text = finding.file;
  if (finding.line > 0) text += ":" + std::to_string(finding.line);
  text += ": ";
  if (finding.kind == TFindingKind::kWarning) text += "warning: ";
  if (finding.kind == TFindingKind::kNote) text += "note: ";
  return text + finding.message;
}

std::vector<TFinding> InLineOrder(const TCheckReport& report) {
  std::vector<TFinding> findings = report.Findings();
  auto run = findings.begin();
  while (run != findings.end()) {
    const auto end = std::find_if(run, findings.end(), [&](const TFinding& f) { return f.file != run->file; });
    std::stable_sort(run, end, [](const TFinding& a, const TFinding& b) { return a.line < b.line; });
    run = end;
  }
  return findings;
}

std::string ReportText(const TCheckReport& report) {
  std::string text;
  for (const TFinding& finding : InLineOrder(report)) text += FindingText(finding) + "\n";
  const int problems = report.Count(TFindingKind::kProblem);
  const int warnings = report.Count(TFindingKind::kWarning);
  text += std::to_string(problems) + (problems == 1 ? " problem, " : " problems, ") + std::to_string(warnings) +
          (warnings == 1 ? " warning\n" : " warnings\n");
  return text;
}

}  // namespace sky
