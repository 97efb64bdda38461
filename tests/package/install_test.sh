#!/usr/bin/env bash
# The Debian package on this machine: lintian, installation with apt, the
# program, the unit, the user, the modes and the layout, an upgrade that
# keeps the administrator's files, removal, and a purge that leaves nothing.
#   tests/package/install_test.sh PACKAGE.deb README.md     as root
# A package left by an earlier run is purged first; a service folder or user
# that no package made is not touched (the test stops instead). With systemd
# running (and no policy-rc.d in the way), the service is also started,
# restarted by the upgrade and stopped by the removal.
set -euo pipefail
deb="$(realpath "$1")"
readme="$2"
home=/var/lib/skyranks
unit=/lib/systemd/system/skyranks.service
wants=/etc/systemd/system/multi-user.target.wants/skyranks.service
export DEBIAN_FRONTEND=noninteractive

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() {  # description command...
  local what="$1"; shift
  "$@" >/dev/null 2>&1 || fail "$what"
}
owner_mode() { stat -c '%U:%G %a' "$1" 2>/dev/null; }
# Services run only under systemd, and only where no policy-rc.d forbids it.
has_systemd() { [ -d /run/systemd/system ] && [ ! -x /usr/sbin/policy-rc.d ]; }
main_pid() { systemctl show -p MainPID --value skyranks.service; }
package_state() { dpkg-query -W -f='${db:Status-Abbrev}' skyranks 2>/dev/null | tr -d ' ' || true; }
apt_quiet() { apt-get -y -qq -o Dpkg::Use-Pty=0 "$@" >/dev/null; }

[ "$(id -u)" -eq 0 ] || { echo "install_test.sh: needs root" >&2; exit 1; }
case "$(package_state)" in
  ""|un|pn) if [ -e "$home" ] || getent passwd skyranks >/dev/null; then
              echo "install_test.sh: $home or the user skyranks exists without the package; not touching it" >&2
              exit 1
            fi ;;
  *) echo "purging the skyranks package an earlier run left" >&2
     apt_quiet purge skyranks ;;
esac

# lintian: no errors, and every warning is one the README explains.
command -v lintian >/dev/null || fail "lintian is not installed"
lintian_out="$(lintian "$deb" 2>&1 | grep -E '^[EW]: ' || true)"
[ -z "$lintian_out" ] || echo "$lintian_out" >&2
grep -q '^E: ' <<<"$lintian_out" && fail "lintian reports errors"
for tag in $(sed -n 's/^W: [^ ]* \([a-z0-9-]*\).*/\1/p' <<<"$lintian_out" | sort -u); do
  grep -q "\`$tag\`" "$readme" || fail "lintian warns $tag, which the README does not explain"
done

# Installation: the program, the site files, the unit enabled but not started.
apt_quiet install "$deb"
version="$(dpkg-deb -f "$deb" Version)"
[ "$(skyranks --version | head -n1)" = "skyranks (ver $version)" ] || fail "--version: $(skyranks --version | head -n1)"
for f in /usr/share/skyranks/{skyranks.htm,awards.xml,xsl/history.xsl,queries/queries.xml,img/ranks/1.svg}; do
  check "$f shipped" test -f "$f"
done
[ "$(owner_mode /usr/sbin/skyranks)" = "root:root 755" ] || fail "/usr/sbin/skyranks: $(owner_mode /usr/sbin/skyranks)"
check "the unit is the one --install writes" cmp "$unit" <(skyranks --print-unit --home "$home")
grep -qx "ExecStart=/usr/sbin/skyranks --home $home" "$unit" || fail "ExecStart: $(grep ExecStart "$unit")"
[ "$(readlink "$wants")" = "$unit" ] || fail "the unit is not enabled: $wants -> $(readlink "$wants")"
exposure="$(systemd-analyze security --offline=true "$unit" 2>&1 |
            sed -n 's/.*Overall exposure level for skyranks.service: \([0-9.]*\).*/\1/p')"
awk -v e="${exposure:-99}" 'BEGIN { exit !(e <= 2.0) }' || fail "the sandbox's exposure is ${exposure:-unknown}"
if has_systemd; then
  check "the service is not started at installation" test "$(systemctl is-active skyranks.service)" != active
fi

# The user and the home.
IFS=: read -r _ _ uid _ _ user_home shell < <(getent passwd skyranks) || fail "no user skyranks"
[ "${uid:-0}" -gt 0 ] && [ "${uid:-1000}" -lt 1000 ] || fail "skyranks is not a system user (uid ${uid:-})"
[ "${shell:-}" = /usr/sbin/nologin ] && [ "${user_home:-}" = "$home" ] || fail "user: shell ${shell:-}, home ${user_home:-}"
check "a group skyranks" getent group skyranks
[ "$(owner_mode "$home/skyranks.xml")" = "skyranks:skyranks 600" ] || fail "settings: $(owner_mode "$home/skyranks.xml")"
for f in "" skyranks.htm awards.xml xsl xsl/history.xsl queries/queries.xml img/ranks/1.svg; do
  read -r who mode < <(owner_mode "$home/$f") || { fail "$home/$f missing"; continue; }
  [ "$who" = skyranks:skyranks ] && [ "${mode: -1}" = 0 ] || fail "$home/$f: $who $mode"
done

# The settings are the defaults, with no database reachable yet: warnings,
# no problem; the service user can read all it needs.
check "--check as root" skyranks --check --home "$home"
check "--check as the service user" runuser -u skyranks -- skyranks --check --home "$home"
skyranks --check --home "$home" | tail -n1 | grep -q '^0 problems' || fail "--check: $(skyranks --check --home "$home" | tail -n1)"

# An upgrade keeps what the administrator changed, brings back what he
# deleted, mends the settings file's mode, and restarts a running service.
echo mine >"$home/skyranks.htm"
echo '<!-- mine -->' >>"$home/skyranks.xml"
chmod 644 "$home/skyranks.xml"
rm "$home/xsl/board.xsl"
if has_systemd; then
  systemctl start skyranks.service ||
    fail "the service does not start: $(journalctl -u skyranks.service -n 20 --no-pager 2>&1)"
  before="$(main_pid)"
fi
apt_quiet install --reinstall "$deb"
[ "$(cat "$home/skyranks.htm")" = mine ] || fail "the upgrade overwrote the administrator's page"
check "the upgrade kept the settings" grep -q '<!-- mine -->' "$home/skyranks.xml"
[ "$(owner_mode "$home/skyranks.xml")" = "skyranks:skyranks 600" ] || fail "settings after the upgrade: $(owner_mode "$home/skyranks.xml")"
check "the upgrade copied the missing stylesheet back" test -f "$home/xsl/board.xsl"
if has_systemd; then
  [ "$(systemctl is-active skyranks.service)" = active ] && [ "$(main_pid)" != "$before" ] ||
    fail "the upgrade did not restart the service ($before -> $(main_pid))"
fi

# Removal stops the service and keeps the home and the user; the purge
# leaves nothing.
apt_quiet remove skyranks
if has_systemd; then
  check "the removal stopped the service" test "$(systemctl is-active skyranks.service)" != active
fi
check "the removal keeps the settings" test -f "$home/skyranks.xml"
check "the removal keeps the user" getent passwd skyranks
for f in /usr/sbin/skyranks "$unit" /usr/share/skyranks; do check "the removal took $f" test ! -e "$f"; done
apt_quiet purge skyranks
[ -z "$(package_state)" ] || [ "$(package_state)" = un ] || fail "after the purge the package is $(package_state)"
for f in "$home" "$wants" /var/lib/systemd/deb-systemd-helper-enabled/skyranks.service.dsh-also; do
  check "the purge took $f" test ! -e "$f"
done
check "the purge took the user" test -z "$(getent passwd skyranks)"
check "the purge took the group" test -z "$(getent group skyranks)"

if [ "$failures" -gt 0 ]; then
  echo "install_test.sh: $failures checks failed" >&2
  exit 1
fi
echo "the package installs, upgrades, removes and purges cleanly" >&2
