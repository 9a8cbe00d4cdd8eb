#!/usr/bin/env bash
# Prints the symbols a build of libKavroStd.so exports, mangled, one a line,
# sorted: what `nm -D --defined-only` lists, less the standard library's
# template instantiations (which of them a build emits depends on the
# compiler's inlining, not on the library's API) and the sanitizers' own.
#
#   tools/exported_symbols.sh build/Sys/libKavroStd.so
set -euo pipefail
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 LIBRARY.so" >&2
  exit 2
fi
# std:: and __gnu_cxx:: names, also as vtables, typeinfo and guard variables.
std='^_Z(TV|TI|TS|TT|TH|TW|GV)?N?[rVK]*(St|Sa|Sb|Ss|Si|So|Sd|9__gnu_cxx)'
sanitizers='^(__odr_asan|__asan|___asan|__ubsan|__sancov|__lsan)'
nm -D --defined-only "$1" | awk 'NF >= 3 { print $3 }' |
  grep -Ev "$std" | grep -Ev "$sanitizers" | LC_ALL=C sort -u
