#!/usr/bin/env bash
# Writes a label file of a clothing shop's items: Windows-1252 accents, CR LF, prices with a
# comma, and a valid EAN-13 per item (789, the item number, its check digit), so every item's
# code is distinct. LABELS labels in all, QUANTITY labels per line: quantity 1 is a shop
# tagging its whole stock once, every label a code of its own.
#
# Usage: bench/make-label-file.sh LABELS QUANTITY FILE
set -euo pipefail

labels=${1:?usage: make-label-file.sh LABELS QUANTITY FILE}
quantity=${2:?usage: make-label-file.sh LABELS QUANTITY FILE}
file=${3:?usage: make-label-file.sh LABELS QUANTITY FILE}

LC_ALL=C awk -v n="$labels" -v q="$quantity" 'BEGIN {
  ng = split("VESTUARIO|CAL\307ADOS|ACESS\323RIOS|INFANTIL|MODA PRAIA", g, "|");
  ns = split("CAMISETAS|CAL\307AS|VESTIDOS|T\312NIS|BOLSAS|PIJAMAS|BIQU\315NIS", s, "|");
  nb = split("NORTE|CORA\307\303O DE JEANS|MAR\311 ALTA|PASSO FIRME|FLOR DE LIS", b, "|");
  nc = split("AZUL MARINHO|ESTAMPA A\307A\315|BRANCO GELO|ROSA CH\301|CAF\311 COM LEITE|PRETO", c, "|");
  nt = split("BASICA|SKINNY|MIDI|CORRIDA|TIRACOLO|MANGA LONGA", t, "|");
  nz = split("PP P M G GG XG 36 38 40 42 U", z, " ");
  items = int((n + q - 1) / q);
  for (i = 0; i < items; i++) {
    code = sprintf("789%09d", i);
    sum = 0;
    for (k = 1; k <= 12; k++)
      sum += substr(code, k, 1) * (k % 2 ? 1 : 3);
    code = code (10 - sum % 10) % 10;
    left = n - i * q;
    printf "0%s|%s|%s|%s|REF-%06d|%s|%s|%s|%d,%02d|%d|\r\n", g[i % ng + 1], s[int(i / 3) % ns + 1], b[int(i / 7) % nb + 1],
           c[i % nc + 1], int(i / 4), t[int(i / 5) % nt + 1], z[i % nz + 1], code, 19 + (i * 37) % 480, (i * 13) % 100,
           left < q ? left : q;
  }
}' > "$file"
