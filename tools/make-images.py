#!/usr/bin/python3
"""Draws the raster images of the resource tree into src/Resources/.

The output is committed, so the build never runs this. Everything is drawn
at four times the size and scaled down, which gives smooth edges and the same
bytes on every run. The silhouettes and the bolt are read from their SVG
files, so raster and vector forms cannot drift apart.

Usage: tools/make-images.py [resources folder]  (needs python3-pil)
"""

import re
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

from PIL import Image, ImageDraw

SUPERSAMPLE = 4

NAVY = (0x04, 0x19, 0x28, 255)
STEEL = (0x43, 0x7F, 0x9D, 255)
CLEAR = (0, 0, 0, 0)


def canvas(width, height):
    image = Image.new("RGBA", (width * SUPERSAMPLE, height * SUPERSAMPLE), CLEAR)
    return image, ImageDraw.Draw(image)


def finish(image, width, height, path):
    # Averaging has to happen on premultiplied colour, or the see-through
    # pixels bleed black into the edges.
    small = image.convert("RGBa").resize((width, height), Image.BOX).convert("RGBA")
    small.save(path, format="PNG", optimize=False)


def box(x0, y0, x1, y1):
    s = SUPERSAMPLE
    return [x0 * s, y0 * s, x1 * s - 1, y1 * s - 1]


def rounded(draw, x0, y0, x1, y1, radius, fill):
    draw.rounded_rectangle(box(x0, y0, x1, y1), radius=radius * SUPERSAMPLE, fill=fill)


def alert_battery(path):
    """The battery lying on its side that frames the alert bar.

    The see-through window (x 91 to 865, y 90 to 446) holds the bar's area
    (x 150 to 793, y 150 to 387) with room to spare on every side.
    """
    width, height = 1043, 537
    image, draw = canvas(width, height)
    ring = 16
    # Terminal nub first, so the body's outline runs in front of its left end.
    rounded(draw, 934, 143, 1043, 392, 40, STEEL)
    rounded(draw, 934 + ring, 143 + ring, 1043 - ring, 392 - ring, 40 - ring, NAVY)
    rounded(draw, 0, 0, 950, 537, 80, STEEL)
    rounded(draw, ring, ring, 950 - ring, 537 - ring, 80 - ring, NAVY)
    rounded(draw, 91 - ring, 90 - ring, 865 + ring, 446 + ring, 40 + ring, STEEL)
    rounded(draw, 91, 90, 865, 446, 40, CLEAR)
    finish(image, width, height, path)


def alert_battery_fill(path):
    width, height = 646, 237
    image, draw = canvas(width, height)
    rounded(draw, 0, 0, width, height, 20, (0xC5, 0xC5, 0xC5, 255))
    finish(image, width, height, path)


def battery_critical(path):
    width, height = 200, 100
    image, draw = canvas(width, height)
    s = SUPERSAMPLE
    rounded(draw, 176, 34, 196, 66, 4, (0, 0, 0, 255))
    rounded(draw, 4, 12, 182, 88, 12, (0, 0, 0, 255))
    rounded(draw, 10, 18, 176, 82, 7, (255, 255, 255, 255))
    red = (0xED, 0x1C, 0x24, 255)
    draw.line([(34 * s, 10 * s), (152 * s, 90 * s)], fill=red, width=12 * s)
    draw.line([(152 * s, 10 * s), (34 * s, 90 * s)], fill=red, width=12 * s)
    finish(image, width, height, path)


def cubic(p0, p1, p2, p3, steps=48):
    points = []
    for i in range(1, steps + 1):
        t = i / steps
        u = 1 - t
        points.append((
            u * u * u * p0[0] + 3 * u * u * t * p1[0] + 3 * u * t * t * p2[0] + t * t * t * p3[0],
            u * u * u * p0[1] + 3 * u * u * t * p1[1] + 3 * u * t * t * p2[1] + t * t * t * p3[1],
        ))
    return points


def path_outline(d):
    """Flattens a path of absolute M, L, C and Z commands into one polygon."""
    tokens = re.findall(r"[MLCZ]|-?[0-9]*\.?[0-9]+", d)
    points = []
    command = None
    i = 0
    while i < len(tokens):
        if tokens[i] in "MLCZ":
            command = tokens[i]
            i += 1
            if command == "Z":
                continue
        numbers = [float(t) for t in tokens[i:i + (6 if command == "C" else 2)]]
        if command in "ML":
            points.append((numbers[0], numbers[1]))
            i += 2
        elif command == "C":
            points += cubic(points[-1], numbers[0:2], numbers[2:4], numbers[4:6])
            i += 6
        else:
            raise ValueError("unsupported path command " + str(command))
    return points


def svg_shape(svg_path):
    root = ET.parse(svg_path).getroot()
    view_box = [float(v) for v in root.get("viewBox").split()]
    namespace = "{http://www.w3.org/2000/svg}"
    element = root.find(namespace + "path")
    if element is not None:
        outline = path_outline(element.get("d"))
    else:
        element = root.find(namespace + "polygon")
        numbers = [float(v) for v in re.split(r"[ ,]+", element.get("points").strip())]
        outline = list(zip(numbers[0::2], numbers[1::2]))
    fill = element.get("fill").lstrip("#")
    colour = tuple(int(fill[k:k + 2], 16) for k in (0, 2, 4)) + (255,)
    return view_box[2], view_box[3], outline, colour


def raster_of_svg(svg_path, png_path, width, height, margin=0.0):
    """Draws an SVG's one shape filling the image, less `margin` on each side."""
    view_width, view_height, outline, colour = svg_shape(svg_path)
    scale = min((width - 2 * margin) / view_width, (height - 2 * margin) / view_height)
    if margin == 0.0:
        scale_x, scale_y = width / view_width, height / view_height
    else:
        scale_x = scale_y = scale
    offset_x = (width - view_width * scale_x) / 2
    offset_y = (height - view_height * scale_y) / 2
    image, draw = canvas(width, height)
    s = SUPERSAMPLE
    draw.polygon([((offset_x + x * scale_x) * s, (offset_y + y * scale_y) * s) for x, y in outline], fill=colour)
    finish(image, width, height, png_path)


def main():
    folder = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "src" / "Resources"
    alert_battery(folder / "AlertBattery.png")
    alert_battery_fill(folder / "AlertBatteryFill.png")
    battery_critical(folder / "battery_critical.png")
    raster_of_svg(folder / "InternalBatteryIconBackground.svg", folder / "InternalBatteryIconBackground.png", 638, 866)
    raster_of_svg(folder / "ExternalBatteryIconBackground.svg", folder / "ExternalBatteryIconBackground.png", 413, 460)
    raster_of_svg(folder / "LightningBolt.svg", folder / "LightningBolt.png", 300, 300, margin=12.0)


if __name__ == "__main__":
    main()
