# Debian packages that building, testing and the demo need, installed only
# when one of them is missing. Source this file, then call ensure_packages.

SKY_PACKAGES=(build-essential cmake pkg-config libxml2-dev libpcre2-dev libmariadb-dev
              libfmt-dev libgtest-dev mariadb-server mariadb-client python3 curl)

ensure_packages() {
  local wanted=("${SKY_PACKAGES[@]}" "$@") missing=() p
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
