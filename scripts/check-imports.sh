#!/usr/bin/env bash
# Checks that a Windows tesvak.exe starts on the oldest Windows it is made
# for: every DLL function it imports must be in scripts/windows-imports.txt
# (for a 32-bit program, among those Windows 2000 has), and the PE header's
# OS and subsystem versions must not ask for more (5.0 for the 32-bit
# program; 5.2, the first x64 Windows, for the 64-bit one).
# Usage: bash scripts/check-imports.sh PATH/tesvak.exe
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
exe=$1
headers=$(x86_64-w64-mingw32-objdump -p "$exe")
if grep -q '^Magic.*020b' <<<"$headers"; then
  allowed='2000|x64' newest=502 kind="64-bit"
else
  allowed='2000' newest=500 kind="32-bit"
fi
imports=$(awk '/DLL Name:/ {dll = $3} /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ {print dll, $3}' \
  <<<"$headers" | sort -u)
listed=$(grep -E "^[^#].* ($allowed)\$" "$top/scripts/windows-imports.txt" | cut -d' ' -f1,2 |
  sort -u)
echo "$exe ($kind) imports $(wc -l <<<"$imports") functions:"
awk '{print "  " $0}' <<<"$imports"
unknown=$(comm -23 <(echo "$imports") <(echo "$listed"))
if [ -n "$unknown" ]; then
  echo "not in scripts/windows-imports.txt for a $kind program:"
  echo "$unknown"
  exit 1
fi
for field in OSystem Subsystem; do
  major=$(awk "/^Major${field}Version/ {print \$2}" <<<"$headers")
  minor=$(awk "/^Minor${field}Version/ {print \$2}" <<<"$headers")
  echo "  PE header: $field version $major.$minor"
  if [ $((major * 100 + minor)) -gt "$newest" ]; then
    echo "the $field version $major.$minor asks for a newer Windows"
    exit 1
  fi
done
echo "imports: every one is in Windows $( [ "$kind" = 32-bit ] && echo 2000 || echo 'XP x64') and later"
