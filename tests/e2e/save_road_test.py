"""The whole road of a drawing: a client posts real bodies to the program
(under Wine its save dialog answered by the window commander), and the files
it saves are checked with real decoders against the pictures posted and the
reply."""

import os
import sys
import unittest

import road

ON = -(1 << 31) + 0xFFFFFF  # white, with bit 31 switching transparency on


class Road(unittest.TestCase):
    def saved(self, p, body, names, steps=((road.SAVE, road.OK, {}),)):
        """Posts body and expects the success reply naming exactly names,
        each line's size that of the file, and nothing else saved; their paths."""
        status, kind, reply = p.post(body, steps)
        self.assertEqual((status, kind), (200, "text/plain"))
        self.assertEqual(road.saved_lines(reply), [road.expected_line(p.saved, n) for n in names])
        self.assertEqual(sorted(os.listdir(p.saved)), sorted(names))
        return [os.path.join(p.saved, n) for n in names]

    def assertSamePixels(self, path, picture):
        self.assertEqual(road.rgb_of(path), road.rgb_of(picture), path)


class TestRecordForm(Road):
    def test_record_and_raw_forms(self):
        picture, record = road.drawn_picture(), bytes((i * 131 + i // 251) & 0xFF for i in range(3000))
        for setting, body, names, kept in [
                ({}, road.record_body(b"P", picture, record), ["000.png", "000.pch"], record),
                ({}, road.record_body(b"S", picture, record[:777]), ["000.png", "000.spch"], record[:777]),
                ({}, road.record_body(b"S", picture), ["000.png"], None),
                ({"OptionFlag": 4}, road.record_body(b"P", picture, record), ["000.png"], None),  # no record chosen
                ({}, b"junji.gif\r\n" + picture, ["000.png"], None)]:
            with self.subTest(names=names, setting=setting, form=body[:1]):
                p = road.program(self, **setting)
                paths = self.saved(p, body, names)
                self.assertIn("No errors detected", road.pngcheck(paths[0]))
                self.assertSamePixels(paths[0], picture)
                if kept:
                    self.assertEqual(p.read(paths[1]), kept)


class TestFormats(Road):
    def test_pictures(self):
        many = road.many_coloured_picture(120, 90)
        for setting, picture, name, check in [
                ({"SaveType": 0}, road.drawn_picture(), "000.bmp",
                 lambda path: (os.path.getsize(path) == 54 + (61 * 3 + 3) // 4 * 4 * 43 and
                               road.identify(path, "%m") == "BMP3")),  # the 40-byte info header
                ({"SaveType": 1}, road.colours_picture(256), "000.png", lambda path: "8-bit palette" in road.pngcheck(path)),
                ({"SaveType": 1}, road.colours_picture(300), "000.png", lambda path: "24-bit RGB" in road.pngcheck(path)),
                ({"SaveType": 3}, road.colours_picture(200), "000.gif",
                 lambda path: "GIF file terminated normally" in road.run("giftext", path).decode()),
                ({"SaveType": 3}, road.colours_picture(300), "000.png", lambda path: "24-bit RGB" in road.pngcheck(path)),
                ({"SaveType": 2, "JPEGSave": 0x8055}, many, "000.jpg", lambda path: self.jpeg(path, 0x8055)),
                ({"SaveType": 2, "JPEGSave": 0x0050}, many, "000.jpg", lambda path: self.jpeg(path, 0x0050))]:
            with self.subTest(setting=setting, name=name):
                path, = self.saved(road.program(self, OptionFlag=4, **setting), road.record_body(b"P", picture), [name])
                self.assertTrue(check(path))
                if name[-3:] != "jpg":
                    self.assertSamePixels(path, picture)

    def jpeg(self, path, setting):
        """libjpeg decodes it; progressive by bit 15, its quality the low byte."""
        self.assertTrue(road.run("djpeg", "-pnm", path).startswith(b"P6\n120 90\n"))
        return road.identify(path, "%[interlace] %Q") == "%s %d" % ("JPEG" if setting & 0x8000 else "None",
                                                                     setting & 0xFF)

    def test_thumbnails(self):
        for kind, width, height, comp, size in [(0, 33, 75, 0, (80, 50)), (1, 150, 20, 0, (80, 50)),
                                                (1, 1, 1, 0, (50, 50)), (2, 50, 50, 0x8055, (80, 50)),
                                                (2, 25, 60, 0x0028, (80, 50))]:
            with self.subTest(kind=kind, width=width, height=height, comp=comp):
                name = "s_000." + ("bmp", "png", "jpg")[kind]
                p = road.program(self, OptionFlag=8, ThumType=kind, ThumWPers=width, ThumHPers=height, ThumComp=comp)
                path, = self.saved(p, road.record_body(b"P", road.many_coloured_picture(*size)), [name])
                self.assertEqual(road.identify(path, "%w %h %m %[interlace]").split(), [
                    str(max(1, width * size[0] // 100)), str(max(1, height * size[1] // 100)),
                    ("BMP3", "PNG", "JPEG")[kind], "JPEG" if comp & 0x8000 else "None"])
                if kind == 1:
                    self.assertIn("No errors detected", road.pngcheck(path))

    def test_transparency_on_and_off(self):
        for save_type, colour, names in [(1, ON, ["000.png", "s_000.png"]), (3, ON, ["000.gif", "s_000.png"]),
                                         (1, 0xFFFFFF, ["000.png", "s_000.png"]), (3, 0xFFFFFF, ["000.gif", "s_000.png"])]:
            with self.subTest(save_type=save_type, colour=colour):
                p = road.program(self, OptionFlag=12, SaveType=save_type, ThumType=1, ColorTP=colour)
                picture, thumbnail = self.saved(p, road.record_body(b"P", road.drawn_picture()), names)
                marked = ("tRNS" in road.pngcheck(picture) if save_type == 1 else
                          "Transparency on: yes" in road.run("giftext", picture).decode())
                self.assertEqual(marked, colour == ON)
                self.assertNotIn("tRNS", road.pngcheck(thumbnail))


class TestRefusals(Road):
    def test_nothing_chosen_or_no_png_saves_nothing(self):
        for flags, picture in [(0, road.drawn_picture()), (1, road.drawn_picture()), (2, road.drawn_picture()),
                               (22, b"GIF89a not a png")]:
            with self.subTest(flags=flags):
                p = road.program(self, OptionFlag=flags)
                self.assertIsNone(road.saved_lines(p.post(road.record_body(b"P", picture, b"rec"), ())[2]))
                self.assertEqual(os.listdir(p.saved), [])

    def test_an_existing_file_is_kept_and_the_drawing_takes_the_next_name(self):
        for flags in (23, 22):  # the overwrite question on and off
            with self.subTest(flags=flags):
                p = road.program(self, OptionFlag=flags)
                p.put(os.path.join(p.saved, "000.png"), b"an older drawing")
                picture = road.drawn_picture()
                reply = p.post(road.record_body(b"P", picture, b"rec"))[2]
                self.assertEqual(road.saved_lines(reply), [road.expected_line(p.saved, n) for n in ("001.png", "001.pch")])
                self.assertEqual(sorted(os.listdir(p.saved)), ["000.png", "001.pch", "001.png"])
                self.assertSamePixels(os.path.join(p.saved, "001.png"), picture)
                self.assertEqual(p.read(os.path.join(p.saved, "000.png")), b"an older drawing")


class TestSaveDialog(Road):
    """The Windows program's save dialog, answered by the window commander."""

    def setUp(self):
        if not road.windows():
            self.skipTest("the native program asks nothing")

    def test_a_name_typed_into_the_dialog(self):
        p = road.program(self, SaveType=2, JPEGSave=90)
        path, = self.saved(p, road.record_body(b"S", road.many_coloured_picture(120, 80)), ["絵日記.jpg"],
                           [(road.SAVE, road.OK, {road.SAVE_FILE_BOX: "絵日記"})])
        self.assertTrue(road.run("djpeg", "-pnm", path).startswith(b"P6\n120 80\n"))
        self.assertEqual(road.read_ini(p.path("set.ini"))["Setting"]["SaveFile"], "000",
                         "settings are written at exit only")

    def test_cancel_and_the_overwrite_question(self):
        p = road.program(self, OptionFlag=23)
        p.put(os.path.join(p.saved, "000.png"), b"older")
        body = road.record_body(b"P", road.drawn_picture(), b"rec")
        for steps in [[(road.SAVE, road.CANCEL, {})], [(road.SAVE, road.OK, {}), (road.QUESTION, road.NO, {})]]:
            with road.answered(steps, p.root) as pressed:
                self.assertIsNone(road.saved_lines(p.post(body, ())[2]))
            self.assertEqual([caption for caption, _ in pressed], [caption for caption, _, _ in steps])
            self.assertEqual(os.listdir(p.saved), ["000.png"])
        self.assertIn("000.png", pressed[1][1])
        picture = road.drawn_picture(50, 30)
        paths = self.saved(p, road.record_body(b"P", picture, b"rec"), ["000.png", "000.pch"],
                           [(road.SAVE, road.OK, {}), (road.QUESTION, road.YES, {})])
        self.assertSamePixels(paths[0], picture)


if __name__ == "__main__":
    sys.exit(road.main())
