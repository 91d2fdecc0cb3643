#!/usr/bin/env python3
"""Draws the program's two icons as 32 x 32 pixel art in the 16 standard
colours and writes them as .ico files (one 4-bit image each, with a
transparency mask):

  adapter.ico  icon 106: a box-shaped network adapter with two ports and a
               green indicator light, shown by the adapter's address dialog;
  phone.ico    icon 286: a desk telephone with a green display and a keypad,
               shown by the phone's address dialog.

The output is deterministic; the generated files are kept in ui/icons/.
Usage: make_icons.py [--output-dir DIR] [--preview]  (--preview prints the
pixels as text)."""
import argparse
import os
import struct

SIZE = 32

# The 16-colour palette of the classic display, in this order.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, DARK_RED, DARK_GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GRAY, RED, GREEN, YELLOW, BLUE, MAGENTA, CYAN, WHITE = range(8, 16)
CLEAR = None  # transparent
PREVIEW = "KrgonptsdRGYBMCW"


class Canvas:
    def __init__(self):
        self.pixels = [[CLEAR] * SIZE for _ in range(SIZE)]

    def plot(self, x, y, colour):
        if 0 <= x < SIZE and 0 <= y < SIZE:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, fill, outline=None):
        """Filled rectangle, corners inclusive, with an optional 1-pixel outline."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                self.plot(x, y, outline if edge and outline is not None else fill)

    def line(self, x0, y0, x1, y1, colour):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        error = dx + dy
        while True:
            self.plot(x0, y0, colour)
            if x0 == x1 and y0 == y1:
                return
            twice = 2 * error
            if twice >= dy:
                error += dy
                x0 += sx
            if twice <= dx:
                error += dx
                y0 += sy

    def polygon(self, points, fill, outline=None):
        """Fills a convex polygon by pixel centres, then outlines its edges."""
        ys = [y for _, y in points]
        for y in range(min(ys), max(ys) + 1):
            crossings = []
            for (xa, ya), (xb, yb) in zip(points, points[1:] + points[:1]):
                if ya == yb or not min(ya, yb) <= y <= max(ya, yb):
                    continue
                crossings.append(xa + (y - ya) * (xb - xa) / (yb - ya))
            if crossings:
                for x in range(round(min(crossings)), round(max(crossings)) + 1):
                    self.plot(x, y, fill)
        if outline is not None:
            for (xa, ya), (xb, yb) in zip(points, points[1:] + points[:1]):
                self.line(xa, ya, xb, yb, outline)

    def preview(self):
        return "\n".join("".join("." if c is CLEAR else PREVIEW[c] for c in row) for row in self.pixels)


def draw_adapter():
    """A network adapter seen from the front left: a silver box with a light
    top, a shaded side, two black network ports and a green indicator light,
    a cable leaving the right-hand port."""
    c = Canvas()
    # The box: top face, right face, front face, each outlined in black.
    c.polygon([(2, 12), (8, 6), (30, 6), (24, 12)], WHITE, BLACK)
    c.polygon([(24, 12), (30, 6), (30, 20), (24, 26)], GRAY, BLACK)
    c.rect(2, 12, 24, 26, SILVER, BLACK)
    # A highlight along the front's top edge and a shadow along its bottom.
    c.line(3, 13, 23, 13, WHITE)
    c.line(3, 25, 23, 25, GRAY)
    # The indicator light: green with a dark rim and a glint.
    c.rect(4, 15, 7, 18, GREEN, DARK_GREEN)
    c.plot(5, 16, WHITE)
    # A second, unlit light beside it.
    c.rect(9, 15, 12, 18, DARK_GREEN, BLACK)
    # Two network ports: black sockets with the latch notch at the bottom.
    for left in (13, 19):
        c.rect(left, 16, left + 4, 21, BLACK)
        c.line(left + 1, 17, left + 3, 17, YELLOW)
        c.rect(left + 1, 22, left + 3, 22, BLACK)
    # Ventilation slots on the side face.
    for offset in (0, 3, 6):
        c.line(26, 13 + offset, 28, 11 + offset, BLACK)
    # A cable from the right-hand port, down and away.
    c.line(21, 23, 21, 29, BLUE)
    c.line(22, 23, 22, 29, NAVY)
    c.line(21, 29, 30, 29, BLUE)
    c.line(22, 30, 30, 30, NAVY)
    # Feet.
    c.rect(4, 27, 6, 27, BLACK)
    c.rect(17, 27, 19, 27, BLACK)
    return c


def draw_phone():
    """A desk telephone: a dark body widening to its base, the handset lying
    across the top, a green display and a keypad of light keys."""
    c = Canvas()
    # The handset: two ear pieces joined by a curved grip, lying on the cradle.
    c.rect(2, 3, 29, 5, GRAY, BLACK)
    c.line(3, 4, 28, 4, SILVER)
    c.rect(1, 5, 8, 10, GRAY, BLACK)
    c.rect(23, 5, 30, 10, GRAY, BLACK)
    for x in (1, 8, 23, 30):
        c.plot(x, 10, CLEAR)
    c.line(2, 10, 7, 10, BLACK)
    c.line(24, 10, 29, 10, BLACK)
    c.line(2, 6, 7, 6, SILVER)
    c.line(24, 6, 29, 6, SILVER)
    # The body: a trapezoid with a light top edge and a dark base.
    c.polygon([(6, 9), (25, 9), (30, 28), (1, 28)], GRAY, BLACK)
    c.line(7, 10, 24, 10, SILVER)
    c.line(2, 27, 29, 27, BLACK)
    c.line(3, 26, 28, 26, BLACK)
    # The cradle's hook switches.
    c.rect(10, 8, 11, 9, BLACK)
    c.rect(20, 8, 21, 9, BLACK)
    # The display: green with a dark frame and a line of dark text.
    c.rect(9, 12, 22, 16, GREEN, BLACK)
    c.line(11, 14, 17, 14, DARK_GREEN)
    c.plot(19, 14, DARK_GREEN)
    # The keypad: four rows of three white keys with a shadow each.
    for row in range(4):
        for column in range(3):
            x = 10 + column * 4
            y = 18 + row * 2
            c.rect(x, y, x + 2, y, WHITE)
            c.plot(x + 2, y, SILVER)
    # A red message light beside the display.
    c.rect(24, 13, 25, 14, RED)
    return c


def ico_bytes(canvas):
    """One 32 x 32, 4-bit image: an ICONDIR, its entry, the DIB (header,
    palette, colour rows bottom-up, mask rows bottom-up; mask 1 = clear)."""
    colour_rows = []
    mask_rows = []
    for row in reversed(canvas.pixels):
        packed = bytearray()
        for x in range(0, SIZE, 2):
            high = row[x] if row[x] is not CLEAR else BLACK
            low = row[x + 1] if row[x + 1] is not CLEAR else BLACK
            packed.append(high << 4 | low)
        colour_rows.append(bytes(packed))
        bits = 0
        for x in range(SIZE):
            bits = bits << 1 | (1 if row[x] is CLEAR else 0)
        mask_rows.append(struct.pack(">I", bits))
    colour = b"".join(colour_rows)
    mask = b"".join(mask_rows)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, len(colour) + len(mask), 0, 0, 16, 0)
    image = info + palette + colour + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


ICONS = {"adapter.ico": draw_adapter, "phone.ico": draw_phone}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    default_dir = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "ui", "icons")
    parser.add_argument("--output-dir", default=os.path.normpath(default_dir))
    parser.add_argument("--preview", action="store_true")
    args = parser.parse_args()
    os.makedirs(args.output_dir, exist_ok=True)
    for name, draw in ICONS.items():
        canvas = draw()
        if args.preview:
            print(name)
            print(canvas.preview())
        with open(os.path.join(args.output_dir, name), "wb") as output:
            output.write(ico_bytes(canvas))


if __name__ == "__main__":
    main()
