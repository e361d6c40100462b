#!/usr/bin/env bash
# Builds the release archives twice, here and in a copy of the tree in
# another folder, and checks them: the same bytes both times, exactly their
# files (six for the viewer's, five for the content module's), the install
# files' exact text, CR LF text files, and modules and a program that import
# system DLLs only (no zlib1.dll, no mingw runtime).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
log=$scratch/package.log
# The same files in a folder of another name and depth: nothing of the
# folder a release is built in may reach its bytes.
elsewhere=$scratch/another/checkout
# Both stamped with this commit's time: the copy has no history of its own.
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || echo 1796083200)
export SOURCE_DATE_EPOCH
scripts/package > "$log"
archive=$(sed -n 1p "$log")
content_archive=$(sed -n 2p "$log")
first=$(sha256sum "$archive" "$content_archive" | cut -d' ' -f1 | tr '\n' ' ')
mkdir -p "$elsewhere"
git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$elsewhere"
"$elsewhere/scripts/package" > "$log"
second=$(sha256sum "$(sed -n 1p "$log")" "$(sed -n 2p "$log")" | cut -d' ' -f1 | tr '\n' ' ')
failures=0
fail() { echo "package: $*"; failures=$((failures + 1)); }

[ "$first" = "$second" ] || fail "builds in $root and $elsewhere gave different archives ($first, $second)"
listed=$(unzip -Z1 "$archive" | tr '\n' ' ')
[ "$listed" = "corvelle.wlx64 pluginst.inf quickview.exe README.txt LICENSE CHANGELOG.md " ] ||
  fail "archive holds: $listed"
listed=$(unzip -Z1 "$content_archive" | tr '\n' ' ')
[ "$listed" = "corvelle.wdx64 pluginst.inf README.txt LICENSE CHANGELOG.md " ] ||
  fail "content archive holds: $listed"

unpacked=$scratch/unpacked
unzip -q "$archive" -d "$unpacked"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
expected=$(printf '%s\r\n' '[plugininstall]' \
  'description=Corvelle: shows the preview pictures of CAD parts, assemblies and drawings' \
  'type=wlx' 'file=corvelle.wlx64' 'defaultdir=corvelle' "version=$version")
[ "$(cat "$unpacked/pluginst.inf")" = "$expected" ] || fail "pluginst.inf reads: $(cat -A "$unpacked/pluginst.inf")"
content_unpacked=$scratch/content
unzip -q "$content_archive" -d "$content_unpacked"
content_expected=$(printf '%s\r\n' '[plugininstall]' \
  'description=Corvelle content: release, authors, dates, sheets and custom properties of CAD documents as columns and search fields' \
  'type=wdx' 'file=corvelle.wdx64' 'defaultdir=corvelle' "version=$version")
[ "$(cat "$content_unpacked/pluginst.inf")" = "$content_expected" ] ||
  fail "the content pluginst.inf reads: $(cat -A "$content_unpacked/pluginst.inf")"
for inf in "$unpacked/pluginst.inf" "$content_unpacked/pluginst.inf"; do
  LC_ALL=C grep -q '[^[:print:][:space:]]' "$inf" && fail "$inf is not plain ASCII"
done
for text in {"$unpacked","$content_unpacked"}/{pluginst.inf,README.txt,LICENSE,CHANGELOG.md}; do
  lines=$(wc -l < "$text")
  crlf=$(grep -c $'\r$' "$text" || true)
  [ "$lines" -gt 0 ] && [ "$lines" = "$crlf" ] || fail "$text: $crlf of $lines lines end in CR LF"
done
[ "$(head -n 1 "$unpacked/README.txt")" = $'Corvelle '"$version"$'\r' ] ||
  fail "README.txt starts: $(head -n 1 "$unpacked/README.txt" | cat -A)"
cp "$content_unpacked/corvelle.wdx64" "$unpacked/"
for program in corvelle.wlx64 corvelle.wdx64 quickview.exe; do
  x86_64-w64-mingw32-objdump -h "$unpacked/$program" | grep -q '\.debug_' && fail "$program carries debug data"
  grep -q -a -F "$root" "$unpacked/$program" && fail "$program holds the path of the folder it was built in"
done
system='^(kernel32|user32|gdi32|advapi32|ole32|msvcrt|comctl32|uxtheme|xmllite)\.dll$|^winspool\.drv$'
for program in corvelle.wlx64 corvelle.wdx64 quickview.exe; do
  while read -r imported; do
    [[ "${imported,,}" =~ $system ]] || fail "$program imports $imported"
  done < <(x86_64-w64-mingw32-objdump -p "$unpacked/$program" | sed -n 's/^\s*DLL Name: //p')
done

if [ "$failures" -ne 0 ]; then
  echo "package: $failures check(s) failed"
  exit 1
fi
echo "package: $archive and $content_archive checked ($first)"
