#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses that installation as a
# product module's team does, with nothing from the build tree: checks the
# layout, builds the example modules (one plain, one written the Windows way
# with the compat target) with find_package(KavroStd) and installs them into
# the tree, then builds both with pkg-config's flags after moving the tree
# elsewhere. Each module, loaded by the example host, must see the tree it
# lies in as the installation root.
#
#   install_test.sh BUILD_DIR SOURCE_DIR VERSION CXX_COMPILER [EXTRA_CXX_FLAGS]
set -euo pipefail
build="$1" source="$2" version="$3" cxx="$4" extra="${5:-}"
major="${version%%.*}"

tmp="$(realpath "$(mktemp -d)")"
trap 'rm -rf "$tmp"' EXIT
root="$tmp/kavro"
fail() { echo "FAIL: $*" >&2; exit 1; }

# The Windows form of a POSIX folder, as the library hands paths back.
# shellcheck disable=SC1003
windows_folder() { printf 'Z:%s\\' "${1//\//\\}"; }

# Runs the example host on a module of the tree; checks what it printed.
expect_run() {
  local tree="$1" module="$2" expected="$3" out
  out="$("$tree/Bin/kavro_hello_host" "$tree/Modules/$module")" || fail "the host failed on $module: $out"
  [ "$out" = "$expected" ] || fail "$module printed
$out
instead of
$expected"
}
# What the plain module prints: the root and library folder the library
# derived, and the counter it keeps in the tree's settings file.
hello_output() {
  printf 'root: %s\nlibrary folder: %sSys\\\nruns: %s' "$(windows_folder "$1")" "$(windows_folder "$1")" "$2"
}

cmake --install "$build" --prefix "$root" >/dev/null

# The layout: the library with its soname links in Sys/, the headers, both
# package files; no header of the library's internals.
for entry in \
    "f Sys/libKavroStd.so.$version" \
    "l Sys/libKavroStd.so.$major" \
    "l Sys/libKavroStd.so" \
    "f include/KavroStd/KavroStd.h" \
    "f include/KavroStd/platform/windows.h" \
    "f include/KavroStd/compat/afxwin.h" \
    "f lib/cmake/KavroStd/KavroStdConfig.cmake" \
    "f lib/cmake/KavroStd/KavroStdConfigVersion.cmake" \
    "f lib/cmake/KavroStd/KavroStdTargets.cmake" \
    "f lib/pkgconfig/KavroStd.pc"; do
  read -r kind path <<<"$entry"
  if [ "$kind" = l ]; then
    [ -L "$root/$path" ] || fail "$path is not a symbolic link"
  else
    [ -f "$root/$path" ] && [ ! -L "$root/$path" ] || fail "$path is missing"
  fi
done
[ "$(readlink -f "$root/Sys/libKavroStd.so")" = "$root/Sys/libKavroStd.so.$version" ] ||
  fail "libKavroStd.so does not lead to libKavroStd.so.$version"
soname="$(readelf -d "$root/Sys/libKavroStd.so.$version" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')"
[ "$soname" = "libKavroStd.so.$major" ] || fail "soname $soname, not libKavroStd.so.$major"
internal="$(find "$root/include" -name '*_internal.h')"
[ -z "$internal" ] || fail "internal headers installed: $internal"

# The CMake way, from a copy of the example so that no path leads back to
# the source or build tree.
cp -r "$source/examples/installed_module" "$tmp/hello"
flags="-Wall -Wextra -Werror $extra"
cmake -S "$tmp/hello" -B "$tmp/hello-build" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_PREFIX_PATH="$root" -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >"$tmp/configure.log" 2>&1 ||
  { cat "$tmp/configure.log" >&2; fail "configuring the example"; }
grep -qx "KavroStd_DIR:PATH=$root/lib/cmake/KavroStd" "$tmp/hello-build/CMakeCache.txt" ||
  fail "find_package(KavroStd) did not find the installed package"
cmake --build "$tmp/hello-build" >"$tmp/build.log" 2>&1 || { cat "$tmp/build.log" >&2; fail "building the example"; }
for tree in "$source" "$build"; do
  ! grep -qF "$tree" "$tmp/hello-build/compile_commands.json" "$tmp/hello-build/build.ninja" ||
    fail "the example's build refers to $tree"
done
cmake --install "$tmp/hello-build" --prefix "$root" >/dev/null
expect_run "$root" libkavro_hello.so "$(hello_output "$root" 1)"
expect_run "$root" libkavro_hello.so "$(hello_output "$root" 2)"
expect_run "$root" libkavro_hello_legacy.so "runs, read the Windows way: 2"

# The pkg-config way, in the tree moved elsewhere: the .pc file follows it.
mv "$root" "$tmp/moved"
root="$tmp/moved"
export PKG_CONFIG_PATH="$root/lib/pkgconfig"
[ "$(pkg-config --modversion KavroStd)" = "$version" ] || fail "pkg-config reports another version"
pc_flags="$(pkg-config --cflags KavroStd)" pc_libs="$(pkg-config --libs KavroStd)"
compat="-I$(pkg-config --variable=compatdir KavroStd)"
for entry in "hello_module.cpp libkavro_hello_pc.so" "hello_legacy.cpp libkavro_hello_legacy_pc.so $compat"; do
  read -r src module include <<<"$entry"
  # shellcheck disable=SC2086,SC2016  # word-split flags; $ORIGIN is for the linker
  "$cxx" $flags -shared -fPIC $pc_flags ${include:-} "$tmp/hello/$src" -o "$root/Modules/$module" \
    $pc_libs -Wl,-rpath,'$ORIGIN/../Sys' || fail "building $src with pkg-config's flags"
done
expect_run "$root" libkavro_hello_pc.so "$(hello_output "$root" 3)"
expect_run "$root" libkavro_hello_legacy_pc.so "runs, read the Windows way: 3"
