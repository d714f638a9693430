#!/usr/bin/env python3
"""vemcad --serve in a real headless browser: a drawing annotated with the mouse from
a fresh session (a coordinate system typed, a line drawn by clicks, a point label
snapped onto its end, a window and a crossing selection, undo, cancel, save, reload,
QUIT), and the requests that the server refuses.

usage: browser_test.py --vemcad PATH [unittest options]
Exits 77 (skipped) when chromium, chromedriver or python3-selenium is missing.
"""
import argparse
import json
import os
import sys
import tempfile
import time
import unittest

sys.dont_write_bytecode = True  # nothing written beside the sources
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import vemcad_page  # noqa: E402
from vemcad_page import Keys, Page, Server, wait_for  # noqa: E402

VEMCAD = None
BROWSER = None  # (chromium, chromedriver)

COMMAND = "Command: "
SELECT = "Select objects: "
# EORI's prompts and answers: the origin at 0,0 carrying X=0 (up) and Y=0 (right),
# drawing scale 1:1, size factor 1, three decimals.
EORI_DIALOGUE = [
    ("EORI", "指定坐标轴位置: "),
    ("0,0", "请输入纵坐标轴的轴号(A/B/X/Y/或其他,回车取默认值A):"),
    ("X", "请指定纵轴的方向:上(U)/下(D)(回车取默认值U):"),
    ("U", "请输入相对原点的纵坐标(回车取默认值0.0):"),
    ("0", "请输入横坐标轴的轴号(A/B/X/Y/或其他,回车取默认值B):"),
    ("Y", "请指定横轴的方向:右(R)/左(L)(回车取默认值R):"),
    ("R", "请输入相对原点的横坐标(回车取默认值0.0):"),
    ("0", "请指定图纸比例尺(1:？,回车取默认值1.0):"),
    ("1", "请指定外观缩放倍数(回车取默认值1.0):"),
    ("1", "请输入小数位数(回车取默认值3):"),
    ("3", COMMAND),
]


def lines_in_view(server):
    """The two-point line pieces the server's view holds, as (x0, y0, x1, y1)."""
    status, body = server.request("/api/view")
    assert status == 200, body
    return [tuple(it["p"]) for it in json.loads(body)["items"] if it["k"] == "l" and len(it["p"]) == 4]


class BrowserTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory(prefix="vemcad-browser-")
        self.server = Server(VEMCAD, self.folder.name)
        self.driver = None

    def tearDown(self):
        if self.driver is not None:
            self.driver.quit()
        self.server.quit()
        self.folder.cleanup()

    def test_refuses_requests_without_the_token_or_from_a_foreign_origin(self):
        s = self.server
        wrong = ("1" if s.token[0] == "0" else "0") + s.token[1:]
        self.assertEqual(s.request("/", token=False)[0], 403)
        self.assertEqual(s.request("/?token=" + wrong, token=False)[0], 403)
        self.assertEqual(s.request("/api/state", headers={"X-Vem-Token": wrong})[0], 403)
        self.assertEqual(s.request("/?token=" + s.token, token=False)[0], 200)
        # Another web page in the user's browser, and a name that resolves to the
        # loopback address (DNS rebinding), carrying even the right token.
        foreign = {"Origin": "http://evil.example"}
        self.assertEqual(s.request("/api/input", "POST", "LINE", headers=foreign)[0], 403)
        self.assertEqual(s.request("/api/state", headers={"Host": "evil.example:%d" % s.port})[0], 403)
        self.assertEqual(s.request("/api/state", headers={"Origin": "http://127.0.0.1:%d" % s.port})[0], 200)
        # What was refused was not typed.
        wait_for(lambda: s.state()["waiting"], "the session to wait")
        self.assertNotIn("LINE", s.state()["transcript"])

    def test_a_drawing_annotated_with_the_mouse_is_saved_and_shown_again(self):
        self.driver = vemcad_page.start_chromium(*BROWSER)
        page = Page(self.driver, self.server)
        page.open()
        self.assertEqual(page.prompt(), COMMAND)

        self.type_coordinate_system(page)
        self.zoom_out_about_the_origin(page)
        line = self.draw_line_by_clicks(page)
        end = line[2:]
        label_box = self.place_label_snapped_on(page, end)
        before_copdec = page.picture()
        self.set_decimals_by_window(page, label_box, before_copdec)
        self.list_by_crossing(page, end)
        self.undo_twice(page, before_copdec)
        self.cancel_with_escape(page, before_copdec)
        self.save_with_the_button(page)
        self.reload_shows_the_same_session(page, line)
        self.quit_ends_vemcad(page)

    def test_the_command_window_shows_each_line_once_when_answers_are_slow(self):
        """The page reads the session's state after each input and once a second; on a
        connection slower than that the reads would overlap: each must start where the
        last one ended, so that no line shows twice and none vanishes."""
        self.driver = vemcad_page.start_chromium(*BROWSER)
        page = Page(self.driver, self.server)
        page.open()
        self.driver.execute_cdp_cmd("Network.enable", {})
        self.driver.execute_cdp_cmd("Network.emulateNetworkConditions",
                                    {"offline": False, "latency": 600, "downloadThroughput": -1,
                                     "uploadThroughput": -1})
        page.type("LINE")
        page.type("")
        state = self.server.state()
        self.assertEqual(page.transcript(), state["transcript"][:len(state["transcript"]) - len(state["prompt"])])

    # What the page shows is awaited, not taken at once: it reads the state in turn.
    def shows_at_end(self, page, text):
        wait_for(lambda: page.transcript().endswith(text),
                 lambda: "the command window to end with %r: it ends %r" % (text, page.transcript()[-200:]))

    def shows(self, page, text):
        wait_for(lambda: text in page.transcript(),
                 lambda: "the command window to show %r: it ends %r" % (text, page.transcript()[-300:]))

    # ---- the steps ---------------------------------------------------------------
    def type_coordinate_system(self, page):
        for answer, prompt in EORI_DIALOGUE:
            self.assertEqual(page.type(answer), prompt, "after " + answer)
            self.shows_at_end(page, answer + "\n")
        # The view fits the new coordinate system; its vertical axis runs up from 0,0.
        wait_for(page.drawn, "the coordinate system to be drawn")
        page.settle()
        page.learn_transform()
        self.assertTrue(page.drawn_near(*page.to_pixel(0, 3)), "the vertical axis is not where the view says")

    def zoom_out_about_the_origin(self, page):
        scale = page.scale()
        ox, oy = page.offset_of(*page.to_pixel(0, 0))
        _, before = page.hover_offset(ox, oy)
        page.wheel(ox, oy, 4)
        page.hover_offset(ox + 50, oy)
        _, after = page.hover_offset(ox, oy)
        self.assertAlmostEqual(before[0], after[0], delta=2e-3)
        self.assertAlmostEqual(before[1], after[1], delta=2e-3)
        self.assertAlmostEqual(page.learn_transform() / scale, 0.8 ** 4, delta=1e-3)

    def draw_line_by_clicks(self, page):
        self.assertEqual(page.type("LINE"), "Specify first point: ")
        self.assertEqual(page.click_world(10, 15), "Specify next point: ")
        self.assertEqual(page.click_world(25, 0), "Specify next point: ")
        self.assertEqual(page.click_world(0, 0, right=True), COMMAND)
        # Picked points are not echoed: their exact places come from the view's data.
        lines = [l for l in lines_in_view(self.server) if abs(l[0] - 10) < 1 and abs(l[1] - 15) < 1]
        self.assertEqual(len(lines), 1, lines_in_view(self.server))
        line = lines[0]
        # Each end within half a pixel of the click.
        for got, want in zip(line, (10, 15, 25, 0)):
            self.assertAlmostEqual(got, want, delta=0.75 / page.scale())
        # Drawn where it is; the background a little to either side (it runs down to
        # the right on the screen).
        mid = page.to_pixel((line[0] + line[2]) / 2, (line[1] + line[3]) / 2)
        wait_for(lambda: page.drawn_near(*mid), "the line to be drawn")
        for dx, dy in ((30, -30), (-30, 30)):
            self.assertFalse(page.drawn_near(mid[0] + dx, mid[1] + dy, 3), "drawn beside the line")
        return line

    def place_label_snapped_on(self, page, end):
        page.keep_picture()
        self.assertEqual(page.type("ECOP"), "请拾取一个坐标系(EOrigin):")
        self.assertEqual(page.click_world(0, 3), "指定第1点(坐标点):")
        # A few pixels off the line's end: the running END snap takes the end itself.
        self.assertEqual(page.click_world(*end, nudge=(2, 2)), "指定第2点(文字标注起点):")
        self.assertEqual(page.click_world(*self.text_start(end)), "指定3点(文字标注方向):")
        self.assertEqual(page.press(Keys.ENTER), COMMAND)
        box = wait_for(page.changed_box, "the label to be drawn")
        self.assertTrue(page.drawn_near(*page.to_pixel(*self.leader_middle(end))), "no leader")
        # The label starts at the end (not where the click was) and lies to its lower
        # right.
        ex, ey = page.to_pixel(*end)
        self.assertLessEqual(box[0], ex + 1, "the label does not start at the line's end")
        self.assertLessEqual(box[1], ey + 1, "the label does not start at the line's end")
        self.assertGreater(box[2], ex + 5 * page.scale())
        self.assertGreater(box[3], ey + 5 * page.scale())
        return box

    @staticmethod
    def text_start(end):
        return end[0] + 5, end[1] - 6

    @classmethod
    def leader_middle(cls, end):
        """The middle of the label's leader, which runs from the end to the text."""
        start = cls.text_start(end)
        return (end[0] + start[0]) / 2, (end[1] + start[1]) / 2

    def set_decimals_by_window(self, page, box, before):
        self.assertEqual(page.type("COPDEC"), "请输入小数位数(回车取默认值3):")
        self.assertEqual(page.type("4"), SELECT)
        self.shows_at_end(page, "选择ECoPoint对象(多选):\n")
        pad = 25
        # Left to right: a window, which holds the whole label.
        self.assertEqual(page.drag_pixels((box[0] - pad, box[1] - pad), (box[2] + pad, box[3] + pad)), SELECT)
        self.shows_at_end(page, "\n1 found\n")
        self.assertEqual(page.click_world(0, 0, right=True), COMMAND)
        wait_for(lambda: page.picture() != before, "the label to show four decimals")

    def list_by_crossing(self, page, end):
        self.assertEqual(page.type("COLIST"), SELECT)
        ex, ey = page.to_pixel(*end)
        # Right to left over a little of the line and the label: a crossing takes both.
        self.assertEqual(page.drag_pixels((ex + 10, ey - 10), (ex - 10, ey + 10)), SELECT)
        self.shows_at_end(page, "\n2 found\n")
        self.assertEqual(page.type(""), COMMAND)
        # The label sits exactly on the end: X is its height, Y its easting.
        listed = "点坐标(X=%.4f,Y=%.4f)  图纸比例=1  外观缩放比例=1  小数位数=4" % (end[1], end[0])
        self.shows(page, listed)
        self.shows(page, "忽略1个无关图元")

    def undo_twice(self, page, before_copdec):
        self.assertEqual(page.button("undo"), COMMAND)
        self.shows_at_end(page, "U\nCOLIST\n")
        self.assertEqual(page.button("undo"), COMMAND)
        self.shows_at_end(page, "U\nCOPDEC\n")
        wait_for(lambda: page.picture() == before_copdec, "the view to show the label as before COPDEC")

    def cancel_with_escape(self, page, picture):
        self.assertEqual(page.type("LINE"), "Specify first point: ")
        self.assertEqual(page.click_world(-20, 20), "Specify next point: ")
        self.assertEqual(page.press(Keys.ESCAPE), COMMAND)
        self.shows_at_end(page, "*Cancel*\n")
        time.sleep(0.3)
        self.assertEqual(page.picture(), picture)

    def save_with_the_button(self, page):
        self.assertEqual(page.button("save"), "Enter file name: ")
        self.assertEqual(page.type("site.vdb"), COMMAND)
        self.shows_at_end(page, "Saved site.vdb.\n")
        path = os.path.join(self.folder.name, "site.vdb")
        self.assertTrue(os.path.isfile(path) and os.path.getsize(path) > 0)

    def reload_shows_the_same_session(self, page, line):
        state = self.server.state()
        self.assertTrue(state["waiting"])
        transcript = state["transcript"][:len(state["transcript"]) - len(state["prompt"])]
        page.reload()
        wait_for(lambda: page.transcript() == transcript, "the reloaded page to show the whole transcript")
        self.assertEqual(page.prompt(), COMMAND)
        wait_for(page.drawn, "the reloaded view to show the drawing")
        page.settle()
        # The view fits the whole drawing anew: the line and the label's leader are
        # drawn where they now fall.
        mid = ((line[0] + line[2]) / 2, (line[1] + line[3]) / 2)

        def drawing_shown():
            page.learn_transform()
            return page.drawn_near(*page.to_pixel(*mid)) and page.drawn_near(
                *page.to_pixel(*self.leader_middle(line[2:])))
        wait_for(drawing_shown, "the reloaded view to show the line and the label")

    def quit_ends_vemcad(self, page):
        page.command.send_keys("QUIT" + Keys.ENTER)
        wait_for(lambda: self.server.process.poll() is not None, "vemcad to end")
        self.assertEqual(self.server.process.returncode, 0, self.server.output)


def main():
    global VEMCAD, BROWSER
    parser = argparse.ArgumentParser()
    parser.add_argument("--vemcad", required=True)
    args, rest = parser.parse_known_args()
    try:
        BROWSER = vemcad_page.find_browser()
    except vemcad_page.Missing as missing:
        print("SKIPPED: the browser tests need chromium, chromium-driver and python3-selenium: %s" % missing)
        return vemcad_page.SKIP
    VEMCAD = os.path.abspath(args.vemcad)
    started = time.monotonic()
    result = unittest.main(argv=[sys.argv[0]] + rest, exit=False, verbosity=2).result
    print("browser tests took %.1f s" % (time.monotonic() - started))
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
