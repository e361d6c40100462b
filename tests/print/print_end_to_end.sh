#!/usr/bin/env bash
# Prints through the plugin to the default CUPS printer and by its name, waits
# for the PDF printer's two files, rasterises them, and checks that the
# picture's quadrant colours stand where the margins and the page width put
# them, and that the margins stay white. Exits 77 (skipped) when there is no
# PDF printer to print on: scripts/setup-printer makes one.
set -euo pipefail
program=$1
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
output=${CORVELLE_PDF_DIR:-/var/spool/cups-pdf-corvelle}
resolution=60

skip() { echo "SKIPPED: $*"; exit 77; }
command -v lpstat >/dev/null || skip "CUPS is not installed"
command -v pdftoppm >/dev/null || skip "pdftoppm is not installed"
printer=$(lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p')
[ -n "$printer" ] || skip "no default printer (run scripts/setup-printer as root)"
[ -d "$output" ] && [ -w "$output" ] || skip "no writable PDF folder $output"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -f "$output"/*bracket* "$output"/*named*

"$root/scripts/wine-run" "$program" "$printer" | tr -d '\r' > "$work/expected.txt"
cat "$work/expected.txt"
read -r _ page_width _ dpi < <(grep '^page ' "$work/expected.txt")
read -r _ colours < <(grep '^colours ' "$work/expected.txt")
read -ra colours <<< "$colours"

# Each job becomes a PDF whose name starts with the job's title.
find_pdf() {
  local name=${1%%.*} file
  for _ in $(seq 120); do
    file=$(find "$output" -maxdepth 1 -name "${name}*.pdf" -size +0 | head -n 1)
    if [ -n "$file" ] && ! lpstat -o "$printer" 2>/dev/null | grep -q .; then
      echo "$file"; return 0
    fi
    sleep 0.5
  done
  echo "no PDF for job $1 in $output" >&2
  ls -la "$output" >&2
  return 1
}

failures=0
checks=0
# Prints "R G B" of the pixel at (x, y) of a binary PPM file.
pixel() {
  local file=$1 x=$2 y=$3 header width
  header=$(head -c 64 "$file" | tr '\n' ' ')
  read -r _ width _ _ <<< "$header"
  local header_bytes
  header_bytes=$(head -c 64 "$file" | awk 'NR<=3 {n += length($0) + 1} END {print n}')
  od -An -tu1 -j $((header_bytes + (y * width + x) * 3)) -N3 "$file"
}
expect_colour() {
  local file=$1 x=$2 y=$3 want=$4 what=$5 rgb r g b
  rgb=$(pixel "$file" "$x" "$y")
  read -r r g b <<< "$rgb"
  local wr=$((16#${want:0:2})) wg=$((16#${want:2:2})) wb=$((16#${want:4:2}))
  local d=$(( (r-wr)*(r-wr) + (g-wg)*(g-wg) + (b-wb)*(b-wb) ))
  if [ "$d" -gt $((40*40*3)) ]; then
    echo "FAIL: $what at ($x, $y): $r $g $b, expected $want"
    failures=$((failures + 1))
  else
    echo "ok: $what at ($x, $y): $r $g $b"
  fi
  checks=$((checks + 1))
}

while read -r _ name x y width height; do
  pdf=$(find_pdf "$name")
  echo "== $name -> $pdf"
  pdftoppm -r "$resolution" -singlefile "$pdf" "$work/page"
  ppm="$work/page.ppm"
  scale() { echo $(( ($1 * resolution) / dpi )); }
  for quadrant in 0 1 2 3; do
    qx=$((x + width * (1 + 2 * (quadrant % 2)) / 4))
    qy=$((y + height * (1 + 2 * (quadrant / 2)) / 4))
    expect_colour "$ppm" "$(scale $qx)" "$(scale $qy)" "${colours[$quadrant]}" "quadrant $quadrant"
  done
  # White beside the picture (in the left margin, when there is one) and below it.
  if [ "$x" -gt 0 ]; then
    expect_colour "$ppm" "$(scale $((x / 2)))" "$(scale $((y + height / 2)))" FFFFFF "left margin"
  fi
  if [ "$((x + width))" -lt "$page_width" ]; then
    expect_colour "$ppm" "$(scale $(( (x + width + page_width) / 2 )))" "$(scale $((y + height / 2)))" FFFFFF "right margin"
  fi
  expect_colour "$ppm" "$(scale $((x + width / 2)))" "$(scale $((y + height + 40)))" FFFFFF "below the picture"
  rm -f "$pdf"
done < <(grep '^job ' "$work/expected.txt")

# Four quadrants and the space below for each job, and two margins for the job
# that has them: anything fewer means a check did not run.
echo "$checks checks, $failures failed"
[ "$failures" -eq 0 ] && [ "$checks" -eq 12 ]
