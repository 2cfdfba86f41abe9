#!/usr/bin/env python3
"""Writes the SVG sources of every image resource (dark theme, one accent).

Run tools/render.sh afterwards to turn them into the PNGs the program loads.
"""
import os

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "svg")
ACCENT = "#47b3f9"
ACCENT_HOVER = "#7bbbe5"
GREY = "#9a9a9a"
LIGHT = "#d8d8d8"
PANEL = "#2a2a2a"
FONT = "WenQuanYi Micro Hei"


def write(name, w, h, body):
    path = os.path.join(OUT, name + ".svg")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n'
                f'<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" '
                f'viewBox="0 0 {w} {h}">\n{body}\n</svg>\n')


def text(x, y, s, size, color, anchor="middle", weight="normal"):
    return (f'<text x="{x}" y="{y}" font-family="{FONT}" font-size="{size}" '
            f'font-weight="{weight}" fill="{color}" text-anchor="{anchor}">{s}</text>')


def normal_hover(name, w, h, draw, suffixes=("normal", "hover")):
    for suffix, color in zip(suffixes, (GREY, ACCENT)):
        write(f"{name}_{suffix}", w, h, draw(color))


# Title bar ---------------------------------------------------------------
write("titlebar/logo1", 68, 41,
      f'<rect x="4" y="6" width="30" height="30" rx="6" fill="{ACCENT}"/>'
      f'<rect x="10" y="24" width="18" height="3" rx="1.5" fill="#151515"/>'
      f'<rect x="10" y="17" width="12" height="3" rx="1.5" fill="#151515"/>'
      + text(51, 28, "CW", 14, LIGHT, weight="bold"))

icons = {
    "more": lambda c: "".join(f'<circle cx="{x}" cy="15" r="2" fill="{c}"/>' for x in (8, 15, 22)),
    "personcenter": lambda c: (f'<circle cx="15" cy="11" r="5" fill="none" stroke="{c}" stroke-width="2"/>'
                               f'<path d="M6 25 C6 18 24 18 24 25" fill="none" stroke="{c}" stroke-width="2"/>'),
    "min": lambda c: f'<rect x="8" y="19" width="14" height="2" fill="{c}"/>',
    "max": lambda c: f'<rect x="8.5" y="8.5" width="13" height="13" fill="none" stroke="{c}" stroke-width="2"/>',
    "normal": lambda c: (f'<rect x="7.5" y="11.5" width="11" height="11" fill="none" stroke="{c}" stroke-width="2"/>'
                         f'<path d="M11.5 11.5 V7.5 H22.5 V18.5 H18.5" fill="none" stroke="{c}" stroke-width="2"/>'),
    "close": lambda c: (f'<path d="M9 9 L21 21 M21 9 L9 21" stroke="{c}" stroke-width="2" '
                        'stroke-linecap="round"/>'),
}
for key, draw in icons.items():
    normal_hover(f"titlebar/{key}", 30, 30, draw)

# Bottom tab bar ------------------------------------------------------------
tabs = {"one": ("字幕工程", "M-9 -7 h7 l2 3 h9 v11 h-18 z"),
        "two": ("字幕编辑", "M-9 -7 h18 v14 h-18 z M-5 -2 h10 M-5 2 h7"),
        "three": ("视频压制", "M-9 -7 h18 v14 h-18 z M-2 -3 l5 3 l-5 3 z"),
        "four": ("批量任务", "M-9 -7 h18 M-9 0 h18 M-9 7 h18")}
for key, (label, path) in tabs.items():
    for suffix, color, bar in (("normal", GREY, ""), ("hover", ACCENT,
                                                      f'<rect x="40" y="0" width="240" height="3" fill="{ACCENT}"/>')):
        write(f"bottom/{key}_{suffix}", 320, 55,
              bar + f'<g transform="translate(110 28)"><path d="{path}" fill="none" stroke="{color}" '
                    'stroke-width="2" stroke-linejoin="round"/></g>' + text(172, 34, label, 16, color))

normal_hover("bottom/close", 40, 49,
             lambda c: f'<circle cx="20" cy="24" r="14" fill="#333" stroke="{c}" stroke-width="2"/>'
                       f'<path d="M14 18 L26 30 M26 18 L14 30" stroke="{c}" stroke-width="2.5" stroke-linecap="round"/>')
tool_icons = {
    "switch": lambda c: f'<path d="M6 10 h13 l-3 -3 M21 17 h-13 l3 3" fill="none" stroke="{c}" stroke-width="2"/>',
    "zoomin": lambda c: (f'<circle cx="12" cy="12" r="6.5" fill="none" stroke="{c}" stroke-width="2"/>'
                         f'<path d="M9 12 h6 M12 9 v6 M17 17 L22 22" stroke="{c}" stroke-width="2"/>'),
    "zoomout": lambda c: (f'<circle cx="12" cy="12" r="6.5" fill="none" stroke="{c}" stroke-width="2"/>'
                          f'<path d="M9 12 h6 M17 17 L22 22" stroke="{c}" stroke-width="2"/>'),
}
for key, draw in tool_icons.items():
    for suffix, color in (("normal", GREY), ("press", ACCENT)):
        write(f"bottom/{key}_{suffix}", 27, 27,
              f'<rect x="0.5" y="0.5" width="26" height="26" rx="4" fill="#303030"/>' + draw(color))

# Start page, left panel ------------------------------------------------------
for key, w, label, glyph in (("new", 87, "新建工程", "M6 10 h8 M10 6 v8"),
                             ("open", 88, "打开工程", "M4 6 h4 l1.5 2 h6.5 v7 h-12 z"),
                             ("delete", 117, "清空工程列表", "M5 6 h10 M7 6 v9 h6 v-9 M8.5 4 h3")):
    normal_hover(f"left/{key}", w, 20,
                 lambda c, glyph=glyph, label=label, w=w:
                 f'<path d="{glyph}" fill="none" stroke="{c}" stroke-width="1.6"/>'
                 + text(22, 15, label, 13, c, anchor="start"))
normal_hover("left/close", 16, 16,
             lambda c: f'<path d="M4 4 L12 12 M12 4 L4 12" stroke="{c}" stroke-width="1.8" stroke-linecap="round"/>')

# Start page, right panel -----------------------------------------------------
write("right/quickstart", 240, 40,
      f'<rect x="0" y="12" width="4" height="18" fill="{ACCENT}"/>' + text(14, 28, "快速开始", 20, LIGHT, anchor="start")
      + text(104, 28, "选择任务类型", 13, GREY, anchor="start"))
normal_hover("right/return", 80, 28,
             lambda c: f'<rect x="0.5" y="0.5" width="79" height="27" rx="4" fill="none" stroke="{c}"/>'
                       f'<path d="M16 9 l-5 5 l5 5" fill="none" stroke="{c}" stroke-width="2"/>'
                       + text(48, 19, "返回", 13, c))
write("right/video_bg", 200, 150,
      f'<rect x="60" y="35" width="80" height="56" rx="6" fill="none" stroke="{GREY}" stroke-width="3"/>'
      f'<path d="M92 50 l18 13 l-18 13 z" fill="{ACCENT}"/>' + text(100, 122, "选择媒体文件", 14, GREY))
write("right/txt_bg", 200, 150,
      f'<path d="M72 28 h40 l16 16 v52 h-56 z" fill="none" stroke="{GREY}" stroke-width="3"/>'
      f'<path d="M82 56 h36 M82 66 h36 M82 76 h24" stroke="{ACCENT}" stroke-width="3"/>'
      + text(100, 122, "选择文本文件", 14, GREY))

# Editor ------------------------------------------------------------------------
write("main/drag_right", 96, 96,
      f'<path d="M26 12 h30 l16 16 v56 h-46 z" fill="none" stroke="{GREY}" stroke-width="3"/>'
      f'<path d="M49 40 v28 M38 57 l11 11 l11 -11" fill="none" stroke="{ACCENT}" stroke-width="3"/>')
write("main/drag_left", 96, 96,
      f'<rect x="14" y="22" width="68" height="50" rx="6" fill="none" stroke="{GREY}" stroke-width="3"/>'
      f'<path d="M48 32 v28 M37 49 l11 11 l11 -11" fill="none" stroke="{ACCENT}" stroke-width="3"/>')
write("main/play_normal", 32, 32, f'<circle cx="16" cy="16" r="14" fill="{ACCENT}"/><path d="M13 10 l9 6 l-9 6 z" fill="#151515"/>')
write("main/pause_normal", 32, 32, f'<circle cx="16" cy="16" r="14" fill="{ACCENT}"/>'
      '<rect x="11" y="10" width="3.5" height="12" fill="#151515"/><rect x="17.5" y="10" width="3.5" height="12" fill="#151515"/>')
speaker = f'<path d="M6 13 h5 l6 -5 v16 l-6 -5 h-5 z" fill="{GREY}"/>'
write("main/unmute_normal", 32, 32, speaker + f'<path d="M21 12 q3 4 0 8 M24 9 q6 7 0 14" fill="none" stroke="{GREY}" stroke-width="2"/>')
write("main/mute_normal", 32, 32, speaker + f'<path d="M20 12 l7 8 M27 12 l-7 8" stroke="{ACCENT}" stroke-width="2"/>')
for level in range(6):
    bars = "".join(f'<rect x="{4 + i * 5}" y="{24 - (i + 1) * 3}" width="3" height="{(i + 1) * 3}" '
                   f'fill="{ACCENT if i < level else "#555"}"/>' for i in range(5))
    write(f"main/volume_{level}", 32, 32, bars)
write("main/opendir_normal", 18, 18, f'<path d="M2 4 h5 l2 2 h7 v9 h-14 z" fill="none" stroke="{GREY}" stroke-width="1.5"/>')

# Slider handle -------------------------------------------------------------------
for suffix, color in (("normal", ACCENT), ("hover", ACCENT_HOVER)):
    write(f"slider/progress_{suffix}", 32, 32,
          f'<circle cx="16" cy="16" r="8" fill="{color}"/><circle cx="16" cy="16" r="3" fill="#f0f0f0"/>')

# Table row buttons -----------------------------------------------------------------
table_icons = {"prev": "M15 6 l-7 6 l7 6", "next": "M9 6 l7 6 l-7 6", "ok": "M6 12 l4 4 l8 -9"}
for key, path in table_icons.items():
    for suffix, color in (("normal", GREY), ("press", ACCENT)):
        write(f"table/{key}_{suffix}", 24, 24,
              f'<path d="{path}" fill="none" stroke="{color}" stroke-width="2.2" stroke-linecap="round"/>')

# Overlap removal illustrations -------------------------------------------------------
def blocks(a, b, c, d):
    return (f'<rect width="200" height="60" fill="{PANEL}"/>'
            f'<rect x="{a}" y="14" width="{b - a}" height="14" fill="{ACCENT}"/>'
            f'<rect x="{c}" y="32" width="{d - c}" height="14" fill="{GREY}"/>')
write("overlay/one_bg", 200, 60, blocks(20, 120, 90, 180))
write("overlay/two_bg", 200, 60, blocks(20, 90, 90, 180))
write("overlay/three_bg", 200, 60, blocks(20, 120, 120, 180))
write("overlay/four_bg", 200, 60, blocks(20, 105, 105, 180))

# Batch page -----------------------------------------------------------------------------
normal_hover("batch/addtxt", 20, 20,
             lambda c: f'<path d="M4 2 h8 l4 4 v12 h-12 z" fill="none" stroke="{c}" stroke-width="1.5"/>'
                       f'<path d="M7 11 h6 M10 8 v6" stroke="{c}" stroke-width="1.5"/>')
