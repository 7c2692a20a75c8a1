#!/usr/bin/env bash
# The PDF writer against an earlier build of quorvel-batch: the same label files under the default
# tag, the A4 sheet and the roll must give the same bytes apart from the creation date. Prints one
# Markdown row per run with both programs' wall time, peak memory and the file's size.
#
# Usage: bench/compare-pdf.sh REFERENCE_BATCH BUILD_DIR [WORK_DIR]
#   REFERENCE_BATCH  an earlier quorvel-batch (its Relatorios/ beside it)
#   BUILD_DIR        a Release build holding quorvel-batch
set -euo pipefail

reference=${1:?usage: compare-pdf.sh REFERENCE_BATCH BUILD_DIR [WORK_DIR]}
build=${2:?usage: compare-pdf.sh REFERENCE_BATCH BUILD_DIR [WORK_DIR]}
work=${3:-/tmp/quorvel-compare-pdf}
mkdir -p "$work"
src=$(cd "$(dirname "$0")/.." && pwd)

undated() { sed -E 's/CreationDate \(D:[0-9]{14}/CreationDate (D:00000000000000/' "$1"; }

run() {   # label-file definition name
  local out stats=()
  for who in reference build; do
    local program=$reference
    [[ $who == build ]] && program=$build/quorvel-batch
    out=$work/$3-$who.pdf
    LANG=pt_BR.UTF-8 LC_ALL= /usr/bin/time -f '%e %M' -o "$work/time" "$program" print "$1" --definition "$2" -o "$out" > /dev/null
    read -r wall rss < "$work/time"
    stats+=("$wall" "$((rss / 1024))")
  done
  local same=no
  cmp -s <(undated "$work/$3-reference.pdf") <(undated "$work/$3-build.pdf") && same=yes
  printf '| %s | %s s, %s MB | %s s, %s MB | %.1f | %s |\n' "$3" "${stats[0]}" "${stats[1]}" "${stats[2]}" "${stats[3]}" \
    "$(echo "$(stat -c %s "$work/$3-build.pdf") / 1000000" | bc -l)" "$same"
}

echo '| Run | Reference | This build | PDF MB | Same bytes |'
echo '|---|---|---|---|---|'
for def in "$src/Relatorios/tag_02_Quorvel.rav" "$src/examples/definitions/a4-3x10.rav" "$src/examples/definitions/roll-2x-33x22.rav"; do
  run "$src/examples/loja-centro.txt" "$def" "$(basename "$def" .rav)"
done
for spec in "9999 1 tag_02_Quorvel" "9999 1 roll-2x-33x22" "10000 1 a4-3x10" "200000 4 a4-3x10"; do
  read -r labels per name <<< "$spec"
  file=$work/labels-$labels-$per.txt
  [[ -f $file ]] || "$src/bench/make-label-file.sh" "$labels" "$per" "$file"
  def=$src/examples/definitions/$name.rav
  [[ $name == tag_02_Quorvel ]] && def=$src/Relatorios/tag_02_Quorvel.rav
  run "$file" "$def" "$name-$labels-x$per"
done
