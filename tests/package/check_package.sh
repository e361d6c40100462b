#!/usr/bin/env bash
# Builds the release archive twice and checks it: the same bytes both times,
# exactly the five files, CR LF text files, and a DLL that imports system DLLs
# only (no zlib1.dll, no mingw runtime).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"

log=$(mktemp)
trap 'rm -f "$log"' EXIT
scripts/package > "$log"
archive=$(head -n 1 "$log")
first=$(sha256sum "$archive" | cut -d' ' -f1)
scripts/package >/dev/null
second=$(sha256sum "$archive" | cut -d' ' -f1)
failures=0
fail() { echo "package: $*"; failures=$((failures + 1)); }

[ "$first" = "$second" ] || fail "two runs gave different archives ($first, $second)"
listed=$(unzip -Z1 "$archive" | tr '\n' ' ')
[ "$listed" = "corvelle.dll quickview.exe README.txt LICENSE CHANGELOG.md " ] || fail "archive holds: $listed"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked" "$log"' EXIT
unzip -q "$archive" -d "$unpacked"
for text in README.txt LICENSE CHANGELOG.md; do
  lines=$(wc -l < "$unpacked/$text")
  crlf=$(grep -c $'\r$' "$unpacked/$text" || true)
  [ "$lines" -gt 0 ] && [ "$lines" = "$crlf" ] || fail "$text: $crlf of $lines lines end in CR LF"
done
system='^(kernel32|user32|gdi32|ole32|msvcrt)\.dll$|^winspool\.drv$'
for program in corvelle.dll quickview.exe; do
  while read -r imported; do
    [[ "${imported,,}" =~ $system ]] || fail "$program imports $imported"
  done < <(x86_64-w64-mingw32-objdump -p "$unpacked/$program" | sed -n 's/^\s*DLL Name: //p')
done

if [ "$failures" -ne 0 ]; then
  echo "package: $failures check(s) failed"
  exit 1
fi
echo "package: $archive checked ($first)"
