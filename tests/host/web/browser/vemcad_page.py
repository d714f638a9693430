"""vemcad --serve driven in headless Chromium: starts the server, opens its page at a
fixed size and works it as a person would, by typing in the command line and by
clicks, drags, wheel turns and buttons at world points of the drawing view.

Shared by the browser tests and the script that takes the README's screenshot.
"""
import json
import os
import re
import shutil
import subprocess
import threading
import time
import urllib.error
import urllib.request

try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.actions.wheel_input import ScrollOrigin
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
except ImportError:
    webdriver = Keys = None  # find_browser() says what is missing

# The exit code that tells CTest a test was skipped.
SKIP = 77

CHROMIUM_NAMES = ("chromium", "chromium-browser")
CHROMEDRIVER_NAMES = ("chromedriver",)
WIDTH, HEIGHT = 1600, 1000
ADDRESS = re.compile(r"http://127\.0\.0\.1:(\d+)/\?token=([0-9a-f]+)")
CURSOR = re.compile(r"X (-?[0-9.]+)\s+Y (-?[0-9.]+)")


class Missing(Exception):
    """What the machine lacks to run the page in a browser."""


def find_browser():
    """(chromium, chromedriver) paths, or Missing naming what is not there."""
    if webdriver is None:
        raise Missing("python3-selenium is not installed")
    chromium = next((p for p in map(shutil.which, CHROMIUM_NAMES) if p), None)
    driver = next((p for p in map(shutil.which, CHROMEDRIVER_NAMES) if p), None)
    if chromium is None:
        raise Missing("chromium is not installed")
    if driver is None:
        raise Missing("chromedriver (chromium-driver) is not installed")
    return chromium, driver


def wait_for(predicate, what, timeout=15.0, interval=0.05):
    """predicate()'s first true value, tried until timeout; AssertionError naming what
    was awaited otherwise (what may be a function that tells it then)."""
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > end:
            raise AssertionError("timed out waiting for " + (what() if callable(what) else what))
        time.sleep(interval)


class Server:
    """vemcad --serve in a folder of its own (its files are saved there)."""

    def __init__(self, vemcad, folder, drawing=None):
        args = [vemcad, "--serve"] + ([drawing] if drawing else [])
        self.folder = folder
        self.process = subprocess.Popen(args, cwd=folder, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.output = ""
        for line in self.process.stdout:
            self.output += line
            found = ADDRESS.search(line)
            if found:
                self.url = found.group(0)
                self.port = int(found.group(1))
                self.token = found.group(2)
                # The rest of what it prints is kept, so that a full pipe never stops it.
                self.reader = threading.Thread(target=self._read_output, daemon=True)
                self.reader.start()
                return
        self.reader = None
        self.process.wait()
        raise AssertionError("vemcad --serve printed no address:\n" + self.output)

    def _read_output(self):
        for line in self.process.stdout:
            self.output += line

    def request(self, path, method="GET", body=None, headers=None, token=True):
        """(status, body text) of a request to the server, the token sent in its header
        unless token is False."""
        all_headers = {"X-Vem-Token": self.token} if token else {}
        all_headers.update(headers or {})
        data = body.encode() if body is not None else None
        req = urllib.request.Request("http://127.0.0.1:%d%s" % (self.port, path), data=data,
                                     headers=all_headers, method=method)
        try:
            with urllib.request.urlopen(req, timeout=10) as res:
                return res.status, res.read().decode("utf-8", "replace")
        except urllib.error.HTTPError as err:
            return err.code, err.read().decode("utf-8", "replace")

    def state(self, since=0):
        """The session's state as the page reads it: the transcript from byte offset
        `since`, its end, the prompt and whether the session waits for input."""
        return json.loads(self.request("/api/state?since=%d" % since)[1])

    def quit(self, timeout=20):
        """Ends the session by QUIT (drawing changes not saved); vemcad's exit code."""
        try:
            if self.process.poll() is None:
                self.request("/api/input", "POST", "^C")  # ends a command left running
                self.request("/api/input", "POST", "QUIT")
                wait_for(lambda: self.process.poll() is not None or self.state()["waiting"], "QUIT to be taken")
                if "Save changes" in self.state()["prompt"]:
                    self.request("/api/input", "POST", "N")
        except (OSError, ValueError):
            pass  # vemcad has ended already
        if self.process.poll() is None:
            try:
                self.process.wait(timeout)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self.reader is not None:
            self.reader.join(5)
        self.process.stdout.close()
        return self.process.returncode


def start_chromium(chromium, driver_path):
    """Headless Chromium whose page area is exactly WIDTH x HEIGHT CSS pixels, one
    device pixel each."""
    options = webdriver.ChromeOptions()
    options.binary_location = chromium
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                "--window-size=%d,%d" % (WIDTH, HEIGHT), "--force-device-scale-factor=1",
                "--disable-extensions", "--no-first-run", "--lang=en-US"):
        options.add_argument(arg)
    driver = webdriver.Chrome(service=Service(driver_path, log_path=os.devnull), options=options)
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": WIDTH, "height": HEIGHT, "deviceScaleFactor": 1, "mobile": False})
    return driver


# Notes, on every mouse move over the view, the pixel the page saw it at, so that the
# page's cursor read-out (world X, Y) can be tied to canvas pixels; and the furthest
# transcript end of the session's states that the page has read while the session
# waited (the page's requests pass through unchanged).
PROBE_SCRIPT = """
const view = document.getElementById('view');
window.vemTestProbe = null;
view.addEventListener('mousemove', e => { window.vemTestProbe = [e.offsetX, e.offsetY]; });
window.vemTestReadEnd = -1;
const pageFetch = window.fetch;
window.fetch = (...args) => pageFetch(...args).then(res => {
  if (String(args[0]).startsWith('/api/state'))
    res.clone().json().then(s => {
      if (s.waiting) window.vemTestReadEnd = Math.max(window.vemTestReadEnd, s.end);
    }).catch(() => {});
  return res;
});
"""

PIXELS_SCRIPT = """
const ctx = document.getElementById('view').getContext('2d');
return arguments[0].map(p => Array.from(ctx.getImageData(p[0], p[1], 1, 1).data));
"""

# The box of canvas pixels that differ from the picture kept by keep_picture().
CHANGED_BOX_SCRIPT = """
const view = document.getElementById('view');
const now = view.getContext('2d').getImageData(0, 0, view.width, view.height).data;
const was = window.vemTestKept;
if (!was || was.length !== now.length) return null;
let x0 = view.width, y0 = view.height, x1 = -1, y1 = -1;
for (let i = 0; i < now.length; i += 4) {
  if (now[i] === was[i] && now[i + 1] === was[i + 1] && now[i + 2] === was[i + 2] && now[i + 3] === was[i + 3])
    continue;
  const x = (i / 4) % view.width, y = Math.floor(i / 4 / view.width);
  x0 = Math.min(x0, x); y0 = Math.min(y0, y); x1 = Math.max(x1, x); y1 = Math.max(y1, y);
}
return x1 < 0 ? null : [x0, y0, x1, y1];
"""

ANYTHING_DRAWN_SCRIPT = """
const view = document.getElementById('view');
const d = view.getContext('2d').getImageData(0, 0, view.width, view.height).data;
for (let i = 3; i < d.length; i += 4)
  if (d[i] > 0) return true;
return false;
"""


class Page:
    """The page of a Server in a browser, with the view's world-to-pixel transform
    learnt from the page's own cursor read-out."""

    def __init__(self, driver, server):
        self.driver = driver
        self.server = server
        self.transform = None

    def open(self, url=None):
        self.driver.get(url or self.server.url)
        self.view = self.driver.find_element(By.ID, "view")
        self.command = self.driver.find_element(By.ID, "command")
        self.driver.execute_script(PROBE_SCRIPT)
        self.transform = None
        wait_for(lambda: self.prompt() != "", "the page to show a prompt")

    def reload(self):
        self.open(self.driver.current_url)

    # ---- the command window ----------------------------------------------------
    def transcript(self):
        """The command window's text above the command line."""
        return self.driver.execute_script("return document.getElementById('transcript').textContent")

    def prompt(self):
        """The prompt beside the command line: empty while the session works."""
        return self.driver.execute_script("return document.getElementById('prompt').textContent")

    def act(self, action):
        """Runs action(), which gives the session one input, and waits until the
        session waits again and the page has read that state and shows its prompt and
        the last line it printed; returns that prompt.

        Only the last line: the page's overlapping state reads may repeat earlier
        output (see the expected failure in browser_test.py)."""
        before = self.server.state()["end"]
        action()

        def caught_up():
            state = self.server.state(before)
            if not state["waiting"] or state["end"] <= before or self.prompt() != state["prompt"]:
                return None
            if self.driver.execute_script("return window.vemTestReadEnd") < state["end"]:
                return None
            printed = state["transcript"][:len(state["transcript"]) - len(state["prompt"])]
            last_line = printed[printed.rstrip("\n").rfind("\n") + 1:]
            return state["prompt"] if self.transcript().endswith(last_line) else None

        def stuck():
            state = self.server.state(before)
            return ("the page to show the session waiting again after the input: the session "
                    "printed %r and %s; the page shows prompt %r after %r" %
                    (state["transcript"], "waits" if state["waiting"] else "works", self.prompt(),
                     self.transcript()[-300:]))
        return wait_for(caught_up, stuck)

    def type(self, line):
        """Types a line in the command line and Enter; the next prompt."""
        def typing():
            self.command.click()
            self.command.send_keys(line + Keys.ENTER)
        return self.act(typing)

    def press(self, key):
        """A key in the command line (Escape, Enter...); the next prompt."""
        return self.act(lambda: self.command.send_keys(key))

    def button(self, element_id):
        """A toolbar button; the next prompt."""
        return self.act(lambda: self.driver.find_element(By.ID, element_id).click())

    # ---- the view --------------------------------------------------------------
    def _chain(self):
        return ActionChains(self.driver, duration=50)

    def offset_of(self, px, py):
        """The offset from the view's centre that selenium takes for canvas pixel."""
        cx, cy = self.transform["centre"]
        return int(round(px - cx)), int(round(py - cy))

    def hover_offset(self, ox, oy):
        """Moves the mouse to an offset from the view's centre; (canvas pixel, world
        point of the cursor read-out)."""
        self.driver.execute_script("window.vemTestProbe = null")
        # From a pixel beside it, so that the browser sees a move even when the mouse
        # is already there.
        self._chain().move_to_element_with_offset(self.view, ox + 1, oy).move_by_offset(-1, 0).perform()
        probe = wait_for(lambda: self.driver.execute_script("return window.vemTestProbe"), "a mouse move")
        text = self.driver.find_element(By.ID, "cursor").text
        found = CURSOR.search(text)
        assert found, "no cursor read-out in the status bar: %r" % text
        return (probe[0], probe[1]), (float(found.group(1)), float(found.group(2)))

    def learn_transform(self):
        """Finds the view's scale and place from two cursor read-outs far apart (again
        while the view changes between them); the scale, pixels per drawing unit."""
        def read_square_view():
            (p1, w1) = self.hover_offset(-500, -250)
            (p2, w2) = self.hover_offset(500, 250)
            scale_x = (p2[0] - p1[0]) / (w2[0] - w1[0])
            scale_y = (p1[1] - p2[1]) / (w2[1] - w1[1])
            if abs(scale_x - scale_y) > 1e-3 * scale_x:
                return None
            return {"scale": scale_x, "pixel": p1, "world": w1, "centre": (p1[0] + 500, p1[1] + 250)}
        self.transform = wait_for(read_square_view, "two cursor read-outs of one square view")
        return self.transform["scale"]

    def scale(self):
        return self.transform["scale"]

    def to_pixel(self, x, y):
        t = self.transform
        return (t["pixel"][0] + (x - t["world"][0]) * t["scale"],
                t["pixel"][1] - (y - t["world"][1]) * t["scale"])

    def click_pixel(self, px, py, right=False):
        """A click at a canvas pixel; the next prompt."""
        chain = self._chain().move_to_element_with_offset(self.view, *self.offset_of(px, py))
        return self.act(lambda: (chain.context_click() if right else chain.click()).perform())

    def click_world(self, x, y, nudge=(0, 0), right=False):
        """A click at the pixel of a world point, moved by nudge pixels; the next prompt."""
        px, py = self.to_pixel(x, y)
        return self.click_pixel(px + nudge[0], py + nudge[1], right)

    def drag_pixels(self, start, end):
        """A left-button drag across the view from one canvas pixel to another; the
        next prompt."""
        chain = self._chain().move_to_element_with_offset(self.view, *self.offset_of(*start)).click_and_hold()
        sx, sy = self.offset_of(*start)
        ex, ey = self.offset_of(*end)
        steps = 4
        for i in range(1, steps + 1):
            chain.move_by_offset(round((ex - sx) / steps * i) - round((ex - sx) / steps * (i - 1)),
                                 round((ey - sy) / steps * i) - round((ey - sy) / steps * (i - 1)))
        return self.act(lambda: chain.release().perform())

    def wheel(self, ox, oy, notches):
        """Turns the wheel over an offset from the view's centre: positive notches zoom
        out."""
        for _ in range(abs(notches)):
            self._chain().scroll_from_origin(ScrollOrigin.from_element(self.view, ox, oy), 0,
                                             100 if notches > 0 else -100).perform()

    def pixels(self, points):
        """RGBA of canvas pixels."""
        return self.driver.execute_script(PIXELS_SCRIPT, [[int(round(x)), int(round(y))] for x, y in points])

    def drawn_near(self, px, py, reach=1):
        """Whether something is drawn within reach pixels of a canvas pixel."""
        around = [(px + dx, py + dy) for dx in range(-reach, reach + 1) for dy in range(-reach, reach + 1)]
        return max(rgba[3] for rgba in self.pixels(around)) > 96

    def picture(self):
        """The view's picture as a PNG data URL."""
        return self.driver.execute_script("return document.getElementById('view').toDataURL()")

    def keep_picture(self):
        self.driver.execute_script(
            "const v = document.getElementById('view');"
            "window.vemTestKept = v.getContext('2d').getImageData(0, 0, v.width, v.height).data;")

    def drawn(self):
        """Whether anything at all is drawn in the view."""
        return self.driver.execute_script(ANYTHING_DRAWN_SCRIPT)

    def settle(self, quiet=0.3):
        """Waits until the view has not changed for `quiet` seconds."""
        def unchanged():
            self.keep_picture()
            time.sleep(quiet)
            return self.changed_box() is None
        wait_for(unchanged, "the view to settle")

    def changed_box(self):
        """[x0, y0, x1, y1] of the pixels changed since keep_picture(), or None."""
        return self.driver.execute_script(CHANGED_BOX_SCRIPT)
