#!/usr/bin/env bash
# Label data to PDF: Quorvel's PDF output (bench_pdf_output) against gLabels 3's glabels-3-batch
# merging the same labels (same texts, same EAN-13 codes, same sheet) into a template written here.
#
# Usage: bench/run-pdf-bench.sh BUILD_DIR [WORK_DIR] [--no-glabels]
#   BUILD_DIR  a Release build holding bench_pdf_output, bench_engine_pdf and quorvel-batch
# GLABELS_RUNS: the gLabels runs, comma-separated (default "a4 1000,a4 10000,thermal 1000").
# gLabels is installed by hand for this comparison only, never by the project's scripts:
#   apt-get install --no-install-recommends glabels
# Prints one Markdown table row per run: wall time, processor time and peak memory come from
# /usr/bin/time; figures on a shared machine vary, processor time less than wall time.
set -euo pipefail

build=${1:?usage: run-pdf-bench.sh BUILD_DIR [WORK_DIR] [--no-glabels]}
work=${2:-/tmp/quorvel-pdf-bench}
with_glabels=1
[[ "${3:-}" == "--no-glabels" ]] && with_glabels=0
mkdir -p "$work"
bench="$build/bench_pdf_output"
per_item=5

# The print table as CSV, item by item as bench_pdf_output builds it: each item repeated
# per_item times, EAN-13 from 789 and the item number (check digit added by the encoders).
write_csv() {   # labels file
  awk -v n="$1" -v q="$per_item" 'BEGIN {
    split("AZUL PRETO BRANCO VERMELHO VERDE", c, " "); split("P M G GG XG", s, " ");
    print "grupo,subgrupo,marca,cor,referencia,tamanho,barra,preco";
    for (k = 0; k < n; k++) { i = int(k / q);
      printf "CAMISETA,MANGA CURTA,QUORVEL,%s,REF-%06d,%s,789%09d,\"R$ %d,90\"\n", c[i % 5 + 1], i, s[i % 5 + 1], i, 19 + i % 80 }
  }' > "$2"
}

text_object() {   # x y size weight content
  cat <<EOF
    <Object-text x="$1pt" y="$2pt" w="120pt" h="$(( $3 + 3 ))pt" justify="Left" valign="Top" auto_shrink="False" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0">
      <Span font_family="Liberation Sans" font_size="$3" font_weight="$4" font_italic="False" color="0x000000ff" line_spacing="1">$5</Span>
    </Object-text>
EOF
}

write_template() {   # layout csv file
  local size label layout
  if [[ $1 == thermal ]]; then
    size='size="Other" width="50mm" height="30mm"'
    label='<Label-rectangle id="0" width="50mm" height="30mm" round="0mm" x_waste="0mm" y_waste="0mm">'
    layout='<Layout nx="1" ny="1" x0="0mm" y0="0mm" dx="50mm" dy="30mm"/>'
  else
    size='size="A4"'
    label='<Label-rectangle id="0" width="70mm" height="29.7mm" round="0mm" x_waste="0mm" y_waste="0mm">'
    layout='<Layout nx="3" ny="10" x0="0mm" y0="0mm" dx="70mm" dy="29.7mm"/>'
  fi
  {
    echo '<?xml version="1.0"?>'
    echo '<Glabels-document xmlns="http://glabels.org/xmlns/3.0/">'
    echo "  <Template brand=\"Quorvel\" part=\"bench-$1\" $size description=\"benchmark\">"
    echo '    <Meta category="label"/>'
    echo "    $label"
    echo '      <Markup-margin size="0mm"/>'
    echo "      $layout"
    echo '    </Label-rectangle>'
    echo '  </Template>'
    echo '  <Objects id="0" rotate="False">'
    # Same places as bench_pdf_output: its y are baselines, gLabels' are tops of the text boxes.
    text_object 6 3 7 bold 'QUORVEL - LOJA 01'
    text_object 6 12 6 normal '<Field name="grupo"/> <Field name="subgrupo"/>'
    text_object 6 19 6 normal '<Field name="marca"/> <Field name="cor"/>'
    text_object 6 26 6 normal '<Field name="referencia"/>  TAM <Field name="tamanho"/>'
    text_object 84 11 12 bold '<Field name="preco"/>'
    text_object 100 26 6 normal '09/12/2026'
    echo '    <Object-barcode x="14pt" y="36pt" w="92pt" h="40pt" style="EAN-13" text="True" checksum="True" color="0x000000ff" field="barra" a0="1" a1="0" a2="0" a3="1" a4="0" a5="0"/>'
    echo '  </Objects>'
    echo "  <Merge type=\"Text/Comma/Line1Keys\" src=\"$2\"/>"
    echo '</Glabels-document>'
  } > "$3"
}

row() {   # tool layout labels timefile pdf
  local wall user sys rss
  read -r wall user sys rss < "$4"
  printf '| %s | %s | %s | %.2f | %.2f | %.0f | %.2f |\n' "$1" "$2" "$3" "$wall" "$(echo "$user + $sys" | bc)" \
    "$(echo "$rss / 1024" | bc -l)" "$(echo "$(stat -c %s "$5") / 1000000" | bc -l)"
}

echo '| Program | Sheet | Labels | Wall s | CPU s | Peak MB | PDF MB |'
echo '|---|---|---|---|---|---|---|'
for run in "a4 10000" "a4 100000" "thermal 9999" "thermal 100000"; do
  set -- $run
  /usr/bin/time -f '%e %U %S %M' -o "$work/time" \
    "$bench" --labels "$2" --layout "$1" --per-item "$per_item" --out "$work/quorvel-$1-$2.pdf" > "$work/quorvel-$1-$2.txt"
  row Quorvel "$1" "$2" "$work/time" "$work/quorvel-$1-$2.pdf"
done

# Through the engine with the shipped definitions (the price tag, one label per page, and the
# A4 sheet of 3 x 10): the print table filled, the report generated, the pages written. The runs
# of one label per item are a shop tagging its whole stock once: every label a distinct code.
src=$(cd "$(dirname "$0")/.." && pwd)
for run in "$src/Relatorios/tag_02_Quorvel.rav 10000 $per_item" "$src/examples/definitions/a4-3x10.rav 10000 $per_item" \
           "$src/examples/definitions/a4-3x10.rav 100000 $per_item" \
           "$src/Relatorios/tag_02_Quorvel.rav 10000 1" "$src/examples/definitions/a4-3x10.rav 10000 1"; do
  set -- $run
  name=$(basename "$1" .rav)
  label="$2"
  (( $3 == 1 )) && label="$2 distinct"
  /usr/bin/time -f '%e %U %S %M' -o "$work/time" \
    "$build/bench_engine_pdf" --definition "$1" --labels "$2" --per-item "$3" --out "$work/engine-$name-$2-$3.pdf" \
    > "$work/engine-$name-$2-$3.txt" 2>&1
  row "Quorvel engine + PDF" "$name" "$label" "$work/time" "$work/engine-$name-$2-$3.pdf"
done

# From the label file, as the operator's print run does: quorvel-batch imports the file, repeats
# each line by its quantity and writes the PDF. Quantity 1 gives every label its own code.
write_label_file() {   # labels quantity file
  "$src/bench/make-label-file.sh" "$1" "$2" "$3"
}
# The roll prints one tag a page, so its runs stay within the page limit of 9,999.
for run in "$src/Relatorios/tag_02_Quorvel.rav 9995 $per_item" \
           "$src/examples/definitions/a4-3x10.rav 10000 $per_item" "$src/examples/definitions/a4-3x10.rav 100000 $per_item" \
           "$src/Relatorios/tag_02_Quorvel.rav 9999 1" "$src/examples/definitions/a4-3x10.rav 10000 1"; do
  set -- $run
  name=$(basename "$1" .rav)
  label="$2"
  (( $3 == 1 )) && label="$2 distinct"
  write_label_file "$2" "$3" "$work/labels-$2-$3.txt"
  LANG=pt_BR.UTF-8 LC_ALL= /usr/bin/time -f '%e %U %S %M' -o "$work/time" \
    "$build/quorvel-batch" print "$work/labels-$2-$3.txt" --definition "$1" -o "$work/batch-$name-$2-$3.pdf" \
    > "$work/batch-$name-$2-$3.txt" 2>&1
  row "quorvel-batch print (label file)" "$name" "$label" "$work/time" "$work/batch-$name-$2-$3.pdf"
done

if (( with_glabels )); then
  if ! command -v glabels-3-batch > /dev/null; then
    echo "glabels-3-batch is not installed: apt-get install --no-install-recommends glabels" >&2
    exit 0
  fi
  IFS=, read -r -a glabels_runs <<< "${GLABELS_RUNS:-a4 1000,a4 10000,thermal 1000}"
  for run in "${glabels_runs[@]}"; do
    set -- $run
    write_csv "$2" "$work/labels-$2.csv"
    write_template "$1" "$work/labels-$2.csv" "$work/bench-$1-$2.glabels"
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" \
      glabels-3-batch -o "$work/glabels-$1-$2.pdf" "$work/bench-$1-$2.glabels" > "$work/glabels-$1-$2.txt" 2>&1
    row "gLabels 3.4" "$1" "$2" "$work/time" "$work/glabels-$1-$2.pdf"
  done
fi
