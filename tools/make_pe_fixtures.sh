#!/usr/bin/env bash
# Regenerates the PE fixtures of the version-resource tests from the .rc
# sources beside them, with the MinGW-w64 binutils only (windres, as, ld; no
# C compiler): a one-instruction entry point linked with the compiled
# resources. Usage: tools/make_pe_fixtures.sh [output folder]
# (default: tests/platform/fixtures/pe of this tree).
set -euo pipefail

src="$(cd "$(dirname "$0")/.." && pwd)/tests/platform/fixtures/pe"
out="${1:-$src}"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# link <arch prefix> <output name> [rc source]
link() {
  local prefix="$1" name="$2" rc="${3:-}"
  local objs=("$work/entry-$prefix.o")
  "$prefix-as" "$src/entry.s" -o "$work/entry-$prefix.o"
  if [ -n "$rc" ]; then
    # No C preprocessor (that would need the cross compiler): the comment
    # lines at the top of each source are dropped here instead.
    sed '/^\/\//d' "$src/$rc" > "$work/$name.rc"
    "$prefix-windres" --preprocessor=cat -c 65001 -i "$work/$name.rc" -o "$work/$name.res.o"
    objs+=("$work/$name.res.o")
  fi
  # -s: no symbols; a fixed time stamp keeps the output the same on every run.
  "$prefix-ld" -s --entry=start --no-insert-timestamp -o "$out/$name" "${objs[@]}"
}

x64=x86_64-w64-mingw32
x86=i686-w64-mingw32
link "$x64" version_5103_x64.exe version_5103.rc
link "$x86" version_5103_x86.exe version_5103.rc
link "$x86" version_5100_x86.exe version_5100.rc
link "$x64" version_0000_x64.exe version_0000.rc
link "$x86" data_only_x86.exe data_only.rc
link "$x64" no_resources_x64.exe
