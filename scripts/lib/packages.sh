# Debian packages that building, testing and the demo need, installed only
# when one of them is missing. Source this file, then call ensure_packages
# (these and any named), or ensure_package_list (only the named).

# clang builds the fuzz targets, and clang-tidy checks locks and function
# sizes; libFuzzer and clang's sanitizer runtimes are in libclang-rt-dev,
# only a recommendation of clang, so named here. systemd
# brings systemd-analyze, which judges the unit --install writes; passwd
# brings useradd, which --install calls.
SKY_PACKAGES=(build-essential cmake ninja-build pkg-config libxml2-dev libpcre2-dev libmariadb-dev
              libfmt-dev libgtest-dev libxslt1-dev rapidjson-dev libsystemd-dev systemd passwd
              mariadb-server mariadb-client python3 curl libcurl4-openssl-dev
              clang clang-tidy libclang-rt-dev)

ensure_packages() {
  ensure_package_list "${SKY_PACKAGES[@]}" "$@"
}

# Only the packages named.
ensure_package_list() {
  local wanted=("$@") missing=() p
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages: ${missing[*]} (run as root, or install them first)" >&2
    return 1
  fi
  echo "installing: ${missing[*]}" >&2
  # A fresh machine must not start the packaged server on 3306: the tests
  # and the demo run their own.
  if [ ! -e /usr/sbin/policy-rc.d ]; then
    printf '#!/bin/sh\nexit 101\n' >/usr/sbin/policy-rc.d && chmod +x /usr/sbin/policy-rc.d
    SKY_REMOVE_POLICY_RC=1
  fi
  export DEBIAN_FRONTEND=noninteractive
  local status=0
  { apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; } || status=$?
  [ -n "${SKY_REMOVE_POLICY_RC:-}" ] && rm -f /usr/sbin/policy-rc.d
  return $status
}
