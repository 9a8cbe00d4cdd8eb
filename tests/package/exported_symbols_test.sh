#!/usr/bin/env bash
# The library exports exactly the symbols in tools/exported_symbols.txt: an
# accidental export, or a lost one, fails.
#
#   exported_symbols_test.sh LIBRARY.so SOURCE_DIR
set -euo pipefail
library="$1" source="$2"
list="$source/tools/exported_symbols.txt"
actual="$(bash "$source/tools/exported_symbols.sh" "$library")"
if ! changes="$(diff "$list" <(printf '%s\n' "$actual"))"; then
  echo "The symbols exported by $library differ from $list:" >&2
  printf '%s\n' "$changes" | sed -n 's/^</  no longer exported:/p; s/^>/  newly exported:    /p' | c++filt >&2
  echo "An intended change of the API: run tools/update_exported_symbols.sh and commit the list." >&2
  echo "Otherwise a public declaration lacks KVSTD_API, or an internal one carries it." >&2
  exit 1
fi
