#!/usr/bin/env bash
# Regenerates tools/exported_symbols.txt, the list of what libKavroStd.so
# exports, from a build (build/ unless another build folder is named), and
# shows what changed. Run it after adding or removing public API on purpose;
# the test exported_symbols fails while the list and the library differ.
#
#   tools/update_exported_symbols.sh [BUILD_DIR]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
library="$build/Sys/libKavroStd.so"
if [ ! -f "$library" ]; then
  echo "$0: no $library; build the target KavroStd first" >&2
  exit 1
fi
list="$root/tools/exported_symbols.txt"
new="$(mktemp)"
trap 'rm -f "$new"' EXIT
bash "$root/tools/exported_symbols.sh" "$library" >"$new"
if [ -f "$list" ]; then
  diff "$list" "$new" | sed -n 's/^</removed:/p; s/^>/added:  /p' | c++filt || true
fi
mv "$new" "$list"
trap - EXIT
echo "$list: $(wc -l <"$list") symbols" >&2
