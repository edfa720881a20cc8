#!/usr/bin/env python3
"""Draws the skin pictures of the desktop program and writes each as an 8-bit RGBA PNG.

The pictures are the main window's emblem, title bar, window buttons and page tabs; the log page's
two grey bars, its small bar buttons, view tabs and playback buttons; the settings page's face and
its text buttons; and the popup's face and its Exit button. Each one is written as
OUTPUT_DIR/<id>.png, where <id> is the picture's resource id. The scheme is teal and black on dark
or grey ground: pressed pictures are darker and hover pictures brighter than the normal one.
Buttons that sit on a bar leave their corners (or their whole ground) transparent, so that the bar
behind them shows through when the program blends the picture over it.

Shapes are drawn at 4 x the size and scaled down with a Lanczos filter for smooth edges; texts
are drawn at the final size with the IPA Gothic font (antialiased) and composited over the shapes.
The output is the same on every run: no timestamps or other varying metadata are written.

Dependencies: python3-pil (Pillow) and fonts-ipafont-gothic.

Usage: scripts/make_skin_pictures.py [OUTPUT_DIR]    (default: resources/pictures)
"""

import math
import os
import sys

from PIL import Image, ImageDraw, ImageFont

FONT_PATH = "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"
S = 4  # supersampling factor for shapes

# Colours.
TEAL = (0, 160, 160)
TEAL_DARK = (0, 104, 104)
TEAL_BRIGHT = (70, 214, 214)
TEAL_LINE = (0, 151, 138)  # the colour of the settings page's own frame lines
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)

NORMAL, PRESSED, HOVER = "normal", "pressed", "hover"
TOP_CORNERS = (True, True, False, False)

_fonts = {}


def font(size):
    if size not in _fonts:
        _fonts[size] = ImageFont.truetype(FONT_PATH, size)
    return _fonts[size]


# ---------------------------------------------------------------------------------------------
# Drawing helpers. Coordinates are in picture pixels; a box (x0, y0, x1, y1) covers the pixels
# from x0 up to, not including, x1 (so (0, 0, w, h) is the whole picture).


def hires(w, h):
    """A transparent supersampled canvas for a w x h picture."""
    return Image.new("RGBA", (w * S, h * S), (0, 0, 0, 0))


def shrink(img):
    """Scales a supersampled canvas down to the picture's size."""
    return img.resize((img.width // S, img.height // S), Image.LANCZOS)


def hbox(box):
    """A picture-pixel box as an inclusive supersampled box for ImageDraw."""
    x0, y0, x1, y1 = box
    return (round(x0 * S), round(y0 * S), round(x1 * S) - 1, round(y1 * S) - 1)


def hpts(points):
    return [(x * S, y * S) for x, y in points]


def rgba(color, alpha=255):
    return tuple(color[:3]) + (color[3] if len(color) > 3 else alpha,)


def layer_over(base, paint):
    """Runs paint(draw) on a fresh transparent layer and composites the layer over base."""
    layer = Image.new("RGBA", base.size, (0, 0, 0, 0))
    paint(ImageDraw.Draw(layer))
    base.alpha_composite(layer)


def gradient(size, top, bottom):
    """A vertical gradient from colour top to colour bottom (RGB or RGBA)."""
    w, h = size
    top, bottom = rgba(top), rgba(bottom)
    column = Image.new("RGBA", (1, h))
    for y in range(h):
        t = y / (h - 1) if h > 1 else 0.0
        column.putpixel((0, y), tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)))
    return column.resize((w, h), Image.NEAREST)


def rounded_mask(size, box, radius, corners=None):
    """A supersampled mask of a rounded rectangle; corners (top left, top right, bottom right,
    bottom left) chooses which corners are rounded (default: all), the others stay square."""
    mask = Image.new("L", size, 0)
    d = ImageDraw.Draw(mask)
    x0, y0, x1, y1 = hbox(box)
    d.rounded_rectangle((x0, y0, x1, y1), radius * S, fill=255)
    r = round(radius * S)
    squares = [(x0, y0, x0 + r, y0 + r), (x1 - r, y0, x1, y0 + r), (x1 - r, y1 - r, x1, y1),
               (x0, y1 - r, x0 + r, y1)]
    for rounded, square in zip(corners or (True,) * 4, squares):
        if not rounded:
            d.rectangle(square, fill=255)
    return mask


def rounded_gradient(base, box, radius, top, bottom, outline=None, corners=None, open_bottom=False):
    """Fills a rounded rectangle of the supersampled canvas with a vertical gradient.

    corners (top left, top right, bottom right, bottom left) chooses which corners are rounded
    (default: all). An outline colour draws a 1-pixel border along the shape's edge, except along
    the bottom edge when open_bottom is set.
    """
    mask = rounded_mask(base.size, box, radius, corners)
    x0, y0, x1, y1 = hbox(box)
    layer = Image.new("RGBA", base.size, (0, 0, 0, 0))
    layer.paste(gradient((x1 - x0 + 1, y1 - y0 + 1), top, bottom), (x0, y0))
    if outline is not None:
        bx0, by0, bx1, by1 = box
        inner = rounded_mask(base.size, (bx0 + 1, by0 + 1, bx1 - 1, by1 - (0 if open_bottom else 1)),
                             max(radius - 1, 0), corners)
        rim = Image.composite(Image.new("L", base.size, 0), mask, inner)
        layer.paste(Image.new("RGBA", base.size, rgba(outline)), (0, 0), rim)
    layer.putalpha(Image.composite(layer.getchannel("A"), Image.new("L", base.size, 0), mask))
    base.alpha_composite(layer)


def text_size(text, size):
    x0, y0, x1, y1 = font(size).getbbox(text)
    return x1 - x0, y1 - y0


def fit_size(texts, max_w, max_h, start):
    """The largest font size from start down whose rendering of every text fits max_w x max_h."""
    size = start
    while size > 6:
        if all(text_size(t, size)[0] <= max_w and text_size(t, size)[1] <= max_h for t in texts):
            return size
        size -= 1
    return size


def draw_text(img, text, size, color, left=None, center=None, middle=None, top=None, baseline=None):
    """Draws antialiased text on a final-size picture, composited over what is there.

    Horizontally the text's ink starts at left, or is centred on center; vertically it is centred
    on middle, or its ink starts at top, or its baseline lies at baseline. Positions are rounded
    to whole pixels for crisp glyphs.
    """
    f = font(size)
    bx0, by0, bx1, by1 = f.getbbox(text)
    x = left - bx0 if left is not None else center - (bx0 + bx1) / 2
    if baseline is not None:
        y = baseline - f.getmetrics()[0]
    elif top is not None:
        y = top - by0
    else:
        y = middle - (by0 + by1) / 2
    mask = Image.new("L", img.size, 0)
    ImageDraw.Draw(mask).text((round(x), round(y)), text, font=f, fill=255)
    color = rgba(color)
    if color[3] != 255:
        mask = mask.point(lambda v: v * color[3] // 255)
    layer = Image.new("RGBA", img.size, color[:3] + (0,))
    layer.putalpha(mask)
    img.alpha_composite(layer)


def shade(color, factor):
    """Darkens (factor < 1) or brightens towards white (factor > 1) an RGB colour."""
    if factor <= 1:
        return tuple(round(c * factor) for c in color[:3])
    t = factor - 1
    return tuple(round(c + (255 - c) * t) for c in color[:3])


# ---------------------------------------------------------------------------------------------
# Icons. Each draws onto a supersampled canvas, inside the square box (x, y, size) in picture
# pixels, in one colour; cut-outs are drawn in CLEAR, which leaves them fully transparent.

CLEAR = (0, 0, 0, 0)


def icon_close(d, x, y, n, color):
    t = n * 0.085  # half stroke width
    a, b = x + n * 0.26, x + n * 0.74
    c, e = y + n * 0.26, y + n * 0.74
    for p, q in (((a, c), (b, e)), ((b, c), (a, e))):
        dx, dy = q[0] - p[0], q[1] - p[1]
        ln = math.hypot(dx, dy)
        ox, oy = -dy / ln * t, dx / ln * t
        d.polygon(hpts([(p[0] + ox, p[1] + oy), (q[0] + ox, q[1] + oy),
                        (q[0] - ox, q[1] - oy), (p[0] - ox, p[1] - oy)]), fill=color)


def icon_maximize(d, x, y, n, color):
    d.rectangle(hbox((x + n * 0.2, y + n * 0.2, x + n * 0.8, y + n * 0.8)), fill=color)
    d.rectangle(hbox((x + n * 0.2 + 1.2, y + n * 0.2 + 2.6, x + n * 0.8 - 1.2, y + n * 0.8 - 1.2)),
                fill=CLEAR)


def icon_minimize(d, x, y, n, color):
    d.rectangle(hbox((x + n * 0.2, y + n * 0.64, x + n * 0.8, y + n * 0.64 + 2.2)), fill=color)


def icon_down_arrow(d, x, y, n, color):
    cx = x + n / 2
    d.rectangle(hbox((cx - n * 0.11, y + n * 0.06, cx + n * 0.11, y + n * 0.5)), fill=color)
    d.polygon(hpts([(x + n * 0.16, y + n * 0.42), (x + n * 0.84, y + n * 0.42), (cx, y + n * 0.8)]),
              fill=color)
    d.rectangle(hbox((x + n * 0.1, y + n * 0.86, x + n * 0.9, y + n * 0.98)), fill=color)


def icon_list(d, x, y, n, color):
    for i in range(3):
        top = y + n * (0.1 + 0.3 * i)
        d.rectangle(hbox((x + n * 0.04, top, x + n * 0.24, top + n * 0.2)), fill=color)
        d.rectangle(hbox((x + n * 0.34, top + n * 0.04, x + n * 0.96, top + n * 0.16)), fill=color)


def icon_gear(d, x, y, n, color):
    cx, cy = x + n / 2, y + n / 2
    r_out, r_in, r_hole = n * 0.5, n * 0.34, n * 0.17
    teeth = 8
    pts = []
    for i in range(teeth * 4):
        ang = 2 * math.pi * (i - 0.5) / (teeth * 4)
        r = r_out if (i % 4) in (0, 1) else r_in
        pts.append((cx + r * math.cos(ang), cy + r * math.sin(ang)))
    d.polygon(hpts(pts), fill=color)
    d.ellipse(hbox((cx - r_in - 0.1, cy - r_in - 0.1, cx + r_in + 0.1, cy + r_in + 0.1)), fill=color)
    d.ellipse(hbox((cx - r_hole, cy - r_hole, cx + r_hole, cy + r_hole)), fill=CLEAR)


def icon_table(d, x, y, n, color):
    x0, y0, x1, y1 = x + n * 0.12, y + n * 0.16, x + n * 0.88, y + n * 0.84
    line = n / 16  # one pixel at the 18 x 18 size
    d.rectangle(hbox((x0, y0, x1, y1)), fill=color)
    # four cells under a solid header row
    ix0, iy0, ix1, iy1 = x0 + line, y0 + 3 * line, x1 - line, y1 - line
    mx, my = (ix0 + ix1) / 2, (iy0 + iy1) / 2
    for cx0, cx1 in ((ix0, mx - line / 2), (mx + line / 2, ix1)):
        for cy0, cy1 in ((iy0, my - line / 2), (my + line / 2, iy1)):
            d.rectangle(hbox((cx0, cy0, cx1, cy1)), fill=CLEAR)


def icon_floppy(d, x, y, n, color):
    x0, y0, x1, y1 = x + n * 0.14, y + n * 0.14, x + n * 0.86, y + n * 0.86
    cut = n * 0.16
    d.polygon(hpts([(x0, y0), (x1 - cut, y0), (x1, y0 + cut), (x1, y1), (x0, y1)]), fill=color)
    w = x1 - x0
    # shutter with its window
    d.rectangle(hbox((x0 + w * 0.22, y0, x0 + w * 0.72, y0 + (y1 - y0) * 0.34)), fill=CLEAR)
    d.rectangle(hbox((x0 + w * 0.5, y0 + 1.0, x0 + w * 0.64, y0 + (y1 - y0) * 0.34 - 1.0)), fill=color)
    # label
    d.rectangle(hbox((x0 + w * 0.16, y0 + (y1 - y0) * 0.52, x1 - w * 0.16, y1 - 1.0)), fill=CLEAR)


def icon_rewind(d, x, y, n, color):
    cy = y + n / 2
    h = n * 0.3
    for off in (0.0, 0.36):
        tip = x + n * (0.12 + off)
        d.polygon(hpts([(tip, cy), (tip + n * 0.38, cy - h), (tip + n * 0.38, cy + h)]), fill=color)


def icon_fast_forward(d, x, y, n, color):
    cy = y + n / 2
    h = n * 0.3
    for off in (0.0, 0.36):
        tip = x + n * (0.88 - off)
        d.polygon(hpts([(tip, cy), (tip - n * 0.38, cy - h), (tip - n * 0.38, cy + h)]), fill=color)


def icon_stop(d, x, y, n, color):
    d.rectangle(hbox((x + n * 0.24, y + n * 0.24, x + n * 0.76, y + n * 0.76)), fill=color)


def icon_pause(d, x, y, n, color):
    for a in (0.24, 0.58):
        d.rectangle(hbox((x + n * a, y + n * 0.22, x + n * (a + 0.18), y + n * 0.78)), fill=color)


def icon_play(d, x, y, n, color):
    d.polygon(hpts([(x + n * 0.28, y + n * 0.2), (x + n * 0.82, y + n * 0.5), (x + n * 0.28, y + n * 0.8)]),
              fill=color)


def draw_icon(base, icon, x, y, n, color):
    """Draws one icon on its own layer (so that its cut-outs stay see-through) over base."""
    layer_over(base, lambda d: icon(d, x, y, n, rgba(color)))


# ---------------------------------------------------------------------------------------------
# Picture families. Each function returns the final-size RGBA picture.


def emblem(w, h, _variant, _arg):
    """The small emblem: KEM over LOG, black on a teal rounded square."""
    img = hires(w, h)
    rounded_gradient(img, (0, 0, w, h), 3, shade(TEAL, 1.25), shade(TEAL, 0.9))
    # At this size the letters come out more even when drawn on the supersampled canvas, with a
    # thin stroke that makes up for the scaling's softening.
    f = ImageFont.truetype(FONT_PATH, 8 * S)
    d = ImageDraw.Draw(img)
    for word, middle in (("KEM", h * 0.28), ("LOG", h * 0.73)):
        bx0, by0, bx1, by1 = f.getbbox(word, stroke_width=1)
        d.text((w / 2 * S - (bx0 + bx1) / 2, middle * S - (by0 + by1) / 2), word, font=f,
               fill=rgba(BLACK), stroke_width=1, stroke_fill=rgba(BLACK))
    return shrink(img)


def bar(w, h, _variant, colors):
    """A flat grey bar: a vertical gradient with a light top line and a dark bottom line."""
    top, bottom, light, dark = colors
    img = gradient((w, h), top, bottom)
    d = ImageDraw.Draw(img)
    d.line([(0, 0), (w - 1, 0)], fill=rgba(light))
    d.line([(0, h - 1), (w - 1, h - 1)], fill=rgba(dark))
    return img


TITLE_BUTTON_FILL = {
    NORMAL: (shade(TEAL, 1.2), shade(TEAL, 0.85), shade(TEAL, 0.6)),
    PRESSED: (shade(TEAL, 0.7), shade(TEAL, 0.5), shade(TEAL, 0.35)),
    HOVER: (shade(TEAL, 1.55), shade(TEAL, 1.2), shade(TEAL, 0.75)),
}


def title_button(w, h, variant, icon):
    """A window button of the title strip: black mark on a teal rounded square."""
    top, bottom, edge = TITLE_BUTTON_FILL[variant]
    img = hires(w, h)
    rounded_gradient(img, (0, 0, w, h), 3.5, top, bottom, outline=edge)
    draw_icon(img, icon, 0.5, 0.5 if variant != PRESSED else 1.0, w - 1, BLACK)
    return shrink(img)


BAR_BUTTON_LOOK = {
    # ground top, ground bottom, rim, mark
    NORMAL: ((40, 40, 40), (8, 8, 8), (24, 24, 24, 230), shade(TEAL, 1.15)),
    PRESSED: ((4, 4, 4), (16, 16, 16), (0, 0, 0, 240), shade(TEAL, 0.7)),
    HOVER: ((70, 70, 70), (30, 30, 30), (0, 150, 150, 255), TEAL_BRIGHT),
}


def bar_button(w, h, variant, icon):
    """A small button of the grey bars: a teal mark on a black rounded square."""
    top, bottom, rim, mark = BAR_BUTTON_LOOK[variant]
    img = hires(w, h)
    rounded_gradient(img, (0, 0, w, h), 3.5, top, bottom, outline=rim)
    shift = 0.5 if variant == PRESSED else 0.0
    draw_icon(img, icon, 1 + shift, 1 + shift, w - 2, mark)
    return shrink(img)


def page_tab(w, h, variant, arg):
    """A page button of the title bar: a mark at the left and a label to its right.

    At rest the ground is clear, so that the grey title bar shows through, and mark and label
    are black; the hover look lightens the ground; pressed (and latched) the tab turns black with
    a teal mark, label and bottom line.
    """
    icon, label = arg
    img = hires(w, h)
    if variant == PRESSED:
        rounded_gradient(img, (1, 1, w - 1, h), 3, (44, 44, 44), (0, 0, 0), corners=TOP_CORNERS)
        layer_over(img, lambda d: d.rectangle(hbox((1, h - 3, w - 1, h)), fill=rgba(TEAL)))
        ink = TEAL_BRIGHT
    elif variant == HOVER:
        rounded_gradient(img, (1, 1, w - 1, h), 3, (255, 255, 255, 120), (255, 255, 255, 40),
                         corners=TOP_CORNERS)
        layer_over(img, lambda d: d.rectangle(hbox((1, h - 3, w - 1, h)), fill=rgba(TEAL)))
        ink = BLACK
    else:
        ink = BLACK
    # thin separators at both edges: a dark line beside a light one
    layer_over(img, lambda d: (d.rectangle(hbox((0, 4, 1, h - 4)), fill=(0, 0, 0, 70)),
                               d.rectangle(hbox((w - 1, 4, w, h - 4)), fill=(255, 255, 255, 90))))
    n = 15
    draw_icon(img, icon, 6, (h - n) / 2 - 1, n, ink)
    img = shrink(img)
    text_left = 6 + n + 4
    size = fit_size([label], w - text_left - 3, h - 6, 12)
    draw_text(img, label, size, ink, center=(text_left + w - 3) / 2, middle=h / 2 - 1)
    return img


def view_tab(w, h, variant, label):
    """A view tab of the bar under the map: teal label on black at rest, black on teal pressed."""
    img = hires(w, h)
    if variant == PRESSED:
        rounded_gradient(img, (0, 0, w, h), 4, shade(TEAL, 1.2), shade(TEAL, 0.9),
                         outline=shade(TEAL, 0.6), corners=TOP_CORNERS, open_bottom=True)
        ink = BLACK
    else:
        rounded_gradient(img, (0, 0, w, h), 4, (46, 46, 46), (0, 0, 0),
                         outline=(20, 20, 20), corners=TOP_CORNERS, open_bottom=True)
        ink = shade(TEAL, 1.35)
    img = shrink(img)
    size = fit_size([label], w - 10, h - 4, 12)
    draw_text(img, label, size, ink, center=w / 2, middle=h / 2 + 0.5)
    return img


TEXT_BUTTON_LOOK = {
    # ground top, ground bottom, rim
    NORMAL: (shade(TEAL, 1.2), shade(TEAL, 0.85), shade(TEAL, 0.55)),
    PRESSED: (shade(TEAL, 0.68), shade(TEAL, 0.8), shade(TEAL, 0.42)),
    HOVER: (shade(TEAL, 1.55), shade(TEAL, 1.2), shade(TEAL, 0.7)),
}

# Labels of the settings page's buttons; they share one font size so that the row looks even.
SETTING_LABELS = ["バージョン確認", "ファイル選択", "アップデート開始"]


def text_button(w, h, variant, arg):
    """A push button with a black label on a teal rounded face."""
    label, family = arg
    top, bottom, rim = TEXT_BUTTON_LOOK[variant]
    img = hires(w, h)
    rounded_gradient(img, (0, 0, w, h), 4, top, bottom, outline=rim)
    if variant != PRESSED:  # a light line under the top edge gives the face some relief
        layer_over(img, lambda d: d.rectangle(hbox((3, 1, w - 3, 2)), fill=(255, 255, 255, 90)))
    img = shrink(img)
    size = fit_size(family, w - 12, h - 8, 13)
    draw_text(img, label, size, BLACK, center=w / 2, middle=h / 2 + (1 if variant == PRESSED else 0))
    return img


def settings_face(w, h, _variant, _arg):
    """The settings page's face on clear ground: four groups framed by thin teal lines.

    Each group has its title on a teal tab at its top left and a row label at the left of its
    row. The rows line up with the page's controls placed over the face: the version line at
    y 24, the two path frames at y 84 and 147 (x 103 to 554), the program version line at y 213,
    and the buttons at x 568 and 686 of the same rows.
    """
    groups = [
        # frame top, frame bottom, title, row label, row middle, x where the row's control starts
        (0, 56, "本体バージョン", "ファームウェア Ver.", 32, 159),
        (62, 118, "ファームウェアアップデート", "ファイル選択", 96, 103),
        (125, 181, "GPSデータアップデート", "ファイル選択", 159, 103),
        (187, 242, "KEM LOGバージョン", "KEM LOG Ver.", 221, 117),
    ]
    label_left = 14
    title_size = fit_size([g[2] for g in groups], 300, 14, 13)
    label_size = min(fit_size([g[3]], g[5] - 6 - label_left, 16, 13) for g in groups)
    img = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    tabs = []
    for top, bottom, title, _label, _mid, _end in groups:
        d.rectangle((0, top, w - 1, bottom - 1), outline=rgba(TEAL_LINE))
        tab_w = text_size(title, title_size)[0] + 20
        tabs.append((top, tab_w))
    hi = hires(w, h)
    for top, tab_w in tabs:  # the tab sits in the frame's top left corner, rounded at its far end
        rounded_gradient(hi, (0, top, tab_w, top + 19), 5, shade(TEAL, 1.15), TEAL_LINE,
                         corners=(False, False, True, False))
    img.alpha_composite(shrink(hi))
    for top, _bottom, title, label, mid, _end in groups:
        draw_text(img, title, title_size, BLACK, left=10, middle=top + 9.5)
        draw_text(img, label, label_size, BLACK, left=label_left, middle=mid)
        d.rectangle((7, mid - 1, 9, mid + 1), fill=rgba(TEAL_LINE))  # a small bullet
    return img


def popup_face(w, h, _variant, _arg):
    """The popup's face: black panel, thin teal border, title, and a teal exclamation circle."""
    img = hires(w, h)
    layer_over(img, lambda d: d.rectangle(hbox((0, 0, w, h)), fill=(0, 0, 0, 255)))
    rounded_gradient(img, (0, 0, w, 34), 0, (34, 40, 40), (0, 0, 0))
    layer_over(img, lambda d: (
        d.rectangle(hbox((0, 0, w, h)), outline=rgba(TEAL), width=S),
        d.rectangle(hbox((3, 3, w - 3, h - 3)), outline=rgba(TEAL_DARK), width=S),
        d.rectangle(hbox((10, 31, w - 10, 32)), fill=rgba(TEAL)),
    ))
    # exclamation circle at the left of the message line
    cx, cy, r = 34, 62, 19
    layer_over(img, lambda d: d.ellipse(hbox((cx - r, cy - r, cx + r, cy + r)), fill=rgba(TEAL)))
    layer_over(img, lambda d: (
        d.rounded_rectangle(hbox((cx - 3, cy - 13, cx + 3, cy + 4)), 3 * S, fill=(0, 0, 0, 255)),
        d.ellipse(hbox((cx - 3.2, cy + 7, cx + 3.2, cy + 13.4)), fill=(0, 0, 0, 255)),
    ))
    img = shrink(img)
    draw_text(img, "KEM LOG", 16, TEAL_BRIGHT, left=14, baseline=24)
    kem_w = text_size("KEM LOG", 16)[0]
    draw_text(img, "Message", 14, WHITE, left=14 + kem_w + 10, baseline=24)
    return img


# ---------------------------------------------------------------------------------------------
# The pictures: id, width, height, drawing function, variant, argument.

TITLE_BAR = ((188, 188, 188), (118, 118, 118), (224, 224, 224), (64, 64, 64))
GREY_BAR = ((134, 134, 134), (84, 84, 84), (170, 170, 170), (48, 48, 48))


def button_triple(ids, w, h, fn, arg):
    """Rows for a button with normal / pressed / hover pictures (hover id 0: none)."""
    rows = []
    for pid, variant in zip(ids, (NORMAL, PRESSED, HOVER)):
        if pid:
            rows.append((pid, w, h, fn, variant, arg))
    return rows


PICTURES = [
    (129, 18, 18, emblem, NORMAL, None),
    (148, 894, 31, bar, NORMAL, TITLE_BAR),
    *button_triple((130, 132, 131), 17, 17, title_button, icon_close),
    *button_triple((133, 135, 134), 17, 17, title_button, icon_maximize),
    *button_triple((136, 138, 137), 17, 17, title_button, icon_minimize),
    *button_triple((139, 141, 140), 96, 32, page_tab, (icon_down_arrow, "ログ読み込み")),
    *button_triple((142, 144, 143), 96, 32, page_tab, (icon_list, "軌跡データ")),
    *button_triple((145, 147, 146), 96, 32, page_tab, (icon_gear, "本体設定")),
    (162, 269, 26, bar, NORMAL, GREY_BAR),
    (163, 625, 22, bar, NORMAL, GREY_BAR),
    *button_triple((165, 174, 0), 18, 18, bar_button, icon_table),
    *button_triple((166, 175, 0), 18, 18, bar_button, icon_floppy),
    *button_triple((173, 193, 0), 82, 17, view_tab, "グラフ"),
    *button_triple((192, 172, 0), 82, 17, view_tab, "詳細データ"),
    *button_triple((170, 189, 188), 18, 18, bar_button, icon_rewind),
    *button_triple((167, 183, 182), 18, 18, bar_button, icon_fast_forward),
    *button_triple((171, 191, 190), 18, 18, bar_button, icon_stop),
    *button_triple((168, 185, 184), 18, 18, bar_button, icon_pause),
    *button_triple((169, 187, 186), 18, 18, bar_button, icon_play),
    (154, 808, 242, settings_face, NORMAL, None),
    *button_triple((156, 181, 180), 110, 24, text_button, ("バージョン確認", SETTING_LABELS)),
    *button_triple((158, 177, 176), 110, 24, text_button, ("ファイル選択", SETTING_LABELS)),
    *button_triple((159, 179, 178), 110, 24, text_button, ("アップデート開始", SETTING_LABELS)),
    (161, 280, 111, popup_face, NORMAL, None),
    *button_triple((164, 195, 194), 75, 24, text_button, ("戻る", ["戻る"])),
]


def main(argv):
    out_dir = argv[1] if len(argv) > 1 else "resources/pictures"
    ids = [row[0] for row in PICTURES]
    if len(ids) != len(set(ids)):
        raise SystemExit("duplicate picture id")
    os.makedirs(out_dir, exist_ok=True)
    for pid, w, h, fn, variant, arg in PICTURES:
        img = fn(w, h, variant, arg).convert("RGBA")
        if img.size != (w, h):
            raise SystemExit(f"picture {pid}: drawn {img.size}, expected {(w, h)}")
        img.save(os.path.join(out_dir, f"{pid}.png"), "PNG", optimize=True)
    print(f"{len(PICTURES)} pictures written to {out_dir}")


if __name__ == "__main__":
    main(sys.argv)
