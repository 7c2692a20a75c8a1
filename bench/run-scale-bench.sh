#!/usr/bin/env bash
# How Quorvel scales: distinct bar codes, label counts up to the page limit, and printing against
# saving. Every run goes from a label file, as the operator's print run does (quorvel-batch print
# imports it, repeats each line by its quantity, lays the labels out and writes the PDF); each is
# run three times and the best wall time is kept, with its processor time and peak memory.
#
# Usage: bench/run-scale-bench.sh BUILD_DIR [WORK_DIR] [--no-glabels] [--no-spool]
#   BUILD_DIR  a Release build (-DCMAKE_BUILD_TYPE=Release) holding quorvel-batch, and
#              bench/print_spool_bench when the tests were built too
# The print-spool rows need cupsd and the queues of scripts/test.sh (QuorvelPDF, QuorvelZPL).
# gLabels is installed by hand for this comparison only, never by the project's scripts:
#   apt-get install --no-install-recommends glabels
set -euo pipefail

build=${1:?usage: run-scale-bench.sh BUILD_DIR [WORK_DIR] [--no-glabels] [--no-spool]}
work=${2:-/tmp/quorvel-scale-bench}
shift $(( $# >= 2 ? 2 : 1 ))
with_glabels=1 with_spool=1
for arg in "$@"; do
  [[ $arg == --no-glabels ]] && with_glabels=0
  [[ $arg == --no-spool ]] && with_spool=0
done
mkdir -p "$work"
src=$(cd "$(dirname "$0")/.." && pwd)
roll=$src/Relatorios/tag_02_Quorvel.rav
a4=$src/examples/definitions/a4-3x10.rav

# Realistic items with valid EAN-13 codes (789 + item number + check digit), `quantity` labels
# each: quantity 1 gives every label its own code.
write_label_file() {   # labels quantity file
  "$src/bench/make-label-file.sh" "$1" "$2" "$3"
}

# Best of three by wall time: "wall cpu peak_kb" of that run.
best_of_3() {   # command...
  local best="" line
  for _ in 1 2 3; do
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$@" > "$work/out.txt" 2>&1 || { cat "$work/out.txt" >&2; return 1; }
    read -r wall user sys rss < "$work/time"
    line="$wall $(echo "$user + $sys" | bc) $rss"
    if [[ -z $best ]] || (( $(echo "$wall < ${best%% *}" | bc) )); then best=$line; fi
  done
  echo "$best"
}

echo '| Work | Wall s | CPU s | Peak MB | PDF MB |'
echo '|---|---|---|---|---|'
for run in "A4|10,000 labels, 2,000 distinct codes x 5|$a4|10000|5" \
           "A4|10,000 labels, 10,000 distinct codes|$a4|10000|1" \
           "roll|9,999 tags, 9,999 distinct codes|$roll|9999|1" \
           "A4|200,000 labels, 50,000 distinct x 4|$a4|200000|4" \
           "A4|page limit: 299,970 labels (9,999 pages), 49,995 distinct x 6|$a4|299970|6" \
           "roll|page limit: 9,999 tags, 9,999 distinct|$roll|9999|1"; do
  IFS='|' read -r sheet what def labels per <<< "$run"
  file=$work/labels-$labels-$per.txt
  [[ -f $file ]] || write_label_file "$labels" "$per" "$file"
  pdf=$work/$sheet-$labels-$per.pdf
  read -r wall cpu rss < <(LANG=pt_BR.UTF-8 LC_ALL= best_of_3 "$build/quorvel-batch" print "$file" --definition "$def" -o "$pdf")
  printf '| %s, %s | %.2f | %.2f | %.0f | %.1f |\n' "$sheet" "$what" "$wall" "$cpu" "$(echo "$rss / 1024" | bc -l)" \
    "$(echo "$(stat -c %s "$pdf") / 1000000" | bc -l)"
done

# The window's print run: laid out for the preview, saved from it as a PDF (peak memory).
if [[ -x $build/bench/preview_run_memory ]]; then
  echo
  echo "The window's run, the preview saving the PDF (bench/preview_run_memory):"
  for run in "$a4|labels-200000-4" "$a4|labels-299970-6" "$roll|labels-9999-1"; do
    IFS='|' read -r def name <<< "$run"
    LANG=pt_BR.UTF-8 LC_ALL= "$build/bench/preview_run_memory" "$work/$name.txt" "$def" "$work/preview-$name.pdf" 2>/dev/null
  done
fi

if (( with_spool )); then
  if [[ -x $build/bench/print_spool_bench ]] && lpstat -r 2>/dev/null | grep -q 'is running'; then
    echo
    echo 'Print/OK in the preview to a queued CUPS job, 9,999 tags (best of 3):'
    "$build/bench/print_spool_bench" QuorvelPDF QuorvelZPL
  else
    echo "print-spool rows skipped: no $build/bench/print_spool_bench, or cupsd is not running" >&2
  fi
fi

if (( with_glabels )); then
  if ! command -v glabels-3-batch > /dev/null; then
    echo "glabels-3-batch is not installed: apt-get install --no-install-recommends glabels" >&2
    exit 0
  fi
  # The same distinct-code items merged by gLabels into an A4 sheet of 3 x 10 with the same texts
  # and code, against quorvel-batch on the same items. gLabels' time grows faster than its label
  # count (here 1.0 s for 1,000 labels, 95 s for 10,000), so the count is part of the figure;
  # GLABELS_LABELS sets it. Three runs of 10,000 take about five minutes.
  n=${GLABELS_LABELS:-10000}
  csv=$work/glabels-$n.csv
  awk -v n="$n" 'function ean(d,   i, s) { s = 0; for (i = 1; i <= 12; i++) s += substr(d, i, 1) * (i % 2 ? 1 : 3); return d (10 - s % 10) % 10 }
    BEGIN { split("AZUL PRETO BRANCO VERMELHO VERDE", c, " "); split("P M G GG XG", s, " ");
      print "grupo,subgrupo,marca,cor,referencia,tamanho,barra,preco";
      for (i = 0; i < n; i++)
        printf "CAMISETA,MANGA CURTA,QUORVEL,%s,REF-%06d,%s,%s,\"R$ %d,90\"\n", c[i % 5 + 1], i, s[i % 5 + 1], ean(sprintf("789%09d", i)), 19 + i % 80 }' > "$csv"
  cat > "$work/glabels-$n.glabels" <<EOF
<?xml version="1.0"?>
<Glabels-document xmlns="http://glabels.org/xmlns/3.0/">
  <Template brand="Quorvel" part="bench-a4" size="A4" description="benchmark">
    <Meta category="label"/>
    <Label-rectangle id="0" width="70mm" height="29.7mm" round="0mm" x_waste="0mm" y_waste="0mm">
      <Markup-margin size="0mm"/>
      <Layout nx="3" ny="10" x0="0mm" y0="0mm" dx="70mm" dy="29.7mm"/>
    </Label-rectangle>
  </Template>
  <Objects id="0" rotate="False">
    <Object-text x="6pt" y="3pt" w="120pt" h="10pt" justify="Left" valign="Top" auto_shrink="False" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0">
      <Span font_family="Liberation Sans" font_size="6" font_weight="normal" font_italic="False" color="0x000000ff" line_spacing="1"><Field name="grupo"/> <Field name="subgrupo"/> <Field name="marca"/> <Field name="cor"/></Span>
    </Object-text>
    <Object-text x="6pt" y="12pt" w="120pt" h="10pt" justify="Left" valign="Top" auto_shrink="False" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0">
      <Span font_family="Liberation Sans" font_size="6" font_weight="normal" font_italic="False" color="0x000000ff" line_spacing="1"><Field name="referencia"/>  TAM <Field name="tamanho"/></Span>
    </Object-text>
    <Object-text x="84pt" y="11pt" w="120pt" h="15pt" justify="Left" valign="Top" auto_shrink="False" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0">
      <Span font_family="Liberation Sans" font_size="12" font_weight="bold" font_italic="False" color="0x000000ff" line_spacing="1"><Field name="preco"/></Span>
    </Object-text>
    <Object-barcode x="14pt" y="36pt" w="92pt" h="40pt" style="EAN-13" text="True" checksum="True" color="0x000000ff" field="barra" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0"/>
  </Objects>
  <Merge type="Text/Comma/Line1Keys" src="$csv"/>
</Glabels-document>
EOF
  read -r gwall gcpu grss < <(best_of_3 glabels-3-batch -o "$work/glabels-$n.pdf" "$work/glabels-$n.glabels")
  # quorvel-batch on the same items, one label each.
  file=$work/labels-$n-1.txt
  [[ -f $file ]] || write_label_file "$n" 1 "$file"
  read -r qwall qcpu qrss < <(LANG=pt_BR.UTF-8 LC_ALL= best_of_3 "$build/quorvel-batch" print "$file" --definition "$a4" -o "$work/a4-$n-1.pdf")
  echo
  printf 'The same %d distinct-code A4 labels: gLabels 3.4 %.2f s (%.0f MB peak), quorvel-batch %.3f s (%.0f MB); Quorvel is %.0fx faster per label\n' \
    "$n" "$gwall" "$(echo "$grss / 1024" | bc -l)" "$qwall" "$(echo "$qrss / 1024" | bc -l)" "$(echo "$gwall / $qwall" | bc -l)"
fi
