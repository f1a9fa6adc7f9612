#!/usr/bin/env python3
"""Draws the program's icon (102) and the schedule window's four scroll-button bitmaps (128-131)
and writes them as .ico and .bmp files into src/res. Only the standard library: the files are
assembled byte by byte. Run it again after changing a picture and commit the images with it.

    tools/make_images.py [output folder]
"""
import os
import struct
import sys

BACK = (112, 112, 96)     # the ticker's default background
FRAME = (188, 188, 82)    # its default frame
TEXT1 = (255, 222, 119)   # site marker colour
TEXT2 = (248, 246, 192)   # title colour
FACE = (212, 208, 200)    # button face
SHADOW = (128, 128, 128)
LIGHT = (255, 255, 255)
ARROW = (32, 48, 96)


class Canvas:
    def __init__(self, width, height, fill=(0, 0, 0), alpha=255):
        self.width, self.height = width, height
        self.pixels = [[(fill, alpha) for _ in range(width)] for _ in range(height)]

    def put(self, x, y, colour, alpha=255):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = (colour, alpha)

    def rect(self, x0, y0, x1, y1, colour):
        """Fills the rectangle with corners (x0, y0) and (x1, y1), both included."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        for x in range(x0, x1 + 1):
            self.put(x, y0, colour)
            self.put(x, y1, colour)
        for y in range(y0, y1 + 1):
            self.put(x0, y, colour)
            self.put(x1, y, colour)

    def triangle(self, cx, top, rows, colour, upward):
        """An isosceles triangle centred on column cx: `rows` rows, 1 pixel at the tip, growing by 2."""
        for i in range(rows):
            y = top + i if upward else top + rows - 1 - i
            for x in range(cx - i, cx + i + 1):
                self.put(x, y, colour)

    def bgr_rows(self):
        """Rows bottom-up, as BMP and ICO store them."""
        return list(reversed(self.pixels))


def bmp24(canvas):
    stride = (canvas.width * 3 + 3) & ~3
    data = bytearray()
    for row in canvas.bgr_rows():
        line = bytearray()
        for (r, g, b), _ in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(data), 0, 0, 14 + len(header))
    return file_header + header + data


def ico(canvases):
    """A multi-size icon of 32-bit images with their AND masks."""
    images = []
    for c in canvases:
        xor = bytearray()
        for row in c.bgr_rows():
            for (r, g, b), a in row:
                xor += bytes((b, g, r, a))
        mask_stride = ((c.width + 31) // 32) * 4
        mask = bytearray()
        for row in c.bgr_rows():
            bits = bytearray(mask_stride)
            for x, (_, a) in enumerate(row):
                if a == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        header = struct.pack("<IiiHHIIiiII", 40, c.width, c.height * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append(header + xor + mask)
    out = bytearray(struct.pack("<HHH", 0, 1, len(canvases)))
    offset = 6 + 16 * len(canvases)
    for c, image in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.width % 256, c.height % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    return bytes(out)


def ticker_icon(size):
    """A small ticker strip: the default colours, a site marker and a title running left."""
    c = Canvas(size, size, alpha=0)
    s = size / 32.0

    def px(v):
        return int(round(v * s))

    top, bottom = px(8), px(24) - 1
    c.rect(0, top, size - 1, bottom, BACK)
    c.frame(0, top, size - 1, bottom, FRAME)
    mid = (top + bottom) // 2
    # Site marker "<  >" in text colour 1, then a title band in text colour 2.
    c.rect(px(3), mid - px(3), px(10), mid + px(3), TEXT1)
    c.rect(px(12), mid - px(2), px(29), mid + px(2), TEXT2)
    # A leftward arrow above the strip: the way the titles run.
    ay, tip = px(4), px(14)
    c.rect(tip, ay, px(28), ay, TEXT1)
    for d in range(px(3) + 1):
        c.rect(tip + d, ay - d, tip + d, ay + d, TEXT1)
    return c


def button(height, bar, upward):
    """A raised 29-pixel button with a triangle, and a bar at the tip for the to-first/to-last ones."""
    c = Canvas(29, height, FACE)
    c.rect(0, 0, 28, 0, LIGHT)
    c.rect(0, 0, 0, height - 1, LIGHT)
    c.rect(0, height - 1, 28, height - 1, SHADOW)
    c.rect(28, 0, 28, height - 1, SHADOW)
    rows = 5
    if bar:
        block = rows + 3
        y0 = (height - block) // 2
        if upward:
            c.rect(9, y0, 19, y0 + 1, ARROW)
            c.triangle(14, y0 + 3, rows, ARROW, True)
        else:
            c.triangle(14, y0, rows, ARROW, False)
            c.rect(9, y0 + rows + 1, 19, y0 + rows + 2, ARROW)
    else:
        c.triangle(14, (height - rows) // 2, rows, ARROW, upward)
    return c


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "src", "res")
    files = {
        "newsroller.ico": ico([ticker_icon(32), ticker_icon(16)]),
        "scroll_first.bmp": bmp24(button(16, True, True)),    # 128
        "scroll_last.bmp": bmp24(button(16, True, False)),    # 129
        "scroll_up.bmp": bmp24(button(14, False, True)),      # 130
        "scroll_down.bmp": bmp24(button(14, False, False)),   # 131
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        print(f"{name}: {len(data)} bytes")


if __name__ == "__main__":
    main()
