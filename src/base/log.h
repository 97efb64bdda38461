// The log file.
//
// One call, WriteLog(level, message, detail), appends one line to the log
// file when level <= the current threshold (the published settings'
// LogLevel; 0 before the settings are first read). Line format, in
// Windows-1251 bytes: "dd.mm.yyyy hh:mm:ss" TAB message TAB detail CR LF.
// Each line is written under one lock, so lines of different threads never
// interleave, and is whole in the file when WriteLog returns. The file stays
// open between lines; before each line the path is opened anew when it names
// another file or none, so the file may be moved, deleted or replaced at any
// time (log rotation) and a new log path in the settings takes effect on the
// next line. Such changes are told by a watch on the folders of the path, so
// a line costs no lookup of the path unless one happened (the path is also
// looked up once a second, for what no watch sees, such as a symbolic link's
// target or a mount; and before every line where the log's folder cannot be
// watched).
//
// WriteLog never throws: when the file cannot be written the failure is
// reported once on standard error (and again only after writing worked in
// between), and the caller goes on.
#pragma once

#include <cstdint>
#include <string_view>

namespace sky {

void WriteLog(int32_t level, std::string_view message, std::string_view detail = {}) noexcept;
// Writes the line whatever the threshold; only WriteLog calls it.
void AppendLogLine(std::string_view message, std::string_view detail) noexcept;

int32_t LogThreshold();
void SetLogThreshold(int32_t level);

// While one lives, WriteLog on the thread that made it writes nothing, at
// any level: for work that must leave the log alone (the home check) but
// calls readers that log. Other threads log as before.
class TLogSilence {
 public:
  TLogSilence();
  ~TLogSilence();
  TLogSilence(const TLogSilence&) = delete;
  TLogSilence& operator=(const TLogSilence&) = delete;

 private:
  bool was_silent_;
};

}  // namespace sky
