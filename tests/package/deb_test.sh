#!/usr/bin/env bash
# cpack -G DEB makes a package of the installation tree under /opt/kavro
# whose dependencies name the Debian package of every shared library the
# library loads.
#
#   deb_test.sh BUILD_DIR VERSION
set -euo pipefail
build="$1" version="$2"
major="${version%%.*}"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log" >&2; fail "cpack"; }
debs=("$tmp"/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single .deb: ${debs[*]}"
deb="${debs[0]}"

[ "$(dpkg-deb -f "$deb" Package)" = kavrostd ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"

# The contents: the tree under /opt/kavro, the soname links as links.
contents="$(dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }')"
for entry in \
    "./opt/kavro/Sys/libKavroStd.so.$version" \
    "./opt/kavro/Sys/libKavroStd.so.$major -> libKavroStd.so.$version" \
    "./opt/kavro/Sys/libKavroStd.so -> libKavroStd.so.$major" \
    "./opt/kavro/include/KavroStd/KavroStd.h" \
    "./opt/kavro/include/KavroStd/compat/windows.h" \
    "./opt/kavro/lib/cmake/KavroStd/KavroStdConfig.cmake" \
    "./opt/kavro/lib/cmake/KavroStd/KavroStdConfigVersion.cmake" \
    "./opt/kavro/lib/pkgconfig/KavroStd.pc"; do
  grep -qxF "$entry" <<<"$contents" || fail "the package lacks $entry; it holds:
$contents"
done
outside="$(grep -v '^\./$\|^\./opt/$\|^\./opt/kavro/' <<<"$contents" || true)"
[ -z "$outside" ] || fail "the package installs outside /opt/kavro: $outside"

# Depends names the package that owns each library the library links
# (its NEEDED entries, found where the loader finds them).
depends="$(dpkg-deb -f "$deb" Depends)"
[ -n "$depends" ] || fail "the package declares no dependencies"
names="$(tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//')"
library="$build/Sys/libKavroStd.so"
needed_names="$(readelf -d "$library" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')"
[ -n "$needed_names" ] || fail "no NEEDED entries in $library"
resolved="$(ldd "$library" | awk '$2 == "=>" && $3 ~ /^\// { print $1, $3 }')"
while read -r needed; do
  path="$(awk -v n="$needed" '$1 == n { print $2 }' <<<"$resolved")"
  if [ -z "$path" ]; then
    [[ "$needed" == ld-linux* ]] && continue  # the loader itself
    fail "ldd does not resolve $needed"
  fi
  owner=""
  for candidate in "$path" "/usr$path" "$(realpath "$path")"; do
    owner="$(dpkg -S "$candidate" 2>/dev/null | head -n1 | cut -d: -f1)" && [ -n "$owner" ] && break
  done
  [ -n "$owner" ] || fail "no Debian package owns $path ($needed)"
  grep -qx "$owner" <<<"$names" || fail "Depends ($depends) lacks $owner, which holds $needed"
done <<<"$needed_names"
