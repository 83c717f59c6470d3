#!/usr/bin/env bash
# Inside the throwaway container of install-test.sh, run by its systemd: install the packages
# in /cv7-packages as an administrator would, check the running receiver and its service, then
# remove and purge them and check that nothing is left behind.
set -euo pipefail
step() { echo "== $*"; }
fail() {
  echo "FAILED: $*"
  journalctl --no-pager -u cv7.service -n 30 || true
  exit 1
}
expect() {  # expect WHAT ACTUAL WANTED
  [ "$2" = "$3" ] || fail "$1: '$2', expected '$3'"
}

mapfile -t packages < <(ls /cv7-packages/*.deb | grep -v -- '-dbgsym_')
names=()
for package in "${packages[@]}"; do names+=("$(dpkg-deb -f "$package" Package)"); done
users_before=$(getent passwd | cut -d: -f1 | sort)
groups_before=$(getent group | cut -d: -f1 | sort)

# udev opens the TUN/TAP clone device to everyone on a Debian machine (the kernel checks
# CAP_NET_ADMIN); this container has no udev.
chmod 0666 /dev/net/tun

step "installing ${names[*]}"
dpkg -i "${packages[@]}"
for name in "${names[@]}"; do dpkg -L "$name"; done | sort -u > /tmp/cv7-package-files

step "the driver's service"
expect "cv7.service enabled" "$(systemctl is-enabled cv7.service)" enabled
systemctl is-active --quiet cv7.service || fail "cv7.service did not start"
pid=$(systemctl show -p MainPID --value cv7.service)
expect "the daemon's user and group" "$(ps -o user=,group= -p "$pid" | tr -s ' ')" "cv7 cv7"
# CAP_NET_ADMIN is capability 12: nothing else is effective or may be gained.
expect "effective capabilities" "$(awk '/^CapEff/ {print $2}' "/proc/$pid/status")" 0000000000001000
expect "bounding capabilities" "$(awk '/^CapBnd/ {print $2}' "/proc/$pid/status")" 0000000000001000
expect "no new privileges" "$(awk '/^NoNewPrivs/ {print $2}' "/proc/$pid/status")" 1
expect "the socket directory" "$(stat -c '%U %G %a' /run/cv7)" "cv7 cv7 750"
expect "the control socket" "$(stat -c '%G %a %F' /run/cv7/Cv7Dev)" "cv7 660 socket"
ip -brief link show cv7-0 | grep -q UP || fail "no TAP interface cv7-0 that is up: $(ip -brief link)"
expect "reverse-path filter of cv7-0" "$(cat /proc/sys/net/ipv4/conf/cv7-0/rp_filter)" 0

step "cv7ctl info as a member of group cv7, and as a user outside it"
useradd -M -N -G cv7 -s /usr/sbin/nologin cv7member
useradd -M -N -s /usr/sbin/nologin cv7outsider
info=$(runuser -u cv7member -- cv7ctl info 2>&1) || fail "cv7ctl info of a member: $info"
echo "$info"
grep -q "driver version: " <<< "$info" || fail "no driver version in: $info"
refused=0
runuser -u cv7outsider -- cv7ctl info > /tmp/refused 2>&1 || refused=$?
echo "outsider (status $refused): $(cat /tmp/refused)"
expect "the status of cv7ctl info for an outsider (no permission)" "$refused" 4
runuser -u cv7outsider -- test -e /run/cv7/Cv7Dev && fail "an outsider sees the socket"

step "a third-party program built with pkg-config --cflags --libs corvane"
cc -Wall -Werror -o /tmp/corvane-probe /cv7-test/corvane-probe.c $(pkg-config --cflags --libs corvane)
probe=$(runuser -u cv7member -- /tmp/corvane-probe) || fail "the probe failed"
echo "$probe"
grep -q "driver version $(dpkg-query -W -f='${Version}' cv7)" <<< "$probe" || fail "wrong driver version"

step "manual pages and the rest of the installation"
MANWIDTH=80 man 8 cv7 | grep -q "cv7 - the driver of the Corvane-7" || fail "no manual page cv7(8)"
for page in cv7ctl Cv7d; do
  if [ -e "/usr/share/man/man1/$page.1.gz" ]; then
    MANWIDTH=80 man 1 "$page" | grep -q "^NAME" || fail "manual page $page(1) unreadable"
  fi
done
test -f /usr/lib/firmware/cv7/corvane.bin || fail "no firmware"
expect "the base directory" "$(stat -c '%G %a' /var/lib/cv7 /var/lib/cv7/Datafile | sort -u)" "cv7 2775"
test -f /var/lib/cv7/DefaultFile/HotBird.cvd || fail "no default satellite files"
expect "the configuration store" "$(stat -c '%G %a' /var/lib/cv7/registry.sqlite)" "cv7 664"
runuser -u cv7member -- cv7ctl config set-text Satellite "Satellite Dir" /var/lib/cv7 ||
  fail "a member cannot write the configuration store"
runuser -u cv7member -- cv7ctl cvd show /var/lib/cv7/DefaultFile/HotBird.cvd > /dev/null ||
  fail "a member cannot read the default satellite files"
bash -n /usr/share/bash-completion/completions/cv7ctl || fail "the bash completion of cv7ctl does not parse"
if [ -e /lib/systemd/system/cv7d.service ]; then
  expect "cv7d.service enabled" "$(systemctl is-enabled cv7d.service || true)" disabled
fi

step "restart and stop"
systemctl restart cv7.service
systemctl is-active --quiet cv7.service || fail "no restart"
systemctl stop cv7.service
test ! -e /run/cv7 || fail "/run/cv7 left after a stop"
ip link show cv7-0 > /dev/null 2>&1 && fail "cv7-0 left after a stop"
systemctl start cv7.service

step "remove"
dpkg -r "${names[@]}"
systemctl is-active --quiet cv7.service && fail "cv7.service still runs"
pgrep -u cv7 > /dev/null && fail "processes of user cv7 left"
test ! -e /run/cv7 || fail "/run/cv7 left after remove"
getent group cv7 > /dev/null || fail "the group cv7 went with remove"
test -d /var/lib/cv7 || fail "the users' data went with remove"

step "purge"
userdel cv7member
userdel cv7outsider
dpkg -P "${names[@]}"
left=$(while read -r path; do [ -e "$path" ] && [ ! -d "$path" ] && echo "$path"; done < /tmp/cv7-package-files || true)
[ -z "$left" ] || fail "files left: $left"
for path in /var/lib/cv7 /run/cv7 /etc/systemd/system/multi-user.target.wants/cv7.service; do
  test ! -e "$path" || fail "$path left after purge"
done
expect "users after purge" "$(getent passwd | cut -d: -f1 | sort)" "$users_before"
expect "groups after purge" "$(getent group | cut -d: -f1 | sort)" "$groups_before"
dpkg-query -W "${names[@]}" > /dev/null 2>&1 && fail "packages still known to dpkg"
systemctl cat cv7.service > /dev/null 2>&1 && fail "cv7.service still known to systemd"

step "installed, ran, removed and purged cleanly"
