#!/bin/sh
# Usage: check_exports.sh NM CXXFILT LIBRARY
# Fails when the library's dynamic symbol table holds a defined symbol that is
# not part of the public interface: the record classes and their printers,
# ZELParse, ZELPrint, the two registry maps and the zel23 namespace (but not
# zel23::detail). Template instantiations of the standard library, even over
# record types, are leaks.
set -u
nm_tool=$1
cxxfilt=$2
lib=$3

records='ZELBus|ZELGenerator|ZELLoad|ZELBranch|ZELTransformerAdjustment|ZELAreaInterchange|ZELSwitchedShunt|ZELTwoTerminalDC'
meta='(typeinfo for |typeinfo name for |vtable for )?'
allowed="^${meta}(${records})(::|\$)"
allowed="${allowed}|^operator<<\\(.*, (${records}) const&\\)\$"
allowed="${allowed}|^(ZELParse|ZELPrint)\\("
allowed="${allowed}|^(BName2BNum|BNum2BName)(\[abi:cxx11\])?\$"
allowed="${allowed}|^${meta}zel23::"
# Symbols the linker defines in every shared object.
allowed="${allowed}|^(_init|_fini|_edata|_end|__bss_start)\$"
forbidden="^${meta}zel23::detail::"

symbols=$("$nm_tool" -D --defined-only "$lib" | awk 'NF >= 3 { print $3 }') || {
  echo "cannot list the symbols of $lib" >&2
  exit 1
}
if [ -z "$symbols" ]; then
  echo "no exported symbol found in $lib" >&2
  exit 1
fi

bad=$(printf '%s\n' "$symbols" | "$cxxfilt" |
  grep -Ev "$allowed" ;
  printf '%s\n' "$symbols" | "$cxxfilt" | grep -E "$forbidden")
count=$(printf '%s\n' "$symbols" | wc -l)
if [ -n "$bad" ]; then
  echo "symbols exported beyond the interface:"
  printf '%s\n' "$bad"
  exit 1
fi
echo "$count exported symbols, all part of the interface"
