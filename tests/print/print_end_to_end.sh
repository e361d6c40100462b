#!/usr/bin/env bash
# Prints through the plugin to the default CUPS printer and by its name, waits
# for the PDF printer's files, rasterises them, and measures in millimetres
# where the picture stands on the paper: its top-left corner at the left and
# top margins, all of it inside all four margins, as large as fits, its
# proportions kept and its four quadrant colours in place. Exits 77
# (skipped) when there is no PDF printer to print on: scripts/setup-printer
# makes one.
set -euo pipefail
program=$1
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
output=${CORVELLE_PDF_DIR:-/var/spool/cups-pdf-corvelle}
resolution=100

skip() { echo "SKIPPED: $*"; exit 77; }
command -v lpstat >/dev/null || skip "CUPS is not installed"
command -v pdftoppm >/dev/null || skip "pdftoppm is not installed"
printer=$(lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p')
[ -n "$printer" ] || skip "no default printer (run scripts/setup-printer as root)"
[ -d "$output" ] && [ -w "$output" ] || skip "no writable PDF folder $output"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -f "$output"/*bracket* "$output"/*named* "$output"/*tall*

"$root/scripts/wine-run" "$program" "$printer" | tr -d '\r' > "$work/expected.txt"
cat "$work/expected.txt"
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
check() {
  local verdict=$1 what=$2
  checks=$((checks + 1))
  if [ "$verdict" = ok ]; then
    echo "ok: $what"
  else
    echo "FAIL: $what"
    failures=$((failures + 1))
  fi
}
# "ok" when |actual - expected| <= tolerance (millimetres, decimals allowed).
near() { awk -v a="$1" -v e="$2" -v t="$3" 'BEGIN { d = a - e; if (d < 0) d = -d; print (d <= t ? "ok" : "off") }'; }
at_most() { awk -v a="$1" -v l="$2" 'BEGIN { print (a <= l ? "ok" : "off") }'; }

# The binary PPM's header size and width, and pixels as "R G B".
header_bytes() { head -c 64 "$1" | awk 'NR<=3 {n += length($0) + 1} END {print n}'; }
pixel() {
  local file=$1 x=$2 y=$3 width
  read -r _ width _ <<< "$(head -c 64 "$file" | tr '\n' ' ')"
  od -An -tu1 -j $(($(header_bytes "$file") + (y * width + x) * 3)) -N3 "$file"
}
expect_colour() {
  local file=$1 x=$2 y=$3 want=$4 what=$5 r g b
  read -r r g b <<< "$(pixel "$file" "$x" "$y")"
  local wr=$((16#${want:0:2})) wg=$((16#${want:2:2})) wb=$((16#${want:4:2}))
  local d=$(( (r-wr)*(r-wr) + (g-wg)*(g-wg) + (b-wb)*(b-wb) ))
  [ "$d" -le $((40*40*3)) ] && check ok "$what at ($x, $y): $r $g $b" || check off "$what at ($x, $y): $r $g $b, expected $want"
}
# The page's size in pixels and the box of its pixels that are not white:
# "WIDTH HEIGHT LEFT TOP RIGHT BOTTOM", right and bottom exclusive.
ink_box() {
  local file=$1 width height
  read -r _ width height _ <<< "$(head -c 64 "$file" | tr '\n' ' ')"
  tail -c +$(($(header_bytes "$file") + 1)) "$file" | od -An -v -tu1 -w3 |
    awk -v w="$width" -v h="$height" '
      BEGIN { l = w; t = h; r = -1; b = -1 }
      { if ($1 < 200 || $2 < 200 || $3 < 200) { x = (NR - 1) % w; y = int((NR - 1) / w)
          if (x < l) l = x; if (x > r) r = x; if (y < t) t = y; if (y > b) b = y } }
      END { print w, h, l, t, r + 1, b + 1 }'
}

mm() { awk -v p="$1" -v r="$resolution" 'BEGIN { printf "%.2f", p * 25.4 / r }'; }

while read -r _ name left top right bottom picture_width picture_height; do
  pdf=$(find_pdf "$name")
  echo "== $name -> $pdf"
  pdftoppm -r "$resolution" -singlefile "$pdf" "$work/page"
  ppm="$work/page.ppm"
  read -r page_w page_h x0 y0 x1 y1 <<< "$(ink_box "$ppm")"
  paper_w=$(mm "$page_w"); paper_h=$(mm "$page_h")
  ink_left=$(mm "$x0"); ink_top=$(mm "$y0"); ink_right=$(mm "$x1"); ink_bottom=$(mm "$y1")
  ink_w=$(mm $((x1 - x0))); ink_h=$(mm $((y1 - y0)))
  echo "paper $paper_w x $paper_h mm; picture from ($ink_left, $ink_top) to ($ink_right, $ink_bottom) mm"
  # The picture whole, its proportions kept.
  expected_h=$(awk -v w="$ink_w" -v pw="$picture_width" -v ph="$picture_height" 'BEGIN { print w * ph / pw }')
  check "$(near "$ink_h" "$expected_h" 1)" "$name: $ink_w x $ink_h mm keeps the picture's proportions"
  if [ "$left" != - ]; then
    check "$(near "$ink_left" "$(awk -v m="$left" 'BEGIN { print m / 10 }')" 0.5)" "$name: left edge at $ink_left mm"
    check "$(near "$ink_top" "$(awk -v m="$top" 'BEGIN { print m / 10 }')" 0.5)" "$name: top edge at $ink_top mm"
    right_limit=$(awk -v p="$paper_w" -v m="$right" 'BEGIN { print p - m / 10 + 0.5 }')
    bottom_limit=$(awk -v p="$paper_h" -v m="$bottom" 'BEGIN { print p - m / 10 + 0.5 }')
    check "$(at_most "$ink_right" "$right_limit")" "$name: right edge at $ink_right mm, inside the right margin"
    check "$(at_most "$ink_bottom" "$bottom_limit")" "$name: bottom edge at $ink_bottom mm, inside the bottom margin"
    # As large as fits: it reaches the right margin or the bottom one.
    reach=$(awk -v r="$ink_right" -v b="$ink_bottom" -v rl="$right_limit" -v bl="$bottom_limit" \
      'BEGIN { print (r >= rl - 1.5 || b >= bl - 1.5) ? "ok" : "off" }')
    check "$reach" "$name: as large as the margins allow"
  fi
  for quadrant in 0 1 2 3; do
    qx=$((x0 + (x1 - x0) * (1 + 2 * (quadrant % 2)) / 4))
    qy=$((y0 + (y1 - y0) * (1 + 2 * (quadrant / 2)) / 4))
    expect_colour "$ppm" "$qx" "$qy" "${colours[$quadrant]}" "$name: quadrant $quadrant"
  done
  rm -f "$pdf"
done < <(grep '^job ' "$work/expected.txt")

# Six measures and four quadrants for each job with margins, one measure and
# four quadrants for the other: anything fewer means a check did not run.
echo "$checks checks, $failures failed"
[ "$failures" -eq 0 ] && [ "$checks" -eq 25 ]
