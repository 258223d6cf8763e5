#!/bin/sh
# The export and import tables of patch.dll: exactly the one export
# RegisterHotfixesInfo, undecorated, and no runtime DLL beside the system's.
set -eu
objdump=$1
dll=$2
table=$("$objdump" -p "$dll")
exports=$(printf '%s\n' "$table" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p')
if [ "$exports" != "RegisterHotfixesInfo" ]; then
  echo "unexpected exports of $dll:"; printf '%s\n' "$exports"; exit 1
fi
imports=$(printf '%s\n' "$table" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
case "$imports" in
  *libstdc++*|*libgcc*|*libwinpthread*)
    echo "runtime not linked statically: $imports"; exit 1 ;;
esac
echo "exports: $exports; imports: $imports"
