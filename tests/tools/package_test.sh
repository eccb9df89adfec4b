#!/usr/bin/env bash
# The Debian package `make package` builds: its fields and dependencies,
# the files it holds (all under /usr, none naming the trees it was built
# from), and its zkcp-export exporting its sample world from wherever the
# package is unpacked.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR VERSION LIBDIR
# Exit 77 (skipped) only when the Debian packaging programs are missing;
# under CI (CI=true) that fails instead.
set -uo pipefail

build_dir=$1
source_dir=$2
version=$3
libdir=$4
source "$(dirname "$0")/checks.sh"

for program in dpkg-deb dpkg-shlibdeps file cpack; do
  command -v "$program" >/dev/null 2>&1 ||
    skip "$program is not installed (make deps installs it): the package checks"
done
((skipped || failures)) && finish ""

if ! cpack --config "$build_dir/CPackConfig.cmake" -B "$work/out" >"$work/log" 2>&1; then
  fail "cpack: $(cat "$work/log")"
  exit 1
fi
deb=$(ls "$work"/out/*.deb)

[[ $(dpkg-deb -f "$deb" Package) == zkcp ]] || fail "the package is not named zkcp"
[[ $(dpkg-deb -f "$deb" Version) == "$version" ]] ||
  fail "the package's version is $(dpkg-deb -f "$deb" Version), not $version"
# Coin's runtime and pugixml come from the binaries, libcoin-dev from the
# headers and CMake package; every name is a Debian package.
depends=$(dpkg-deb -f "$deb" Depends)
for wanted in 'libcoin-dev' 'libcoin[0-9a-z]*( |,|$)' 'libpugixml[0-9a-z]*( |,|$)' 'libstdc\+\+6'; do
  grep -qE "(^|, )$wanted" <<<"$depends" || fail "Depends lacks $wanted: $depends"
done
while read -r name; do
  dpkg-query -W "$name" >/dev/null 2>&1 || fail "Depends names $name, which dpkg does not know"
done < <(tr ',|' '\n\n' <<<"$depends" | sed 's/(.*//; s/ //g' | grep .)

dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|' >"$work/files"
for f in /usr/bin/zkcp-export "/usr/$libdir/libzkcp.so.0" "/usr/$libdir/libzkcp.so" \
    /usr/include/zkcp/zkcp.h "/usr/$libdir/cmake/zkcp/zkcpConfig.cmake" \
    "/usr/$libdir/pkgconfig/zkcp.pc" /usr/share/zkcp/x_ite/x_ite.min.js \
    /usr/share/zkcp/x_ite/LICENSE.md /usr/share/zkcp/x_ite/assets/ \
    /usr/share/zkcp/examples/world/world.json /usr/share/zkcp/examples/world/geometry/door.wrl \
    "/usr/$libdir/zkcp/behaviors/doors.dll" "/usr/$libdir/zkcp/behaviors/lamps.dll"; do
  grep -qxF "$f" "$work/files" || fail "the package lacks $f"
done
grep -v '^/usr/' "$work/files" | grep -vx '/' | grep . && fail "files outside /usr"

dpkg-deb -x "$deb" "$work/root"
grep -rlF -e "$source_dir" -e "$build_dir" "$work/root" && fail "files name the source or build tree"
grep -qx "prefix=/usr" "$work/root/usr/$libdir/pkgconfig/zkcp.pc" || fail "zkcp.pc is not for /usr"
said=$(cd "$work" && env -u LD_LIBRARY_PATH "$work/root/usr/bin/zkcp-export" --version 2>&1)
[[ $said == "zkcp-export $version" ]] || fail "the unpacked zkcp-export --version says: $said"
share="$work/root/usr/share/zkcp"
(cd "$work" && env -u LD_LIBRARY_PATH "$work/root/usr/bin/zkcp-export" "$share/examples/world/world.json" \
  --modules "$share/examples/behaviors" --out room -q >"$work/export.log" 2>&1) ||
  fail "the unpacked zkcp-export cannot export its sample world: $(cat "$work/export.log")"

finish "all package checks passed"
