#!/usr/bin/env python3
"""The committed pictures keep the sizes, formats and colours the programs'
layouts and drawing rules are built on."""

import os
import struct
import unittest

from artwork import encoders

RES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                   "updater", "res")


def load_png(name):
    """(width, height, channels, pixel function) of a committed PNG."""
    with open(os.path.join(RES, name), "rb") as f:
        chunks, raw = encoders.png_content(f.read())
    width, height, depth, colour, _, _, _ = struct.unpack(">IIBBBBB", chunks[0][1])
    assert depth == 8 and colour in (2, 6)
    channels = 4 if colour == 6 else 3
    stride = 1 + width * channels

    def pixel(x, y):
        assert raw[y * stride] == 0  # the generator writes filter 0 only
        i = y * stride + 1 + x * channels
        return tuple(raw[i:i + channels])
    return width, height, channels, pixel


class Pictures(unittest.TestCase):
    def test_buttons_are_flat_fills_with_a_one_pixel_border(self):
        cases = [  # file, size, fill, border (with alpha for RGBA pictures)
            ("start_normal.png", (94, 34), (29, 87, 254, 128), (8, 81, 215, 255)),
            ("start_hover.png", (94, 34), (29, 87, 254, 92), (8, 81, 215, 204)),
            ("start_pressed.png", (94, 34), (15, 44, 127, 128), (4, 41, 108, 255)),
            ("start_fourth.png", (94, 34), (15, 44, 127, 92), (4, 41, 108, 204)),
            ("confirm_normal.png", (100, 30), (34, 50, 92), (8, 81, 215)),
            ("confirm_hover.png", (100, 30), (160, 125, 175), (111, 96, 255)),
            ("confirm_pressed.png", (100, 30), (144, 105, 133), (64, 62, 116)),
            ("quit_normal.png", (100, 30), (38, 39, 40), (71, 71, 71)),
            ("quit_hover.png", (100, 30), (185, 186, 187), (180, 180, 180)),
            ("quit_pressed.png", (100, 30), (25, 26, 27), (67, 64, 64)),
        ]
        for name, size, fill, border in cases:
            with self.subTest(name):
                w, h, channels, px = load_png(name)
                self.assertEqual((w, h, channels), size + (len(fill),))
                for x, y in ((0, 0), (w - 1, h - 1), (w // 2, 0), (0, h // 2)):
                    self.assertEqual(px(x, y), border)
                for x, y in ((1, 1), (w - 2, h - 2), (w // 2, h // 2)):
                    self.assertEqual(px(x, y), fill)

    def test_message_box_panel_has_its_border_title_band_and_body(self):
        w, h, channels, px = load_png("msgbox_background.png")
        self.assertEqual((w, h, channels), (392, 222, 3))
        edge, band, body = (90, 104, 122), (19, 19, 19), (36, 37, 38)
        for x, y, want in ((0, 0, edge), (391, 100, edge), (200, 221, edge),
                           (1, 1, band), (390, 34, band),
                           (1, 35, body), (390, 220, body)):
            self.assertEqual(px(x, y), want, (x, y))

    def test_exit_glyphs_sit_on_the_panel_colour(self):
        for name in ("exit_normal.png", "exit_hover.png", "exit_pressed.png"):
            with self.subTest(name):
                w, h, channels, px = load_png(name)
                self.assertEqual((w, h, channels), (20, 20, 3))
                self.assertEqual(px(0, 0), (36, 37, 38))
                self.assertNotEqual(px(10, 10), (36, 37, 38))

    def test_main_background_is_opaque_and_free_of_the_transparent_colour(self):
        w, h, channels, px = load_png("main_background.png")
        self.assertEqual((w, h, channels), (768, 432, 4))
        for y in range(h):
            for x in range(w):
                r, g, b, a = px(x, y)
                if a != 255 or (r, g, b) == (255, 0, 255):
                    self.fail(f"pixel ({x}, {y}) is {(r, g, b, a)}")
        # the Exit button's 20 x 20 square at (743, 5) lies on the panel colour
        self.assertEqual(px(742, 4), (36, 37, 38, 255))
        self.assertEqual(px(763, 25), (36, 37, 38, 255))


if __name__ == "__main__":
    unittest.main()
