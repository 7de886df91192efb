#!/usr/bin/env python3
"""Makes the user manual from its one source, docs/manual_text.py, in two forms:

  manual.doc   an RTF document in code page 1251 (the letters as \\'xx escapes, so the file is
               plain 7-bit text) that word processors open under the .doc name; the menu's
               "Как пользоваться" hands it to the desktop
  manual.html  the same text as one HTML page in UTF-8, readable in any browser

The build runs it (see the manual target in docs/CMakeLists.txt), with the program's version for
the text's @VERSION@:
  python3 scripts/make_manual.py docs/manual_text.py OUT.doc OUT.html VERSION
"""
import base64
import html
import os
import re
import runpy
import struct
import sys

# ---------------------------------------------------------------------------------------------
# RTF writing.
# ---------------------------------------------------------------------------------------------

TWIPS_PER_CM = 567
TWIPS_PER_PIXEL = 15  # a screen of 96 dots an inch
TEXT_WIDTH_TWIPS = 11906 - 1418 - 1134  # the A4 page less its margins, as render() sets them


def png_size(data):
    """The width and height of a PNG picture, from its header chunk."""
    if data[:8] != b'\x89PNG\r\n\x1a\n' or data[12:16] != b'IHDR':
        sys.exit('make_manual: a picture that is not a PNG')
    return struct.unpack('>II', data[16:24])


def escape(text):
    out = []
    for ch in text:
        if ch in '\\{}':
            out.append('\\' + ch)
        elif ord(ch) < 0x80:
            out.append(ch)
        else:
            try:
                out.append("\\'%02x" % ch.encode('cp1251')[0])
            except UnicodeEncodeError:
                sys.exit('make_manual: %r is not in code page 1251' % ch)
    return ''.join(out)


def inline(text):
    """Escapes a text and turns **bold** and `fixed` into RTF groups."""
    parts = re.split(r'(\*\*[^*]+\*\*|`[^`]+`)', text)
    out = []
    for part in parts:
        if part.startswith('**'):
            out.append('{\\b ' + escape(part[2:-2]) + '}')
        elif part.startswith('`'):
            out.append('{\\f2 ' + escape(part[1:-1]) + '}')
        else:
            out.append(escape(part))
    return ''.join(out)


BODY = '\\pard\\plain\\f0\\fs24\\sa120\\sl276\\slmult1\\qj '


def table(widths, rows):
    out = []
    for index, row in enumerate(rows):
        heading = index == 0
        out.append('\\trowd\\trgaph100\\trleft0' + ('\\trhdr' if heading else ''))
        edge = 0
        for width in widths:
            edge += int(round(width * TWIPS_PER_CM))
            out.append('\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10'
                       '\\clbrdrb\\brdrs\\brdrw10\\clbrdrr\\brdrs\\brdrw10' +
                       ('\\clcbpat2' if heading else '') + '\\cellx%d' % edge)
        out.append('\n')
        for cell in row:
            style = '\\pard\\plain\\intbl\\f0\\fs20\\sa40\\ql '
            text = inline(cell)
            out.append(style + ('{\\b ' + text + '}' if heading else text) + '\\cell\n')
        out.append('\\row\n')
    out.append('\\pard\\plain\\f0\\fs24\\sa120\\par\n')
    return ''.join(out)


def picture(data, caption):
    """A PNG picture held in the document, at its screen size or narrowed to the text's width,
    and its caption below it."""
    width, height = png_size(data)
    goal_width = min(width * TWIPS_PER_PIXEL, TEXT_WIDTH_TWIPS)
    goal_height = height * goal_width // width
    hexdata = data.hex()
    lines = '\n'.join(hexdata[at:at + 128] for at in range(0, len(hexdata), 128))
    return ('\\pard\\plain\\qc\\keepn\\sb120 {\\pict\\pngblip\\picw%d\\pich%d\\picwgoal%d\\pichgoal%d\n'
            '%s}\\par\n' % (width, height, goal_width, goal_height, lines) +
            '\\pard\\plain\\qc\\f0\\fs20\\i\\sa200 ' + inline(caption) + '\\par\n')


def render(manual, pictures):
    out = ['{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049\n',
           '{\\fonttbl{\\f0\\froman\\fcharset204 Times New Roman;}'
           '{\\f1\\fswiss\\fcharset204 Arial;}{\\f2\\fmodern\\fcharset204 Courier New;}}\n',
           '{\\colortbl;\\red0\\green0\\blue0;\\red230\\green230\\blue230;}\n',
           '{\\info{\\title ' + escape('ШАРОМЕТР: руководство пользователя') + '}'
           '{\\author ' + escape('Команда проекта ШАРОМЕТР') + '}}\n',
           '\\paperw11906\\paperh16838\\margl1418\\margr1134\\margt1134\\margb1134\n']
    for block in manual:
        kind = block[0]
        if kind == 'title':
            out.append('\\pard\\plain\\qc\\f1\\fs36\\b\\sa120 ' + inline(block[1]) + '\\par\n')
        elif kind == 'subtitle':
            out.append('\\pard\\plain\\qc\\f1\\fs28\\sa480 ' + inline(block[1]) + '\\par\n')
        elif kind == 'h1':
            out.append('\\pard\\plain\\keepn\\f1\\fs30\\b\\sb360\\sa160 ' + inline(block[1]) +
                       '\\par\n')
        elif kind == 'h2':
            out.append('\\pard\\plain\\keepn\\f1\\fs26\\b\\sb240\\sa120 ' + inline(block[1]) +
                       '\\par\n')
        elif kind == 'p':
            out.append(BODY + inline(block[1]) + '\\par\n')
        elif kind == 'ul':
            for item in block[1]:
                out.append('\\pard\\plain\\f0\\fs24\\sa80\\fi-284\\li568\\tx568\\qj '
                           '\\bullet\\tab ' + inline(item) + '\\par\n')
        elif kind == 'code':
            lines = block[1].split('\n')
            out.append('\\pard\\plain\\f2\\fs20\\li568\\sa120 ' +
                       '\\line '.join(escape(line) for line in lines) + '\\par\n')
        elif kind == 'table':
            out.append(table(block[1], block[2]))
        elif kind == 'image':
            out.append(picture(pictures[block[1]], block[2]))
        else:
            sys.exit('make_manual: unknown block %r' % kind)
    out.append('}\n')
    return ''.join(out)


# ---------------------------------------------------------------------------------------------
# HTML writing.
# ---------------------------------------------------------------------------------------------

STYLE = """
body { font-family: "Liberation Serif", "Times New Roman", serif; max-width: 50em; margin: 2em auto;
       padding: 0 1em; line-height: 1.45; text-align: justify; }
h1, h2, .title, .subtitle { font-family: "Liberation Sans", Arial, sans-serif; text-align: left; }
.title { font-size: 1.8em; font-weight: bold; text-align: center; margin-bottom: 0.2em; }
.subtitle { font-size: 1.4em; text-align: center; margin-bottom: 2em; }
h1 { font-size: 1.5em; margin-top: 1.8em; }
h2 { font-size: 1.25em; margin-top: 1.4em; }
code, pre { font-family: "Liberation Mono", "Courier New", monospace; }
pre { margin-left: 2em; }
table { border-collapse: collapse; margin: 0.5em 0 1em; text-align: left; }
th, td { border: 1px solid #000; padding: 0.2em 0.4em; vertical-align: top; }
th { background: #e6e6e6; }
figure { text-align: center; margin: 1em 0; }
img { max-width: 100%; height: auto; }
figcaption { font-style: italic; font-size: 0.9em; }
"""


def html_inline(text):
    """Escapes a text and turns **bold** and `fixed` into HTML elements."""
    parts = re.split(r'(\*\*[^*]+\*\*|`[^`]+`)', text)
    out = []
    for part in parts:
        if part.startswith('**'):
            out.append('<strong>' + html.escape(part[2:-2]) + '</strong>')
        elif part.startswith('`'):
            out.append('<code>' + html.escape(part[1:-1]) + '</code>')
        else:
            out.append(html.escape(part))
    return ''.join(out)


def html_table(widths, rows):
    total = sum(widths)
    out = ['<table>\n<colgroup>']
    out += ['<col style="width: %.0f%%">' % (100 * width / total) for width in widths]
    out.append('</colgroup>\n')
    for index, row in enumerate(rows):
        cell = 'th' if index == 0 else 'td'
        out.append('<tr>' + ''.join('<%s>%s</%s>' % (cell, html_inline(text), cell) for text in row) +
                   '</tr>\n')
    out.append('</table>\n')
    return ''.join(out)


def render_html(manual, pictures):
    out = ['<!DOCTYPE html>\n<html lang="ru">\n<head>\n<meta charset="utf-8">\n',
           '<title>' + html.escape('ШАРОМЕТР: руководство пользователя') + '</title>\n',
           '<style>' + STYLE + '</style>\n</head>\n<body>\n']
    for block in manual:
        kind = block[0]
        if kind in ('title', 'subtitle'):
            out.append('<p class="%s">%s</p>\n' % (kind, html_inline(block[1])))
        elif kind in ('h1', 'h2'):
            out.append('<%s>%s</%s>\n' % (kind, html_inline(block[1]), kind))
        elif kind == 'p':
            out.append('<p>' + html_inline(block[1]) + '</p>\n')
        elif kind == 'ul':
            out.append('<ul>\n' + ''.join('<li>' + html_inline(item) + '</li>\n' for item in block[1]) +
                       '</ul>\n')
        elif kind == 'code':
            out.append('<pre>' + html.escape(block[1]) + '</pre>\n')
        elif kind == 'table':
            out.append(html_table(block[1], block[2]))
        elif kind == 'image':
            # The page holds its pictures, so that it reads the same wherever it is copied.
            width, height = png_size(pictures[block[1]])
            out.append('<figure><img src="data:image/png;base64,%s" width="%d" height="%d" alt="%s">'
                       '<figcaption>%s</figcaption></figure>\n' %
                       (base64.b64encode(pictures[block[1]]).decode('ascii'), width, height,
                        html.escape(block[2]), html_inline(block[2])))
        else:
            sys.exit('make_manual: unknown block %r' % kind)
    out.append('</body>\n</html>\n')
    return ''.join(out)


def main():
    if len(sys.argv) != 5:
        sys.exit('usage: make_manual.py SOURCE OUTPUT.doc OUTPUT.html VERSION')
    manual = runpy.run_path(sys.argv[1])['MANUAL']
    # Pictures are named relative to the source's folder.
    pictures = {}
    for block in manual:
        if block[0] == 'image':
            with open(os.path.join(os.path.dirname(os.path.abspath(sys.argv[1])), block[1]), 'rb') as f:
                pictures[block[1]] = f.read()
    version = sys.argv[4]
    # The program's version, defined once in the build, where the text says @VERSION@.
    with open(sys.argv[2], 'w', encoding='ascii', newline='\r\n') as f:
        f.write(render(manual, pictures).replace('@VERSION@', version))
    with open(sys.argv[3], 'w', encoding='utf-8', newline='\n') as f:
        f.write(render_html(manual, pictures).replace('@VERSION@', version))


if __name__ == '__main__':
    main()
