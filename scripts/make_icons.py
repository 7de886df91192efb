#!/usr/bin/env python3
"""Draws the program's three window icons, each 32 x 32 in at most 16 colours (transparency
counted), as XPM text files in resources/, and the main icon once more for the desktop menu entry
in the hicolor theme's sizes: PNGs of 16 to 256 pixels and a scalable SVG.

  sharometr.xpm    main window: a board of red, green and blue bars with a yellow ball
  data_window.xpm  both draw data windows: a sheet with a grid of draws and the row marker
  about.xpm        About window: a red lottery ball with a white "i"
  icons/hicolor/NxN/apps/sharometr.png       the main icon, N = 16, 24, 32, 48, 64, 128, 256
  icons/hicolor/scalable/apps/sharometr.svg  the main icon, one square per pixel of the 32 x 32

The larger sizes repeat each pixel (the icon stays crisp), the smaller ones average the pixels
they cover.

Run by hand when an icon changes; the output is committed:
  python3 scripts/make_icons.py resources
"""
import os
import struct
import sys
import zlib

SIZE = 32

# The classic 16-colour palette, one character per colour; ' ' is transparent.
PALETTE = {
    ' ': None,
    'k': (0x00, 0x00, 0x00),
    'm': (0x80, 0x00, 0x00),
    'g': (0x00, 0x80, 0x00),
    'o': (0x80, 0x80, 0x00),
    'n': (0x00, 0x00, 0x80),
    't': (0x00, 0x80, 0x80),
    's': (0xC0, 0xC0, 0xC0),
    'd': (0x80, 0x80, 0x80),
    'r': (0xFF, 0x00, 0x00),
    'l': (0x00, 0xFF, 0x00),
    'y': (0xFF, 0xFF, 0x00),
    'b': (0x00, 0x00, 0xFF),
    'c': (0x00, 0xFF, 0xFF),
    'w': (0xFF, 0xFF, 0xFF),
}


class Icon:
    def __init__(self):
        self.cells = [[' '] * SIZE for _ in range(SIZE)]

    def put(self, x, y, c):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.cells[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        """Fills x0..x1, y0..y1 inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.put(x, y0, c)
            self.put(x, y1, c)
        for y in range(y0, y1 + 1):
            self.put(x0, y, c)
            self.put(x1, y, c)

    def ball(self, cx, cy, r, light, body, shade, outline):
        """A shaded ball: lit towards the upper left, an outline ring at its edge."""
        for y in range(SIZE):
            for x in range(SIZE):
                dx, dy = x + 0.5 - cx, y + 0.5 - cy
                d2 = dx * dx + dy * dy
                if d2 > r * r:
                    continue
                if d2 > (r - 1) * (r - 1):
                    c = outline
                elif (dx + r * 0.5) ** 2 + (dy + r * 0.5) ** 2 < (r * 0.2) ** 2:
                    c = light
                elif dx + dy > r * 0.75:
                    c = shade
                else:
                    c = body
                self.put(x, y, c)

    def disc(self, cx, cy, r, c):
        for y in range(SIZE):
            for x in range(SIZE):
                dx, dy = x + 0.5 - cx, y + 0.5 - cy
                if dx * dx + dy * dy <= r * r:
                    self.put(x, y, c)

    def colours(self):
        used = sorted({c for row in self.cells for c in row})
        assert len(used) <= 16, used
        return used


def main_icon():
    icon = Icon()
    # The board: grey, framed, with a white baseline and reference line.
    icon.rect(1, 4, 30, 30, 'd')
    icon.frame(0, 3, 31, 31, 'k')
    icon.rect(2, 26, 29, 26, 'w')
    for x in range(2, 30, 2):
        icon.put(x, 13, 'w')
    # Bars of the three colours of a board: blue rare, green usual, red frequent.
    bars = [(3, 22, 'b'), (7, 16, 'g'), (11, 9, 'r'), (15, 18, 'g'), (19, 23, 'b'), (23, 12, 'r'),
            (27, 19, 'g')]
    for x, top, c in bars:
        icon.rect(x, top, x + 2, 25, c)
    # Number captions under the bars, in yellow.
    for x, _, _ in bars:
        icon.rect(x + 1, 28, x + 1, 29, 'y')
    # A ball rolling onto the board.
    icon.ball(25, 6.5, 6.5, 'w', 'y', 'o', 'k')
    return icon


def data_window_icon():
    icon = Icon()
    # A sheet with a navy title row and a silver indicator column.
    icon.rect(1, 1, 30, 30, 'w')
    icon.rect(1, 1, 30, 6, 'n')
    icon.rect(1, 7, 5, 30, 's')
    icon.frame(0, 0, 31, 31, 'k')
    # Column titles in the title row.
    for x in range(9, 30, 6):
        icon.rect(x, 3, x + 2, 4, 'w')
    # Grid lines.
    for y in range(12, 31, 5):
        icon.rect(1, y, 30, y, 'd')
    for x in range(6, 31, 6):
        icon.rect(x, 7, x, 30, 'd')
    # A number in each cell, right-aligned as the grid shows them; the current row in teal.
    for row, y in enumerate(range(7, 30, 5)):
        for x in range(6, 30, 6):
            colour = 't' if row == 1 else 'k'
            icon.rect(x + 2, y + 2, x + 4, y + 3, colour)
    # The current-row marker: a black triangle in the indicator column.
    for i in range(3):
        icon.rect(2 + i, 14 + i, 2 + i, 18 - i, 'k')
    # The new-draw asterisk on the last row.
    icon.put(3, 26, 'r')
    icon.put(2, 27, 'r')
    icon.put(3, 27, 'r')
    icon.put(4, 27, 'r')
    icon.put(3, 28, 'r')
    return icon


def about_icon():
    icon = Icon()
    icon.ball(16, 16, 15.5, 'w', 'r', 'm', 'k')
    icon.disc(16.5, 16.5, 8, 'w')
    # An "i" in navy on the white label.
    icon.rect(15, 10, 17, 12, 'n')
    icon.rect(15, 14, 17, 22, 'n')
    icon.rect(14, 14, 14, 14, 'n')
    icon.rect(14, 22, 18, 22, 'n')
    return icon


def xpm(name, icon):
    used = icon.colours()
    lines = ['/* XPM */', 'static const char* const %s_xpm[] = {' % name,
             '"%d %d %d 1",' % (SIZE, SIZE, len(used))]
    for c in used:
        rgb = PALETTE[c]
        lines.append('"%s c %s",' % (c, 'None' if rgb is None else '#%02X%02X%02X' % rgb))
    rows = ['"%s"' % ''.join(row) for row in icon.cells]
    lines.append(',\n'.join(rows))
    lines.append('};')
    return '\n'.join(lines) + '\n'


THEME_SIZES = (16, 24, 32, 48, 64, 128, 256)


def rgba(c):
    rgb = PALETTE[c]
    return (0, 0, 0, 0) if rgb is None else rgb + (255,)


def resampled(icon, size):
    """The icon as size x size RGBA pixels: each output pixel is the area-weighted mean of the
    source pixels it covers, the colours weighted by their opacity."""
    scale = SIZE / size
    pixels = []
    for oy in range(size):
        row = []
        for ox in range(size):
            total = [0.0, 0.0, 0.0, 0.0]
            y0, y1 = oy * scale, (oy + 1) * scale
            x0, x1 = ox * scale, (ox + 1) * scale
            for sy in range(int(y0), min(SIZE, int(-(-y1 // 1)))):
                wy = min(y1, sy + 1) - max(y0, sy)
                for sx in range(int(x0), min(SIZE, int(-(-x1 // 1)))):
                    w = wy * (min(x1, sx + 1) - max(x0, sx))
                    r, g, b, a = rgba(icon.cells[sy][sx])
                    weight = w * a / 255
                    total[0] += r * weight
                    total[1] += g * weight
                    total[2] += b * weight
                    total[3] += weight
            area = scale * scale
            if total[3] == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(v / total[3]) for v in total[:3]) +
                           (round(255 * total[3] / area),))
        pixels.append(row)
    return pixels


def png(icon, size=SIZE):
    raw = b''
    for row in resampled(icon, size):
        raw += b'\x00' + b''.join(bytes(pixel) for pixel in row)

    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(raw, 9)) +
            chunk(b'IEND', b''))


def svg(icon):
    """One rectangle per run of equal pixels in a row, on a 32 x 32 view box."""
    out = ['<?xml version="1.0" encoding="UTF-8"?>',
           '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d" '
           'shape-rendering="crispEdges">' % (SIZE, SIZE, SIZE, SIZE),
           '<title>ШАРОМЕТР</title>']
    for y, row in enumerate(icon.cells):
        x = 0
        while x < SIZE:
            c = row[x]
            end = x
            while end < SIZE and row[end] == c:
                end += 1
            if PALETTE[c] is not None:
                out.append('<rect x="%d" y="%d" width="%d" height="1" fill="#%02X%02X%02X"/>' %
                           ((x, y, end - x) + PALETTE[c]))
            x = end
    out.append('</svg>')
    return '\n'.join(out) + '\n'


def main():
    if len(sys.argv) != 2:
        sys.exit('usage: make_icons.py OUTPUT_DIR')
    out = sys.argv[1]
    icons = {'sharometr': main_icon(), 'data_window': data_window_icon(), 'about': about_icon()}
    for name, icon in icons.items():
        with open(os.path.join(out, name + '.xpm'), 'w', encoding='ascii') as f:
            f.write(xpm(name, icon))
    theme = os.path.join(out, 'icons', 'hicolor')
    for size in THEME_SIZES:
        folder = os.path.join(theme, '%dx%d' % (size, size), 'apps')
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, 'sharometr.png'), 'wb') as f:
            f.write(png(icons['sharometr'], size))
    folder = os.path.join(theme, 'scalable', 'apps')
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, 'sharometr.svg'), 'w', encoding='utf-8') as f:
        f.write(svg(icons['sharometr']))


if __name__ == '__main__':
    main()
