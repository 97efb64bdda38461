# Build-tool choice for the build folders that the scripts create. Source this
# file, then pass $(cmake_generator_args DIR) to the configuring cmake call.
#
# Ninja compiles a library's sources while the libraries below it are still
# being built; with the Makefile generator each library of the chain waits for
# the one before, which leaves one of two cores idle most of the time. A folder
# that already has a cache keeps the generator it was made with (cmake refuses
# to switch), and without ninja everything stays on make.

cmake_generator_args() {  # build-dir
  [ -f "$1/CMakeCache.txt" ] && return 0
  command -v ninja >/dev/null 2>&1 && echo "-G Ninja"
  return 0
}
