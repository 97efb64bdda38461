# Sanitizer stages of scripts/test. Source this file, then call sanitize_asan
# or sanitize_tsan ROOT JOBS after the plain build,
# with the throwaway database already running (SKY_TEST_DB_* exported).
#
#   build-asan  everything under AddressSanitizer + UndefinedBehaviorSanitizer,
#               the whole suite through ctest (the browser test excepted)
#   build-tsan  the test programs labelled "threads" in tests/CMakeLists.txt
#               (settings and log, database sessions, HTTP, service, the
#               running program) under ThreadSanitizer, every test of them
#
# Both builds use -O1: fast enough to run, still readable stacks. Any report
# fails the stage (halt_on_error). scripts/test runs each as its own timed
# stage (asan, tsan); SKY_SKIP_SANITIZERS=1 skips them, SKY_SANITIZERS=asan or
# tsan runs only one of them.

sanitize_lib="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$sanitize_lib/generator.sh"

sanitize_configure() {  # root dir mode
  cmake -S "$1" -B "$2" $(cmake_generator_args "$2") -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
        -DCMAKE_C_FLAGS_DEBUG="-g -O1" -DSKY_SANITIZE="$3" >/dev/null
}

# Leaks inside the client library's one-time initialisation are not ours,
# nor the per-thread state of the crypto library it hashes passwords with
# (its stacks end in libcrypto, which the fast unwinder cannot walk out of).
sanitize_suppressions() {  # dir
  printf '%s\n' 'leak:mysql_server_init' 'leak:mysql_init' 'leak:libmariadb' 'leak:libcrypto' \
      'leak:libfontconfig' 'leak:libdbus' >"$1/lsan.supp"
  echo "race:libmariadb" >"$1/tsan.supp"
}

sanitize_asan() {  # root jobs
  local dir="$1/build-asan"
  sanitize_configure "$1" "$dir" address
  cmake --build "$dir" -j"$2" --target skyranks $(sanitize_test_targets "$dir")
  sanitize_suppressions "$dir"
  (cd "$dir" && CI="${CI:-true}" \
     ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1" \
     LSAN_OPTIONS="suppressions=$dir/lsan.supp" \
     UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$sanitize_lib/ubsan.supp" \
     ctest --output-on-failure -j"$2" -E '^web_views_in_browser$')
}

sanitize_tsan() {  # root jobs
  local dir="$1/build-tsan"
  sanitize_configure "$1" "$dir" thread
  cmake --build "$dir" -j"$2" --target skyranks threaded_tests
  sanitize_suppressions "$dir"
  (cd "$dir" && CI="${CI:-true}" \
     TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$dir/tsan.supp" \
     ctest --output-on-failure -j"$2" -L '^threads$')
}

# Every test program the tree defines (test_<sub>, test_skygen), asked of the
# build tool the folder was made with.
sanitize_test_targets() {  # build-dir
  if [ -f "$1/build.ninja" ]; then
    ninja -C "$1" -t targets all | sed -n 's/^\(test_[a-z_]*\): phony$/\1/p' | sort -u
  else
    cmake --build "$1" --target help | sed -n 's/^\.\.\. \(test_[a-z_]*\)$/\1/p' | sort -u
  fi
}
