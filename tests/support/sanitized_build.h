// Whether this test program is a sanitizer build. Such builds keep freed
// memory in quarantine, map shadow memory and run many times slower, so
// tests of the program's memory or speed allow for them.
#pragma once

namespace sky::test {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
#else
inline constexpr bool kSanitized = false;
#endif

}  // namespace sky::test
