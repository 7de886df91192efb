#!/usr/bin/env python3
"""Writes the small spreadsheets the archive tests read: a SuperLoto archive as .xlsx and .ods,
newest draw first, with a header, draw numbers, dates (a day number in the .xlsx, as spreadsheets store dates,
a date cell in the .ods) and a prize column. Run from this folder; the files are checked in."""
import zipfile

ROWS = [  # draw number, date, day number, numbers, prize
    (1236, "2025-12-01", 45992, [5, 19, 24, 33, 42, 1], "1 234 567 руб."),
    (1235, "2025-11-30", 45991, [4, 18, 23, 32, 41, 49], "900 000 руб."),
    (1234, "2025-11-29", 45990, [3, 17, 22, 31, 40, 48], "1 000 000 руб."),
]
HEADER = ["Тираж", "Дата", "Ш1", "Ш2", "Ш3", "Ш4", "Ш5", "Ш6", "Джекпот"]


def column(index):
    return chr(ord("A") + index)


def xlsx(path):
    strings = HEADER + [row[4] for row in ROWS]
    shared = "".join(f"<si><t>{s}</t></si>" for s in strings)
    rows = ["<row r=\"1\">" + "".join(f"<c r=\"{column(i)}1\" t=\"s\"><v>{i}</v></c>" for i in range(len(HEADER))) + "</row>"]
    for n, (draw, _, serial, numbers, prize) in enumerate(ROWS):
        r = n + 2
        cells = [f"<c r=\"A{r}\"><v>{draw}</v></c>", f"<c r=\"B{r}\"><v>{serial}</v></c>"]
        cells += [f"<c r=\"{column(2 + k)}{r}\"><v>{v}</v></c>" for k, v in enumerate(numbers)]
        cells.append(f"<c r=\"I{r}\" t=\"s\"><v>{len(HEADER) + n}</v></c>")
        rows.append(f"<row r=\"{r}\">" + "".join(cells) + "</row>")
    files = {
        "[Content_Types].xml": '<?xml version="1.0" encoding="UTF-8"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/></Types>',
        "_rels/.rels": '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>',
        "xl/workbook.xml": '<?xml version="1.0" encoding="UTF-8"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="Архив" sheetId="1" r:id="rId1"/></sheets></workbook>',
        "xl/_rels/workbook.xml.rels": '<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/></Relationships>',
        "xl/sharedStrings.xml": f'<?xml version="1.0" encoding="UTF-8"?><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="{len(strings)}" uniqueCount="{len(strings)}">{shared}</sst>',
        "xl/worksheets/sheet1.xml": '<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>' + "".join(rows) + "</sheetData></worksheet>",
    }
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in files.items():
            z.writestr(name, text)


def ods(path):
    def text_cell(s):
        return f'<table:table-cell office:value-type="string"><text:p>{s}</text:p></table:table-cell>'

    def number_cell(v):
        return f'<table:table-cell office:value-type="float" office:value="{v}"><text:p>{v}</text:p></table:table-cell>'

    rows = ["<table:table-row>" + "".join(text_cell(h) for h in HEADER) + "</table:table-row>"]
    for draw, date, _, numbers, prize in ROWS:
        cells = [number_cell(draw), f'<table:table-cell office:value-type="date" office:date-value="{date}"><text:p>{date}</text:p></table:table-cell>']
        cells += [number_cell(v) for v in numbers]
        cells.append(text_cell(prize))
        rows.append("<table:table-row>" + "".join(cells) + "</table:table-row>")
    content = ('<?xml version="1.0" encoding="UTF-8"?><office:document-content '
               'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
               'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
               'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2">'
               '<office:body><office:spreadsheet><table:table table:name="Архив">'
               + "".join(rows) + "</table:table></office:spreadsheet></office:body></office:document-content>")
    manifest = ('<?xml version="1.0" encoding="UTF-8"?><manifest:manifest xmlns:manifest="urn:oasis:names:tc:opendocument:xmlns:manifest:1.0" manifest:version="1.2">'
                '<manifest:file-entry manifest:full-path="/" manifest:media-type="application/vnd.oasis.opendocument.spreadsheet"/>'
                '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/></manifest:manifest>')
    with zipfile.ZipFile(path, "w") as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.spreadsheet", zipfile.ZIP_STORED)
        z.writestr("content.xml", content, zipfile.ZIP_DEFLATED)
        z.writestr("META-INF/manifest.xml", manifest, zipfile.ZIP_DEFLATED)


xlsx("superloto.xlsx")
ods("superloto.ods")
