"""The whole road of a drawing natively: a client posts real bodies to the
sketchhaven program, and the files it saves are checked with real decoders
against the pictures posted and against the lines of the reply.

Usage: save_road_test.py path/to/sketchhaven [unittest options]"""

import os
import sys
import tempfile
import unittest

import road


class RoadTest(unittest.TestCase):
    """Each program saves into the folder 'saved' of its program folder under
    the name 000, with the overwrite question off unless a test says so."""

    setting = {}

    def start_saving(self, **setting):
        values = {"OptionFlag": 22, "SaveFile": "000"}
        values.update(self.setting)
        values.update(setting)
        program = road.Program(**values)
        self.addCleanup(program.stop)
        return program

    def post_saved(self, program, body):
        """Posts body, expects the success reply and checks each line's size
        against the file on disk; returns the names."""
        status, kind, reply, _ = program.post(body)
        self.assertEqual(status, 200)
        self.assertEqual(kind, "text/plain")
        return road.saved_names(self, program.saved, reply)

    def post_refused(self, program, body):
        status, kind, reply, _ = program.post(body)
        self.assertEqual((status, kind), (200, "text/plain"))
        self.assertIsNone(road.saved_lines(reply))

    def saved(self, program, name):
        return os.path.join(program.saved, name)

    def assertSamePixels(self, path, picture_bytes):
        with tempfile.NamedTemporaryFile(suffix=".png") as f:
            f.write(picture_bytes)
            f.flush()
            self.assertEqual(road.rgb_of(path), road.rgb_of(f.name), path)

    def assertFilesUnder(self, folder, names):
        self.assertEqual(sorted(os.listdir(folder)), sorted(names))


class TestRecordForm(RoadTest):
    def test_picture_and_pch_animation(self):
        p = self.start_saving()
        picture, record = road.drawn_picture(), road.animation_record()
        self.assertEqual(self.post_saved(p, road.record_body(b"P", picture, record)), ["000.png", "000.pch"])
        self.assertIn("No errors detected", road.pngcheck(self.saved(p, "000.png")))
        self.assertSamePixels(self.saved(p, "000.png"), picture)
        with open(self.saved(p, "000.pch"), "rb") as f:
            self.assertEqual(f.read(), record)

    def test_spch_animation(self):
        p = self.start_saving()
        record = road.animation_record(777)
        self.assertEqual(self.post_saved(p, road.record_body(b"S", road.drawn_picture(), record)),
                         ["000.png", "000.spch"])
        with open(self.saved(p, "000.spch"), "rb") as f:
            self.assertEqual(f.read(), record)

    def test_without_animation_no_record_is_written(self):
        p = self.start_saving()
        self.assertEqual(self.post_saved(p, road.record_body(b"S", road.drawn_picture())), ["000.png"])
        self.assertFilesUnder(p.saved, ["000.png"])

    def test_animation_not_chosen(self):
        p = self.start_saving(OptionFlag=4)
        self.assertEqual(self.post_saved(p, road.record_body(b"P", road.drawn_picture(), b"rec")), ["000.png"])

    def test_drawing_posted_again_gets_the_next_name_and_keeps_the_first(self):
        p = self.start_saving()
        first = road.drawn_picture(30, 20)
        self.post_saved(p, road.record_body(b"P", first, b"first"))
        second = road.drawn_picture(45, 25)
        self.assertEqual(self.post_saved(p, road.record_body(b"P", second, b"second")), ["001.png", "001.pch"])
        self.assertSamePixels(self.saved(p, "000.png"), first)
        self.assertSamePixels(self.saved(p, "001.png"), second)
        with open(self.saved(p, "001.pch"), "rb") as f:
            self.assertEqual(f.read(), b"second")


class TestRawForm(RoadTest):
    def test_raw_picture_is_saved(self):
        p = self.start_saving()
        picture = road.drawn_picture(33, 17)
        self.assertEqual(self.post_saved(p, road.raw_body(picture)), ["000.png"])
        self.assertSamePixels(self.saved(p, "000.png"), picture)


class TestPictureFormats(RoadTest):
    setting = {"OptionFlag": 4}

    def test_bmp(self):
        p = self.start_saving(SaveType=0)
        picture = road.drawn_picture(61, 43)
        self.assertEqual(self.post_saved(p, road.record_body(b"P", picture)), ["000.bmp"])
        path = self.saved(p, "000.bmp")
        self.assertEqual(os.path.getsize(path), 54 + (61 * 3 + 3) // 4 * 4 * 43)
        self.assertEqual(road.run("identify", "-format", "%m", path), b"BMP3")  # the 40-byte info header
        self.assertSamePixels(path, picture)

    def test_png_indexed_up_to_256_colours_true_colour_above(self):
        p = self.start_saving(SaveType=1)
        few = road.colours_picture(256)
        self.post_saved(p, road.record_body(b"P", few))
        self.assertIn("8-bit palette", road.pngcheck(self.saved(p, "000.png")))
        self.assertSamePixels(self.saved(p, "000.png"), few)
        many = road.colours_picture(300)
        self.post_saved(p, road.record_body(b"P", many))
        self.assertIn("24-bit RGB", road.pngcheck(self.saved(p, "001.png")))
        self.assertSamePixels(self.saved(p, "001.png"), many)

    def test_jpeg_progressive_and_baseline(self):
        picture = road.many_coloured_picture(120, 90)
        for setting, progressive in ((0x8055, True), (0x0050, False)):
            p = self.start_saving(SaveType=2, JPEGSave=setting)
            self.assertEqual(self.post_saved(p, road.record_body(b"P", picture)), ["000.jpg"])
            path = self.saved(p, "000.jpg")
            decoded, is_progressive = road.djpeg(path)
            self.assertTrue(decoded.startswith(b"P6"))
            self.assertEqual(is_progressive, progressive)
            self.assertEqual(road.size_of(path), (120, 90))
            self.assertEqual(int(road.run("identify", "-format", "%Q", path)), setting & 0xFF)
            with tempfile.NamedTemporaryFile(suffix=".png") as f:
                f.write(picture)
                f.flush()
                self.assertGreater(road.psnr(path, f.name), 27)  # a wrong picture gives about 10

    def test_gif(self):
        p = self.start_saving(SaveType=3)
        picture = road.colours_picture(200)
        self.assertEqual(self.post_saved(p, road.record_body(b"P", picture)), ["000.gif"])
        path = self.saved(p, "000.gif")
        self.assertIn("GIF file terminated normally", road.giftext(path))
        self.assertSamePixels(path, picture)

    def test_300_colours_are_refused_for_gif_and_saved_as_png(self):
        p = self.start_saving(SaveType=3)
        picture = road.colours_picture(300)
        self.assertEqual(self.post_saved(p, road.record_body(b"P", picture)), ["000.png"])
        self.assertIn("24-bit RGB", road.pngcheck(self.saved(p, "000.png")))
        self.assertSamePixels(self.saved(p, "000.png"), picture)
        self.assertFilesUnder(p.saved, ["000.png"])


class TestThumbnails(RoadTest):
    setting = {"OptionFlag": 8}

    def check_thumbnail(self, thumb_type, width_percent, height_percent, size=(80, 50), comp=0x8055):
        p = self.start_saving(ThumType=thumb_type, ThumWPers=width_percent, ThumHPers=height_percent,
                              ThumComp=comp)
        name = "s_000." + ("bmp", "png", "jpg")[thumb_type]
        self.assertEqual(self.post_saved(p, road.record_body(b"P", road.many_coloured_picture(*size))), [name])
        path = self.saved(p, name)
        expected = (max(1, width_percent * size[0] // 100), max(1, height_percent * size[1] // 100))
        self.assertEqual(road.size_of(path), expected, (thumb_type, width_percent, height_percent))
        return path

    def test_bmp_thumbnails(self):
        for w, h in ((50, 50), (1, 1), (33, 75)):
            path = self.check_thumbnail(0, w, h)
            self.assertEqual(road.run("identify", "-format", "%m", path), b"BMP3")  # the 40-byte info header

    def test_png_thumbnails(self):
        for w, h in ((50, 50), (1, 3), (150, 20), (0, 100)):
            self.assertIn("No errors detected", road.pngcheck(self.check_thumbnail(1, w, h)))

    def test_jpeg_thumbnails(self):
        for (w, h), comp in (((50, 50), 0x8055), ((25, 60), 0x0028), ((100, 100), 0x8064)):
            path = self.check_thumbnail(2, w, h, comp=comp)
            _, progressive = road.djpeg(path)
            self.assertEqual(progressive, bool(comp & 0x8000))

    def test_1_percent_of_50_pixels_is_1_pixel(self):
        self.check_thumbnail(1, 1, 1, size=(50, 50))


class TestTransparency(RoadTest):
    # White, red in the low byte; bit 31 switches transparency on.
    on = -(1 << 31) + 0xFFFFFF

    def test_png_and_gif_carry_the_colour_when_on(self):
        for save_type, name in ((1, "000.png"), (3, "000.gif")):
            p = self.start_saving(OptionFlag=12, SaveType=save_type, ThumType=1, ColorTP=self.on)
            self.assertEqual(self.post_saved(p, road.record_body(b"P", road.drawn_picture())), [name, "s_000.png"])
            if save_type == 1:
                self.assertIn("tRNS", road.pngcheck(self.saved(p, name)))
            else:
                self.assertIn("Transparency on: yes", road.giftext(self.saved(p, name)))
            self.assertNotIn("tRNS", road.pngcheck(self.saved(p, "s_000.png")))

    def test_nothing_transparent_when_off(self):
        for save_type, name in ((1, "000.png"), (3, "000.gif")):
            p = self.start_saving(OptionFlag=4, SaveType=save_type, ColorTP=0xFFFFFF)
            self.post_saved(p, road.record_body(b"P", road.drawn_picture()))
            if save_type == 1:
                self.assertNotIn("tRNS", road.pngcheck(self.saved(p, name)))
            else:
                self.assertNotIn("Transparency on: yes", road.giftext(self.saved(p, name)))


class TestRefusals(RoadTest):
    def test_nothing_chosen_gets_the_failure_reply(self):
        for flags in (0, 1, 2):
            p = self.start_saving(OptionFlag=flags)
            self.post_refused(p, road.record_body(b"P", road.drawn_picture(), b"rec"))
            self.assertFilesUnder(p.saved, [])

    def test_an_existing_file_is_kept_and_the_drawing_takes_the_next_name(self):
        for flags in (23, 22):  # the overwrite question on and off
            p = self.start_saving(OptionFlag=flags)
            with open(self.saved(p, "000.png"), "wb") as f:
                f.write(b"an older drawing")
            picture = road.drawn_picture()
            self.assertEqual(self.post_saved(p, road.record_body(b"P", picture, b"rec")), ["001.png", "001.pch"])
            self.assertSamePixels(self.saved(p, "001.png"), picture)
            with open(self.saved(p, "000.png"), "rb") as f:
                self.assertEqual(f.read(), b"an older drawing")

    def test_picture_that_is_not_png_saves_nothing(self):
        p = self.start_saving()
        self.post_refused(p, road.record_body(b"P", b"GIF89a not a png", b"rec"))
        self.assertFilesUnder(p.saved, [])

    def test_save_folder_given_as_a_bare_name_that_vanished(self):
        p = self.start_saving(SaveDir="drawings")
        os.mkdir(p.path("drawings"))
        p.saved = p.path("drawings")
        self.post_saved(p, road.record_body(b"P", road.drawn_picture()))
        os.remove(p.path("drawings", "000.png"))
        os.rmdir(p.path("drawings"))
        before = sorted(os.listdir(p.folder))
        self.post_refused(p, road.record_body(b"P", road.drawn_picture()))
        self.assertEqual(sorted(os.listdir(p.folder)), before)


if __name__ == "__main__":
    road.PROGRAM = os.path.abspath(sys.argv.pop(1))
    unittest.main()
