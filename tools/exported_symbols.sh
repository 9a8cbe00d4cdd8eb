#!/usr/bin/env bash
# Prints the symbols a build of libKavroStd.so exports, mangled, one a line,
# sorted: what `nm -D --defined-only` lists, less what the optimiser rather
# than the API decides: the standard library's template instantiations, and
# vtables (a class whose virtual functions are all inline has its vtable
# emitted only where a constructor that is not inlined away refers to it;
# every exported polymorphic class shows in its typeinfo instead); and less
# the sanitizers' own symbols, among them the typeinfo of function types that
# clang's function sanitizer emits for every function it checks.
#
#   tools/exported_symbols.sh build/Sys/libKavroStd.so
set -euo pipefail
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 LIBRARY.so" >&2
  exit 2
fi
# std:: and __gnu_cxx:: names, also as vtables, typeinfo and guard variables.
std='^_Z(TV|TI|TS|TT|TH|TW|GV)?N?[rVK]*(St|Sa|Sb|Ss|Si|So|Sd|9__gnu_cxx)'
vtables='^_ZT[VTC]'
sanitizers='^(__odr_asan|__asan|___asan|__ubsan|__sancov|__lsan|_ZT[IS]F)'
nm -D --defined-only "$1" | awk 'NF >= 3 { print $3 }' |
  grep -Ev "$std" | grep -Ev "$vtables" | grep -Ev "$sanitizers" | LC_ALL=C sort -u
