// Watching what one path names, without looking the path up.
//
// A TPathWatch watches the folder of an absolute path for changes of the
// path's entry (a file created under its name, deleted, renamed away or put
// there by a rename) and every folder on the path for being moved or gone
// itself. Every change that makes the path name another file, or none, is
// one of these events, whatever file the entry named, so one non-blocking
// read of an inotify descriptor tells whether the path may name another file
// now; when nothing happened, that read is the whole cost. (The file's own
// watch would add nothing: a file kept open is never gone for its watch, and
// its renames and unlinks are changes of its folder's entries.)
//
// Events are queued when the change is made, so a change that has completed
// before Poll is called is seen by that Poll. What no watch shows (a symbolic
// link on the path pointed elsewhere, a mount, a folder above the file's that
// could not be watched) is left to the user of the watch to look up now and
// then.
//
// Arm fails, and the user has to look the path up each time, when inotify is
// not available (no kernel support, out of instances or watches), the file's
// folder cannot be watched, or it lies on a file system shared over the
// network, whose changes made on other machines raise no event here.
#pragma once

#include <string>
#include <vector>

namespace sky {

class TPathWatch {
 public:
  enum class TChange {
    kNone,    // the path names what it named
    kEntry,   // the file's entry may name another file now: look the path up
    kFolder,  // a folder on the path moved or went (or events were lost): the watch no longer follows the path
  };

  TPathWatch() = default;
  ~TPathWatch();
  TPathWatch(const TPathWatch&) = delete;
  TPathWatch& operator=(const TPathWatch&) = delete;

  // Watches the absolute `path` from now on, instead of what was watched
  // before; false, and nothing watched, when it cannot.
  bool Arm(const std::string& path);
  void Disarm();
  bool Armed() const { return !watched_.empty(); }

  // What happened on the path since the last Poll (or Arm). After kFolder the
  // watch is disarmed: arm it again once the path is opened anew.
  TChange Poll();

 private:
  int fd_ = -1;              // the inotify instance, kept for the life of the watch
  std::vector<int> watched_;  // the folders' watches from the root down; the last one is the file's folder
  std::string name_;          // the file's name in its folder
};

}  // namespace sky
