#!/usr/bin/env bash
# Whole-process benchmark of `sharometr-cli import` from a spreadsheet: 100,000 Keno draws saved
# as .xlsx (one row a draw, the numbers as number cells, a header row of text) against the same
# draws as the companion's CSV, each imported into an empty table. Prints the median wall time of
# RUNS runs of each, the peak resident memory, and the ratio xlsx / csv (the aim: at most 3).
# Usage: bench/import_sheets.sh BUILD_DIR [RUNS]   (a Release or RelWithDebInfo build)
set -euo pipefail

build=${1:?usage: bench/import_sheets.sh BUILD_DIR [RUNS]}
runs=${2:-5}
cli="$build/cli/sharometr-cli"
draws=100000
work=$(mktemp -d /tmp/sharometr-sheets.XXXXXX)
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

mkdir -p "$work/empty" "$work/full"
"$cli" create --game keno --sample 0 "$work/empty" >/dev/null
"$cli" create --game keno --sample "$draws" "$work/full" >/dev/null
table=$(ls "$work/empty")
"$cli" dump --format csv "$work/full/$table" >"$work/draws.csv"
python3 - "$work/draws.csv" "$work/draws.xlsx" <<'PY'
import sys, zipfile
rows = [line.rstrip("\n").split(",") for line in open(sys.argv[1], encoding="utf-8")]
def col(i):
    name = ""
    i += 1
    while i:
        i, r = divmod(i - 1, 26)
        name = chr(65 + r) + name
    return name
parts = []
for r, row in enumerate(rows, 1):
    cells = []
    for c, value in enumerate(row):
        ref = f"{col(c)}{r}"
        if value.isdigit():
            cells.append(f'<c r="{ref}"><v>{value}</v></c>')
        else:
            cells.append(f'<c r="{ref}" t="inlineStr"><is><t>{value}</t></is></c>')
    parts.append(f'<row r="{r}">' + "".join(cells) + "</row>")
ns = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
with zipfile.ZipFile(sys.argv[2], "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("[Content_Types].xml", '<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/></Types>')
    z.writestr("_rels/.rels", f'<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="{rel}/officeDocument" Target="xl/workbook.xml"/></Relationships>')
    z.writestr("xl/workbook.xml", f'<?xml version="1.0"?><workbook xmlns="{ns}" xmlns:r="{rel}"><sheets><sheet name="Keno" sheetId="1" r:id="rId1"/></sheets></workbook>')
    z.writestr("xl/_rels/workbook.xml.rels", f'<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="{rel}/worksheet" Target="worksheets/sheet1.xml"/></Relationships>')
    z.writestr("xl/worksheets/sheet1.xml", f'<?xml version="1.0"?><worksheet xmlns="{ns}"><sheetData>' + "".join(parts) + "</sheetData></worksheet>")
PY

measure() {
  local walls=() peak=0 start end kb
  for ((i = 0; i < runs; i++)); do
    cp "$work/empty/$table" "$work/t.dbf"
    start=$EPOCHREALTIME
    /usr/bin/time -f '%M' -o "$work/time" "$cli" import "$work/t.dbf" "$1" >/dev/null 2>&1
    end=$EPOCHREALTIME
    walls+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.1f", (b - a) * 1000 }')")
    kb=$(tail -n 1 "$work/time")
    ((kb > peak)) && peak=$kb
  done
  echo "$(printf '%s\n' "${walls[@]}" | median) $peak"
}

read -r csv_ms csv_kb < <(measure "$work/draws.csv")
read -r xlsx_ms xlsx_kb < <(measure "$work/draws.xlsx")
printf '%-6s %9s %9s\n' file "wall ms" "peak KB"
printf '%-6s %9s %9s\n' csv "$csv_ms" "$csv_kb" xlsx "$xlsx_ms" "$xlsx_kb"
awk -v x="$xlsx_ms" -v c="$csv_ms" 'BEGIN { printf "ratio xlsx/csv: %.2f (aim <= 3)\n", x / c }'
