// The program's mutex, its scoped lock and its condition variable: thin
// wrappers of the standard ones that carry the annotations Clang's
// thread-safety analysis needs (the standard library's carry none).
//
// Wait in a loop on the guarded condition rather than with a predicate
// lambda: the analysis sees the lambda as a function that holds no lock.
//
//   TMutexLock lock(mutex_);
//   while (queue_.empty()) ready_.Wait(lock);
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "base/thread_annotations.h"

namespace sky {

class SKY_CAPABILITY("mutex") TMutex {
 public:
  TMutex() = default;
  TMutex(const TMutex&) = delete;
  TMutex& operator=(const TMutex&) = delete;

  void Lock() SKY_ACQUIRE() { mutex_.lock(); }
  void Unlock() SKY_RELEASE() { mutex_.unlock(); }
  bool TryLock() SKY_TRY_ACQUIRE(true) { return mutex_.try_lock(); }

 private:
  friend class TMutexLock;
  std::mutex mutex_;
};

// Holds the mutex from construction to destruction.
class SKY_SCOPED_CAPABILITY TMutexLock {
 public:
  explicit TMutexLock(TMutex& mutex) SKY_ACQUIRE(mutex) : lock_(mutex.mutex_) {}
  ~TMutexLock() SKY_RELEASE() {}
  TMutexLock(const TMutexLock&) = delete;
  TMutexLock& operator=(const TMutexLock&) = delete;

 private:
  friend class TCondVar;
  std::unique_lock<std::mutex> lock_;
};

// A condition variable waited on under a TMutexLock. The lock is released
// while waiting and held again when a wait returns, so to the analysis the
// mutex stays held throughout.
class TCondVar {
 public:
  void Wait(TMutexLock& lock) { ready_.wait(lock.lock_); }

  // False when the time ran out before a notification.
  template <class TRep, class TPeriod>
  bool WaitFor(TMutexLock& lock, std::chrono::duration<TRep, TPeriod> time) {
    return ready_.wait_for(lock.lock_, time) == std::cv_status::no_timeout;
  }
  template <class TClock, class TDuration>
  bool WaitUntil(TMutexLock& lock, std::chrono::time_point<TClock, TDuration> deadline) {
    return ready_.wait_until(lock.lock_, deadline) == std::cv_status::no_timeout;
  }

  void NotifyOne() noexcept { ready_.notify_one(); }
  void NotifyAll() noexcept { ready_.notify_all(); }

 private:
  std::condition_variable ready_;
};

}  // namespace sky
