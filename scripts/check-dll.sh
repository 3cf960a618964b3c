#!/usr/bin/env bash
# Checks a built Windows DLL: PE32 for i386, exports exactly the names of its export
# list (undecorated), imports only Windows system DLLs.
# Usage: scripts/check-dll.sh DLL DEF
set -euo pipefail
dll=$1 def=$2
objdump=i686-w64-mingw32-objdump
fail() { echo "$dll: $*" >&2; exit 1; }

$objdump -f "$dll" | grep -q 'file format pei-i386' || fail "not a PE32 i386 file"

expected=$(awk '/^[ \t]+[A-Za-z_]/ { print $1 }' "$def" | sort)
actual=$($objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/\[/ && !/Ordinal/ { print $3 }' | sort)
[ "$expected" = "$actual" ] || fail "exports differ from $def:"$'\n'"expected: $expected"$'\n'"actual:   $actual"

allowed='^(KERNEL32|ADVAPI32|USER32|GDI32|SHELL32|OLE32|OLEAUT32|MSI|MSVCRT|VERSION|SHLWAPI|USERENV)\.DLL$'
while read -r name; do
  upper=$(echo "$name" | tr '[:lower:]' '[:upper:]')
  [[ $upper =~ $allowed ]] || fail "imports $name, which is not a Windows system DLL"
done < <($objdump -p "$dll" | awk '/DLL Name:/ { print $3 }')
echo "$dll: PE32 i386, exports $(echo $actual | tr '\n' ' '), system imports only"
