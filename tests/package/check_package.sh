#!/usr/bin/env bash
# Builds the release archive twice and checks it: the same bytes both times,
# exactly the six files, the install file's exact text, CR LF text files, and
# a plugin and program that import system DLLs only (no zlib1.dll, no mingw
# runtime).
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
[ "$listed" = "corvelle.wlx64 pluginst.inf quickview.exe README.txt LICENSE CHANGELOG.md " ] ||
  fail "archive holds: $listed"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked" "$log"' EXIT
unzip -q "$archive" -d "$unpacked"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
expected=$(printf '%s\r\n' '[plugininstall]' \
  'description=Corvelle: shows the preview pictures of CAD parts, assemblies and drawings' \
  'type=wlx' 'file=corvelle.wlx64' 'defaultdir=corvelle' "version=$version")
[ "$(cat "$unpacked/pluginst.inf")" = "$expected" ] || fail "pluginst.inf reads: $(cat -A "$unpacked/pluginst.inf")"
LC_ALL=C grep -q '[^[:print:][:space:]]' "$unpacked/pluginst.inf" && fail "pluginst.inf is not plain ASCII"
for text in pluginst.inf README.txt LICENSE CHANGELOG.md; do
  lines=$(wc -l < "$unpacked/$text")
  crlf=$(grep -c $'\r$' "$unpacked/$text" || true)
  [ "$lines" -gt 0 ] && [ "$lines" = "$crlf" ] || fail "$text: $crlf of $lines lines end in CR LF"
done
system='^(kernel32|user32|gdi32|ole32|msvcrt)\.dll$|^winspool\.drv$'
for program in corvelle.wlx64 quickview.exe; do
  while read -r imported; do
    [[ "${imported,,}" =~ $system ]] || fail "$program imports $imported"
  done < <(x86_64-w64-mingw32-objdump -p "$unpacked/$program" | sed -n 's/^\s*DLL Name: //p')
done

if [ "$failures" -ne 0 ]; then
  echo "package: $failures check(s) failed"
  exit 1
fi
echo "package: $archive checked ($first)"
