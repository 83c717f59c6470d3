#!/usr/bin/env bash
# The Debian packages made from a build tree, installed, run and purged on a throwaway copy of
# this machine: an overlay with a memory-backed upper layer over /, booted with systemd in a
# container of its own network (systemd-nspawn). Its systemd runs in-container.sh as its one
# job and ends with that script's status. Nothing reaches the machine itself: the overlay lives
# in a mount namespace of this script and goes away with it, however the test ends.
#   install-test.sh BUILD_DIR
set -euo pipefail
build=$(realpath "${1:?usage: install-test.sh BUILD_DIR}")
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)

if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: installing packages in a container needs root"
  exit 77
fi
for tool in systemd-nspawn dpkg-buildpackage unshare; do
  command -v "$tool" > /dev/null || { echo "$tool is missing (make deps installs it)"; exit 1; }
done
if [ -z "${CV7_PACKAGE_TEST_NAMESPACE:-}" ]; then
  exec env CV7_PACKAGE_TEST_NAMESPACE=1 unshare --mount --propagation private "$0" "$@"
fi

work=$(mktemp -d /tmp/cv7-package-test-XXXXXX)
layers="$work/layers"
cleanup() {
  umount -R "$layers" 2> /dev/null || true
  mountpoint -q "$layers" || rm -rf --one-file-system "$work"
}
trap cleanup EXIT

echo "== packages from $build"
started=$SECONDS
DEB_BUILD_OPTIONS=noautodbgsym "$source/packaging/make-packages.sh" "$build" "$work/packages" > "$work/package-build.log" 2>&1 ||
  { cat "$work/package-build.log"; exit 1; }
ls -1 "$work/packages"/*.deb
echo "   made in $((SECONDS - started)) s"

mkdir -p "$layers"
mount -t tmpfs -o size=4g,mode=0755 cv7-package-test "$layers"
mkdir "$layers/upper" "$layers/work" "$layers/root"
mount -t overlay overlay -o "lowerdir=/,upperdir=$layers/upper,workdir=$layers/work" "$layers/root"
root="$layers/root"

# The container's one job; its end ends the container with the job's status.
cat > "$root/etc/systemd/system/cv7-package-check.service" << 'EOF'
[Unit]
Description=Install, run and purge the cv7 packages
SuccessAction=exit-force
FailureAction=exit-force
[Service]
Type=oneshot
ExecStart=/cv7-test/in-container.sh
StandardOutput=journal+console
StandardError=journal+console
EOF
# Services start on installation as on any Debian machine, whatever this one's policy is.
rm -f "$root/usr/sbin/policy-rc.d"
# systemd-nspawn keeps its own state in /run; here in memory, so none stays on the machine.
mount -t tmpfs -o mode=0755 cv7-package-test-run /run

echo "== booting the container"
status=0
SYSTEMD_NSPAWN_UNIFIED_HIERARCHY=1 timeout --kill-after=15 600 \
  systemd-nspawn --quiet --directory="$root" --machine="cv7pkg$$" --register=no --keep-unit \
  --link-journal=no --private-network \
  --bind-ro="$here:/cv7-test" --bind-ro="$work/packages:/cv7-packages" \
  --boot -- --unit=cv7-package-check.service --show-status=no < /dev/null || status=$?
echo "== the container ended with status $status after $((SECONDS - started)) s"
exit "$status"
