#!/bin/sh
# Fails unless every Windows module exports the three entry points and imports
# nothing beyond the DLLs every Windows installation has.
set -eu
allowed='^(KERNEL32|USER32|GDI32|COMDLG32|ole32|OLEAUT32|msvcrt|ADVAPI32|SHELL32|api-ms-win-.*)\.dll$'
count=0
for binary in "$1"/*.vst3/Contents/x86_64-win/*.vst3; do
  count=$((count + 1))
  dump=$(x86_64-w64-mingw32-objdump -p "$binary")
  for export in InitDll ExitDll GetPluginFactory; do
    echo "$dump" | grep -Eq "\] $export\$" || { echo "$binary: no export $export"; exit 1; }
  done
  echo "$dump" | sed -n 's/^[[:space:]]*DLL Name: //p' | while read -r dll; do
    echo "$dll" | grep -Eiq "$allowed" || { echo "$binary imports $dll"; exit 1; }
  done
done
[ "$count" -eq 8 ] || { echo "expected 8 Windows modules, found $count"; exit 1; }
echo "8 modules import system DLLs only"
