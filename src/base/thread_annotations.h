// Lock annotations that Clang's thread-safety analysis checks
// (-Wthread-safety). Under any other compiler they expand to nothing.
//
// A member that a mutex guards is declared SKY_GUARDED_BY(mutex_); a private
// helper that expects the caller to hold it is declared SKY_REQUIRES(mutex_).
// The lock types that carry these annotations are in base/mutex.h.
#pragma once

#if defined(__clang__)
#define SKY_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define SKY_THREAD_ANNOTATION(x)
#endif

#define SKY_CAPABILITY(name) SKY_THREAD_ANNOTATION(capability(name))
#define SKY_SCOPED_CAPABILITY SKY_THREAD_ANNOTATION(scoped_lockable)
#define SKY_GUARDED_BY(mutex) SKY_THREAD_ANNOTATION(guarded_by(mutex))
#define SKY_PT_GUARDED_BY(mutex) SKY_THREAD_ANNOTATION(pt_guarded_by(mutex))
#define SKY_REQUIRES(...) SKY_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define SKY_EXCLUDES(...) SKY_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define SKY_ACQUIRE(...) SKY_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define SKY_RELEASE(...) SKY_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define SKY_TRY_ACQUIRE(...) SKY_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
#define SKY_ASSERT_CAPABILITY(x) SKY_THREAD_ANNOTATION(assert_capability(x))
#define SKY_RETURN_CAPABILITY(x) SKY_THREAD_ANNOTATION(lock_returned(x))
#define SKY_NO_THREAD_SAFETY_ANALYSIS SKY_THREAD_ANNOTATION(no_thread_safety_analysis)
