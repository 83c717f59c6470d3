#!/usr/bin/env bash
# make package: the Debian packages of the receiver (cv7, libcorvane2, libcorvane-dev, cv7d)
# from a finished build tree, with debhelper; nothing is compiled again.
#   packaging/make-packages.sh BUILD_DIR OUT_DIR
# The packages, .buildinfo and .changes land in OUT_DIR.
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:?usage: make-packages.sh BUILD_DIR OUT_DIR}")
out=$(realpath -m "${2:?usage: make-packages.sh BUILD_DIR OUT_DIR}")

# The packages install below /usr; a tree configured for another prefix is set to it.
if ! grep -qx 'CMAKE_INSTALL_PREFIX:PATH=/usr' "$build/CMakeCache.txt"; then
  cmake -DCMAKE_INSTALL_PREFIX=/usr "$build" > /dev/null
fi
version=$(cat "$build/packaging/version")

# dpkg-buildpackage works in a tree that holds debian/ and writes its results beside it.
stage="$out/cv7-$version"
rm -rf "$stage"
mkdir -p "$stage"
cp -r "$source/packaging/debian" "$stage/debian"
date=$(git -C "$source" log -1 --format=%cD 2>/dev/null || date -R)
cat > "$stage/debian/changelog" <<EOF
cv7 ($version) unstable; urgency=medium

  * Built from the cv7 source tree.

 -- cv7 developers <cv7-developers@example.org>  $date
EOF

cd "$stage"
CV7_BUILD_DIR="$build" dpkg-buildpackage --build=binary --no-sign --no-pre-clean
cd "$out"
rm -rf "$stage"
ls -1 "$out"/*.deb
