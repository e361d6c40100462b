#!/usr/bin/python3
"""Runs the open-source file manager under Wine, on the X display of
$DISPLAY, with Corvelle registered as its viewer plugin (and its content
plugin), drives it with the keys and clicks its users use, and compares
what the screen, the clipboard, the printer and the disk show with the
pictures and the information the samples were made with.

    run_tests.py APP_DIR [SCENARIO...]

APP_DIR holds doublecmd.exe (scripts/build-file-manager). Needs the windows
build (corvelle.dll, corvelle.wdx64, make_samples.exe). Prints one line per
scenario (and what high_dpi and content_columns measured, indented) and ends with "N passed, N failed"; exit
status 1 when any failed.
"""
import glob
import os
import shutil
import subprocess
import sys
import time
import traceback

import numpy as np
from PIL import Image

import pictures as P

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
WORK = os.path.join(ROOT, "build", "file-manager")
PREFIX = os.path.join(WORK, "wineprefix")
APP = os.path.join(WORK, "app")
DOCS = os.path.join(WORK, "docs")
KNOWN = os.path.join(WORK, "pictures")
PLUGIN_DIR = os.path.join(APP, "plugins", "wlx", "corvelle")
CONTENT_PLUGIN_DIR = os.path.join(APP, "plugins", "wdx", "corvelle")
SETTINGS = os.path.join(APP, "settings")
WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver64"
PRINT_SPOOL = "/var/spool/cups-pdf-corvelle"

# The viewer's background, set in corvelle.ini: a colour none of the samples'
# pictures holds, so that its extent is the picture area.
MAGENTA = (255, 0, 255)
MAGENTA_SETTING = 0xFF00FF
WHITE = (255, 255, 255)
DETECT = ('EXT="SLDASM"|EXT="SLDDRW"|EXT="SLDPRT"|EXT="ASMDOT"|EXT="DRWDOT"|EXT="PRTDOT"|'
          'EXT="SLDFLP"|EXT="SLDDRT"|EXT="ASM"|EXT="DRW"|EXT="PRT"')
# The zoom steps the README documents.
ZOOM_LADDER = [0.0625, 0.08, 0.1, 0.125, 0.16, 0.2, 0.25, 0.32, 0.4, 0.5, 0.64, 0.8, 1.0,
               1.25, 1.6, 2.0, 2.5, 3.2, 4.0, 5.0, 6.4, 8.0, 10.0, 12.5, 16.0]
# Waits: Wine without a window manager takes a few seconds for a new
# top-level window; a document's picture is on screen well within this.
WINDOW_WAIT = 30
SETTLE_WAIT = 15

ENV = dict(os.environ, WINEPREFIX=PREFIX, WINEDLLOVERRIDES="mscoree,mshtml=", WINEDEBUG="-all")


class Failed(Exception):
    pass


class Skipped(Exception):
    pass


def win_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def doc(name):
    return os.path.join(DOCS, name)


# --- the X side ------------------------------------------------------------

def xdo(*args, check=True):
    result = subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True)
    if check and result.returncode != 0 and args[0] != "search":
        raise Failed("xdotool %s: %s" % (" ".join(map(str, args)), result.stderr.strip()))
    return result.stdout


def windows_named(pattern):
    ids = [int(w) for w in xdo("search", "--onlyvisible", "--name", pattern).split()]
    return [w for w in ids if geometry(w)[2] > 1]


def geometry(window):
    out = xdo("getwindowgeometry", "--shell", window, check=False)
    values = dict(line.split("=", 1) for line in out.split() if "=" in line)
    return tuple(int(values.get(k, 0)) for k in ("X", "Y", "WIDTH", "HEIGHT"))


def wait_window(pattern, timeout=WINDOW_WAIT):
    deadline = time.time() + timeout
    while time.time() < deadline:
        found = windows_named(pattern)
        if found:
            time.sleep(0.5)
            return found[0]
        time.sleep(0.3)
    raise Failed("no window named like %r within %d s" % (pattern, timeout))


def wait_gone(window, timeout=WINDOW_WAIT):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if geometry(window)[2] <= 1 or window not in windows_named("."):
            return True
        time.sleep(0.3)
    return False


def focus(window):
    xdo("windowfocus", "--sync", window)


def key(window, *keys):
    focus(window)
    for k in keys:
        xdo("key", "--clearmodifiers", k)
        time.sleep(0.3)


def screenshot(window):
    data = subprocess.run(["import", "-silent", "-window", str(window), "png:-"], capture_output=True).stdout
    if not data:
        raise Failed("no screenshot of window %s" % window)
    from io import BytesIO
    return np.asarray(Image.open(BytesIO(data)).convert("RGB"), dtype=np.float64)


def settle(window, check, timeout=SETTLE_WAIT):
    """Takes screenshots until the check holds (it returns no failures) or
    the time is up; returns the last failures and screenshot."""
    deadline = time.time() + timeout
    while True:
        shot = screenshot(window)
        failures = check(shot)
        if not failures or time.time() > deadline:
            return failures, shot
        time.sleep(0.5)


def save_shot(shot, name):
    os.makedirs(os.path.join(WORK, "shots"), exist_ok=True)
    path = os.path.join(WORK, "shots", name + ".png")
    Image.fromarray(np.clip(shot, 0, 255).astype(np.uint8)).save(path)
    return path


# --- the file manager ------------------------------------------------------

def write_settings(plugin_enabled=True, plugin_ini=None, content=None):
    """A portable set-up: settings beside the program, the plugin registered,
    thumbnails not saved. plugin_ini: the corvelle.ini beside the plugin
    (None: none); content: the settings file's elements that use the
    content plugin, which is then registered too (None: not registered)."""
    shutil.rmtree(SETTINGS, ignore_errors=True)
    os.makedirs(SETTINGS)
    open(os.path.join(SETTINGS, "doublecmd.inf"), "w").close()
    with open(os.path.join(SETTINGS, "doublecmd.xml"), "w") as out:
        out.write("""<?xml version="1.0" encoding="UTF-8"?>
<doublecmd DCVersion="1.1.32" ConfigVersion="15">
  <MainWindow>
    <Position Save="False">
      <Left>0</Left>
      <Top>0</Top>
      <Width>1270</Width>
      <Height>980</Height>
      <Maximized>False</Maximized>
    </Position>
  </MainWindow>
  <Thumbnails Save="False">
    <Width>128</Width>
    <Height>128</Height>
  </Thumbnails>
  <Plugins>
    <WlxPlugins>
      <WlxPlugin Enabled="%s">
        <Name>corvelle</Name>
        <Path>%s</Path>
        <DetectString>%s</DetectString>
      </WlxPlugin>
    </WlxPlugins>
%s  </Plugins>
%s</doublecmd>
""" % ("True" if plugin_enabled else "False", win_path(os.path.join(PLUGIN_DIR, "corvelle.wlx64")),
       DETECT.replace('"', "&quot;"), "" if content is None else CONTENT_PLUGIN, content or ""))
    ini = os.path.join(PLUGIN_DIR, "corvelle.ini")
    if os.path.exists(ini):
        os.remove(ini)
    if plugin_ini is not None:
        with open(ini, "w") as out:
            out.write(plugin_ini)


# The content plugin as the file manager registers it when it installs it
# from the release's archive: named after its file, with the detection
# string the plugin gives (the viewer's).
CONTENT_PLUGIN = """    <WdxPlugins>
      <WdxPlugin>
        <Name>corvelle</Name>
        <Path>%s</Path>
        <DetectString>%s</DetectString>
      </WdxPlugin>
    </WdxPlugins>
""" % (win_path(os.path.join(CONTENT_PLUGIN_DIR, "corvelle.wdx64")), DETECT.replace('"', "&quot;"))


def plugin_ini(**values):
    settings = {"BackColor": MAGENTA_SETTING, "Debug": 0}
    settings.update(values)
    return "[Corvelle Settings]\r\n" + "".join("%s=%d\r\n" % item for item in settings.items())


class FileManager:
    def __init__(self, start_file):
        self.log = open(os.path.join(WORK, "doublecmd.log"), "a")
        self.process = subprocess.Popen(
            [WINE, os.path.join(APP, "doublecmd.exe"), "--no-splash", "-P", "L", "-L", win_path(start_file)],
            env=ENV, stdout=self.log, stderr=self.log, stdin=subprocess.DEVNULL, start_new_session=True)
        self.main = wait_window("^Double Commander 1")
        focus(self.main)
        time.sleep(1)

    def running(self):
        return self.process.poll() is None

    def stop(self):
        if self.running():
            try:
                key(self.main, "alt+x")
                self.process.wait(timeout=15)
            except Exception:
                pass
        stop_wine()
        self.log.close()


def stop_wine():
    subprocess.run([WINESERVER, "-k"], env=ENV, capture_output=True)
    subprocess.run([WINESERVER, "-w"], env=ENV, capture_output=True, timeout=60)


def known_pictures():
    """The samples' pictures, by name: NAME.preview (opaque palette
    pictures), NAME.truecolor and gearbox.sheetN laid over the viewer's
    background."""
    known = {}
    for path in glob.glob(os.path.join(KNOWN, "*.png")):
        name = os.path.basename(path)[:-4]
        if name.endswith(".preview"):
            known[name] = P.load_rgb(path)
        else:
            known[name] = P.load_over(path, MAGENTA)
    return known


# --- the scenarios -----------------------------------------------------------

def open_viewer(fm, name):
    key(fm.main, "F3")
    return wait_window(name.replace(".", "\\."))


# The file manager's viewer window: its menu bar above the plugin's window
# and its status bar below (measured under Wine: 19 and 20 pixels).
VIEWER_MENU_BAR = 19
VIEWER_STATUS_BAR = 20


def viewer_area(window):
    """The part of a viewer window the plugin's window covers."""
    width, height = geometry(window)[2:]
    return 0, VIEWER_MENU_BAR, width, height - VIEWER_STATUS_BAR


def check_viewer(window, expected, known, label, background=MAGENTA, whole=True):
    """whole: the picture has the plugin's whole window (no sheet tabs);
    otherwise the picture area is found from the background around it."""
    area = viewer_area(window) if whole else None
    failures, shot = settle(window, lambda shot: P.check_fitted(shot, background, expected, known, area))
    if failures:
        raise Failed("%s: %s (screenshot %s)" % (label, "; ".join(failures), save_shot(shot, label)))
    return shot


def scenario_view_part(known):
    """F3 on a part shows its picture fitted and centred; Esc closes the
    viewer; F3 opens it again."""
    write_settings(plugin_ini=plugin_ini())
    fm = FileManager(doc("flange.SLDPRT"))
    try:
        viewer = open_viewer(fm, "flange.SLDPRT")
        check_viewer(viewer, "flange.SLDPRT.preview", known, "part-first")
        key(viewer, "Escape")
        if not wait_gone(viewer):
            raise Failed("Esc left the viewer open")
        viewer = open_viewer(fm, "flange.SLDPRT")
        check_viewer(viewer, "flange.SLDPRT.preview", known, "part-again")
        key(viewer, "Escape")
        if not wait_gone(viewer):
            raise Failed("Esc left the second viewer open")
        if not fm.running():
            raise Failed("the file manager ended")
    finally:
        fm.stop()


def scenario_info_panel(known):
    """I in the viewer shows the document's information beside its picture:
    the picture is fitted into what the panel leaves of the plugin's window,
    the panel (a third of the window, 200 to 400 pixels) holds a row for
    each of the part's ten properties, the custom ones under a heading; I
    again hides it and gives the picture the whole window back."""
    write_settings(plugin_ini=plugin_ini())
    fm = FileManager(doc("flange.SLDPRT"))
    try:
        viewer = open_viewer(fm, "flange.SLDPRT")
        check_viewer(viewer, "flange.SLDPRT.preview", known, "info-before")
        key(viewer, "i")
        left, top, right, bottom = viewer_area(viewer)
        panel = min(400, max(200, (right - left) // 3))
        area = (left, top, right - panel, bottom)
        failures, shot = settle(viewer, lambda shot: P.check_fitted(shot, MAGENTA, "flange.SLDPRT.preview", known,
                                                                   area))
        if failures:
            raise Failed("with the panel: %s (screenshot %s)" % ("; ".join(failures), save_shot(shot, "info-shown")))
        rows = P.text_rows(shot[top:bottom, right - panel:right])
        # The column titles, then Saved with, Created, Last saved, Author,
        # Last saved by, the heading Custom properties, Description, Number,
        # Material, Revision, Weight.
        if rows != 12:
            raise Failed("the panel shows %d lines of text, expected 12 (screenshot %s)"
                         % (rows, save_shot(shot, "info-rows")))
        key(viewer, "i")
        check_viewer(viewer, "flange.SLDPRT.preview", known, "info-hidden")
        key(viewer, "Escape")
        if not wait_gone(viewer):
            raise Failed("Esc left the viewer open")
    finally:
        fm.stop()


def tab_strip(shot, area):
    left, top, right, bottom = area
    return shot[bottom + 2:bottom + 20, left:right]


def scenario_drawing_sheets(known):
    """F3 on the three-sheet drawing: the saved sheet and a tab for each of
    the three sheets; Ctrl+Page Down/Up (no wrap-around) and clicks on the
    tabs show each sheet's own picture."""
    write_settings(plugin_ini=plugin_ini())
    fm = FileManager(doc("gearbox.SLDDRW"))
    try:
        viewer = open_viewer(fm, "gearbox.SLDDRW")
        shot = check_viewer(viewer, "gearbox.SLDDRW.preview", known, "drawing-saved-sheet", whole=False)
        area = P.bbox(P.colour_mask(shot, MAGENTA))
        vx, vy, vw, vh = geometry(viewer)
        if vh - area[3] < 18:
            raise Failed("no room for tabs below the picture area (area ends at %d of %d)" % (area[3], vh))
        strips = {1: tab_strip(shot, area)}
        steps = [("ctrl+Next", "gearbox.sheet2"), ("ctrl+Next", "gearbox.sheet2"),
                 ("ctrl+Prior", "gearbox.SLDDRW.preview"), ("ctrl+Prior", "gearbox.sheet0")]
        for step, (keys, expected) in enumerate(steps):
            key(viewer, keys)
            shot = check_viewer(viewer, expected, known, "drawing-key-%d-%s" % (step, expected), whole=False)
            strips[{"gearbox.sheet0": 0, "gearbox.SLDDRW.preview": 1, "gearbox.sheet2": 2}[expected]] = tab_strip(shot, area)
        columns = {}
        for a, b in ((0, 1), (1, 2), (0, 2)):
            columns[a, b] = np.any(np.abs(strips[a] - strips[b]).sum(axis=2) > 30, axis=0)
        tabs = {0: columns[0, 1] & columns[0, 2] & ~columns[1, 2],
                1: columns[0, 1] & columns[1, 2] & ~columns[0, 2],
                2: columns[0, 2] & columns[1, 2] & ~columns[0, 1]}
        # Each tab's middle: the columns that change when that sheet is
        # chosen, and not between the other two.
        middles = {}
        for sheet, mask in tabs.items():
            xs = np.nonzero(mask)[0]
            if len(xs) == 0:
                raise Failed("choosing sheet %d changed no tab of its own" % sheet)
            middles[sheet] = int(np.median(xs))
        if not middles[0] < middles[1] < middles[2]:
            raise Failed("the tabs are not in sheet order: %s" % middles)
        for sheet, expected in ((2, "gearbox.sheet2"), (1, "gearbox.SLDDRW.preview"), (0, "gearbox.sheet0")):
            x = vx + area[0] + middles[sheet]
            y = vy + area[3] + 10
            focus(viewer)
            xdo("mousemove", "--sync", x, y)
            xdo("click", 1)
            check_viewer(viewer, expected, known, "drawing-click-%d" % sheet, whole=False)
        key(viewer, "Escape")
    finally:
        fm.stop()


def scenario_quick_view(known):
    """Quick view (Ctrl+Q), then the cursor down and up: each document's own
    picture in the other panel, in the file manager's order (name, then
    extension)."""
    write_settings(plugin_ini=plugin_ini())
    fm = FileManager(doc("bracket.SLDPRT"))
    try:
        key(fm.main, "ctrl+q")
        sequence = [(None, "bracket.SLDPRT.preview"), ("Down", "flange.SLDPRT.preview"),
                    ("Down", "gearbox.SLDASM.preview"), ("Down", "gearbox.SLDDRW.preview"),
                    ("Up", "gearbox.SLDASM.preview"), ("Up", "flange.SLDPRT.preview"),
                    ("Up", "bracket.SLDPRT.preview")]
        for step, (move, expected) in enumerate(sequence):
            if move:
                key(fm.main, move)
            check_viewer(fm.main, expected, known, "quick-view-%d" % step, whole=False)
        key(fm.main, "ctrl+q")
    finally:
        fm.stop()


def expected_view(reference, scale, offset_x, offset_y, width, height, background=MAGENTA):
    """The picture area when the reference is drawn at this scale with its
    top-left corner at (offset_x, offset_y) of the area."""
    view = np.empty((height, width, 3))
    view[:, :] = background
    drawn_w = round(reference.shape[1] * scale)
    drawn_h = round(reference.shape[0] * scale)
    scaled = P.resize(reference, drawn_w, drawn_h)
    x0, y0 = max(0, offset_x), max(0, offset_y)
    x1, y1 = min(width, offset_x + drawn_w), min(height, offset_y + drawn_h)
    view[y0:y1, x0:x1] = scaled[y0 - offset_y:y1 - offset_y, x0 - offset_x:x1 - offset_x]
    return view


def view_error(shown, expected, slack=2):
    """The least mean block error over shifts of up to slack pixels (the
    rounding of a scaled position)."""
    best = None
    h, w = shown.shape[:2]
    for dy in range(-slack, slack + 1):
        for dx in range(-slack, slack + 1):
            a = shown[slack + dy:h - slack + dy, slack + dx:w - slack + dx]
            b = expected[slack:h - slack, slack:w - slack]
            error = float(np.abs(P.block_means(a) - P.block_means(b)).mean())
            best = error if best is None else min(best, error)
    return best


def place(view_len, drawn_len, anchor_view, anchor_picture, scale):
    """Where the picture starts on one axis: centred when it is smaller than
    the view, else the anchor's picture point under the anchor's view point,
    kept from showing anything beyond the picture."""
    if drawn_len <= view_len:
        return (view_len - drawn_len) // 2
    start = round(anchor_view - anchor_picture * scale)
    return min(0, max(view_len - drawn_len, start))


# The platform's scroll bar (Wine's default metrics, measured: 17 pixels).
SCROLL_BAR = 17


def view_with_bars(width, height, drawn_w, drawn_h):
    """The view left beside the scroll bars that a picture of this size
    needs in an area of width x height."""
    horizontal = drawn_w > width
    vertical = drawn_h > height - (SCROLL_BAR if horizontal else 0)
    if vertical and not horizontal:
        horizontal = drawn_w > width - SCROLL_BAR
    return width - (SCROLL_BAR if vertical else 0), height - (SCROLL_BAR if horizontal else 0)


def measure_shift(before, after):
    """How far the content moved between two screenshots of one area (phase
    correlation), as (dx, dy)."""
    a = before.mean(axis=2)
    b = after.mean(axis=2)
    fa = np.fft.fft2(a - a.mean())
    fb = np.fft.fft2(b - b.mean())
    cross = fb * np.conj(fa)
    cross /= np.abs(cross) + 1e-9
    corr = np.abs(np.fft.ifft2(cross))
    dy, dx = np.unravel_index(np.argmax(corr), corr.shape)
    h, w = a.shape
    return (int(dx) - w if dx > w // 2 else int(dx)), (int(dy) - h if dy > h // 2 else int(dy))


def scenario_zoom_drag_wheel(known):
    """In the viewer: + and − zoom about the centre to the next steps, Ctrl+wheel
    about the point under the cursor, a drag moves the picture with the
    mouse, the wheel scrolls down and Shift+wheel sideways."""
    write_settings(plugin_ini=plugin_ini())
    fm = FileManager(doc("flange.SLDPRT"))
    try:
        viewer = open_viewer(fm, "flange.SLDPRT")
        shot = check_viewer(viewer, "flange.SLDPRT.preview", known, "zoom-fitted")
        area = viewer_area(viewer)
        left, top, right, bottom = area
        width, height = right - left, bottom - top
        reference = known["flange.SLDPRT.preview"]
        pic_h, pic_w = reference.shape[:2]
        fit = min(width / pic_w, height / pic_h)
        vx, vy = geometry(viewer)[:2]

        def expect(label, scale, ox, oy, view):
            view_w, view_h = view
            wanted = expected_view(reference, scale, ox, oy, view_w, view_h)

            def check(shot):
                error = view_error(shot[top:top + view_h, left:left + view_w], wanted)
                return [] if error <= P.MATCH_ERROR else ["%s: mean block error %.1f at scale %.3f, offset %d,%d"
                                                          % (label, error, scale, ox, oy)]
            failures, shot = settle(viewer, check)
            if failures:
                raise Failed("; ".join(failures) + " (screenshot %s)" % save_shot(shot, "zoom-" + label))
            return shot

        def about(scale, old_scale, old_ox, old_oy, ax, ay):
            """The placement after a zoom about the view point (ax, ay): that
            point of the picture stays under it, then the scroll bars that
            the new size needs take their room from the view."""
            drawn_w, drawn_h = round(pic_w * scale), round(pic_h * scale)
            px, py = (ax - old_ox) / old_scale, (ay - old_oy) / old_scale
            view = view_with_bars(width, height, drawn_w, drawn_h)
            return place(view[0], drawn_w, ax, px, scale), place(view[1], drawn_h, ay, py, scale), view

        # + : the first step above the fitted scale, about the centre.
        fit_ox, fit_oy = (width - round(pic_w * fit)) // 2, (height - round(pic_h * fit)) // 2
        up = min(s for s in ZOOM_LADDER if s > fit * 1.000001)
        ox, oy, view = about(up, fit, fit_ox, fit_oy, width / 2, height / 2)
        key(viewer, "plus")
        expect("plus", up, ox, oy, view)
        # − : the first step below that.
        down = max(s for s in ZOOM_LADDER if s < up * 0.999999)
        ox, oy, view = about(down, up, ox, oy, view[0] / 2, view[1] / 2)
        key(viewer, "minus")
        expect("minus", down, ox, oy, view)
        # + again: back to the step above.
        ox, oy, view = about(up, down, ox, oy, view[0] / 2, view[1] / 2)
        key(viewer, "plus")
        expect("plus-after-minus", up, ox, oy, view)
        scale = up
        # Ctrl+wheel away from the user, twice, about a point off the centre.
        ax, ay = width // 3, height // 2 + 20
        focus(viewer)
        xdo("mousemove", "--sync", vx + left + ax, vy + top + ay)
        for notch in range(2):
            new = min(s for s in ZOOM_LADDER if s > scale * 1.000001)
            ox, oy, view = about(new, scale, ox, oy, ax, ay)
            scale = new
            xdo("keydown", "ctrl", "click", 4, "keyup", "ctrl")
            time.sleep(0.5)
        shot = expect("ctrl-wheel", scale, ox, oy, view)
        # A drag of 60 pixels right and 30 down moves the picture with it
        # (and leaves room to scroll down and right).
        xdo("mousemove", "--sync", vx + left + width // 2, vy + top + height // 2)
        xdo("mousedown", 1)
        for step in range(1, 7):
            xdo("mousemove", "--sync", vx + left + width // 2 + 10 * step, vy + top + height // 2 + 5 * step)
            time.sleep(0.1)
        xdo("mouseup", 1)
        drawn_w, drawn_h = round(pic_w * scale), round(pic_h * scale)
        ox = min(0, max(view[0] - drawn_w, ox + 60)) if drawn_w > view[0] else ox
        oy = min(0, max(view[1] - drawn_h, oy + 30)) if drawn_h > view[1] else oy
        shot = expect("drag", scale, ox, oy, view)
        # The wheel towards the user scrolls down: the picture moves up.
        before = shot[top:top + view[1], left:left + view[0]]
        xdo("click", 5)
        time.sleep(1)
        after = screenshot(viewer)[top:top + view[1], left:left + view[0]]
        dx, dy = measure_shift(before, after)
        if not (dx == 0 and dy < 0):
            raise Failed("the wheel moved the picture by %d,%d, not up (%s)" % (dx, dy, save_shot(after, "zoom-wheel")))
        # Shift+wheel towards the user goes right: the picture moves left.
        before = after
        xdo("keydown", "shift", "click", 5, "keyup", "shift")
        time.sleep(1)
        after = screenshot(viewer)[top:top + view[1], left:left + view[0]]
        dx, dy = measure_shift(before, after)
        if not (dx < 0 and dy == 0):
            raise Failed("Shift+wheel moved the picture by %d,%d, not left (%s)"
                         % (dx, dy, save_shot(after, "zoom-shift-wheel")))
        key(viewer, "Escape")
    finally:
        fm.stop()


def scenario_keypad_zoom(known):
    """Keypad + zooms the picture and stays the viewer's: the file manager's
    own text viewer (where the key enlarges the text) shows a text file as
    it did before."""
    write_settings(plugin_ini=plugin_ini())
    fm = FileManager(doc("zz-notes.txt"))
    try:
        text = open_viewer(fm, "zz-notes.txt")
        time.sleep(2)
        before = screenshot(text)
        key(text, "Escape")
        wait_gone(text)
        key(fm.main, "Home", "Down", "Down", "Down")
        viewer = open_viewer(fm, "flange.SLDPRT")
        fitted = check_viewer(viewer, "flange.SLDPRT.preview", known, "keypad-fitted")
        key(viewer, "KP_Add")

        def zoomed(shot):
            return [] if np.abs(shot - fitted).sum(axis=2).max() > 0 else ["keypad + did not zoom"]
        failures, shot = settle(viewer, zoomed)
        if failures:
            raise Failed("; ".join(failures) + " (%s)" % save_shot(shot, "keypad-plus"))
        key(viewer, "Escape")
        wait_gone(viewer)
        key(fm.main, "End")
        text = open_viewer(fm, "zz-notes.txt")
        time.sleep(2)
        after = screenshot(text)
        if before.shape != after.shape or np.abs(before - after).sum(axis=2).max() > 0:
            raise Failed("the keys also reached the file manager: its text viewer changed (%s, %s)"
                         % (save_shot(before, "keypad-text-before"), save_shot(after, "keypad-text-after")))
        key(text, "Escape")
    finally:
        fm.stop()


def thumbnail_of(picture, box=128):
    """The thumbnail the file manager asks for (128 x 128): the picture
    fitted into the box, proportions kept."""
    h, w = picture.shape[:2]
    tw, th = P.fit_size(box, box, w, h, only_larger=False)
    return P.point_sample(picture, tw, th)


# The documents of the thumbnail view, and the pictures their thumbnails show
# by default; the two gearbox drawings hold one drawing.
THUMBNAIL_DOCUMENTS = {"bracket.SLDDRW": "bracket.SLDDRW", "bracket.SLDPRT": "bracket.SLDPRT",
                       "flange.SLDPRT": "flange.SLDPRT", "gearbox.SLDASM": "gearbox.SLDASM",
                       "gearbox.SLDDRW": "gearbox.SLDDRW", "gearbox-2024.SLDDRW": "gearbox.SLDDRW"}


def thumbnail_view(plugin_enabled, ini):
    write_settings(plugin_enabled=plugin_enabled, plugin_ini=ini)
    fm = FileManager(doc("zz-notes.txt"))
    key(fm.main, "ctrl+shift+F1")
    return fm


def check_thumbnails(fm, known, variant, label, baseline):
    """Every document's thumbnail is its picture (found on the screen); every
    pixel that differs from the view without the plugin lies on one of
    them, so the other files keep the file manager's own icons."""
    expected = {}
    for document, scene in THUMBNAIL_DOCUMENTS.items():
        expected.setdefault(scene + variant, []).append(document)

    def check(shot):
        failures = []
        # The left panel, below its header: the right one lists the program's
        # own folder, whose times change.
        panel = (slice(150, shot.shape[0] - 80), slice(0, shot.shape[1] // 2))
        shot = shot[panel]
        covered = np.zeros(shot.shape[:2], dtype=bool)
        searched = shot.copy()
        centres = []
        for name, documents in expected.items():
            template = thumbnail_of(known[name])
            th, tw = template.shape[:2]
            for document in documents:
                x, y, error = P.find_picture(searched, template)
                if error > P.THUMBNAIL_ERROR:
                    failures.append("no thumbnail of %s (%s): best mean block error %.1f" % (document, name, error))
                    continue
                covered[max(0, y - 2):y + th + 2, max(0, x - 2):x + tw + 2] = True
                searched[y:y + th, x:x + tw] = 0
                centres.append((round((y + th / 2) / 10), x + tw / 2, name))
        # Thumbnails are centred in their cells, which follow the files'
        # order row by row.
        found_order = [name for _, _, name in sorted(centres)]
        wanted_order = [scene + variant for scene in THUMBNAIL_DOCUMENTS.values()]
        if not failures and found_order != wanted_order:
            failures.append("thumbnails in the order %s, not the files' order" % found_order)
        changed = np.abs(shot - baseline[panel]).sum(axis=2) > 30
        stray = changed & ~covered
        if stray.sum() > 0:
            box = P.bbox(stray)
            failures.append("%d pixels changed outside the documents' thumbnails, within %s" % (stray.sum(), box))
        return failures

    failures, shot = settle(fm.main, check, timeout=30)
    if failures:
        raise Failed("%s: %s (screenshot %s)" % (label, "; ".join(failures), save_shot(shot, label)))
    if not fm.running():
        raise Failed("%s: the file manager ended" % label)


def thumbnail_baseline():
    """The thumbnail view as the file manager draws it without the plugin."""
    fm = thumbnail_view(False, plugin_ini())
    try:
        time.sleep(5)
        first = screenshot(fm.main)
        # Drawn and settled: two screenshots a second apart agree.
        for _ in range(20):
            time.sleep(1)
            shot = screenshot(fm.main)
            if np.array_equal(shot, first):
                return shot
            first = shot
        raise Failed("the thumbnail view without the plugin never settled")
    finally:
        fm.stop()


def scenario_thumbnails(known):
    """The thumbnail view of the samples, a hostile document and a file that
    is no document: each document's thumbnail is its picture, the others
    keep the file manager's icon, and the file manager keeps running."""
    baseline = thumbnail_baseline()
    fm = thumbnail_view(True, plugin_ini())
    try:
        check_thumbnails(fm, known, ".preview", "thumbnails", baseline)
        # Still answering: the cursor moves and the viewer opens.
        key(fm.main, "Home", "Right")
        viewer = open_viewer(fm, "bracket.SLDDRW")
        check_viewer(viewer, "bracket.SLDDRW.preview", known, "thumbnails-then-viewer")
        key(viewer, "Escape")
    finally:
        fm.stop()


def read_clipboard_picture():
    """The picture on the clipboard, as Wine offers it to X (a DIB as
    image/bmp)."""
    result = subprocess.run(["xclip", "-o", "-selection", "clipboard", "-t", "image/bmp"], capture_output=True,
                            timeout=20)
    if result.returncode != 0 or not result.stdout:
        raise Failed("no picture on the clipboard: %s" % result.stderr.decode(errors="replace").strip())
    from io import BytesIO
    return np.asarray(Image.open(BytesIO(result.stdout)).convert("RGB"), dtype=np.float64)


def check_copied(expected, known, label):
    copied = read_clipboard_picture()
    want = known[expected]
    if copied.shape != want.shape:
        raise Failed("%s: the clipboard holds %dx%d, the picture is %dx%d" % (label, copied.shape[1], copied.shape[0],
                                                                             want.shape[1], want.shape[0]))
    failures = P.check_identity(copied, expected, known)
    if failures:
        raise Failed("%s: %s (%s)" % (label, "; ".join(failures), save_shot(copied, label)))


def scenario_copy(known):
    """Ctrl+C in the viewer puts the picture at natural size on the
    clipboard; on a drawing, the sheet shown."""
    write_settings(plugin_ini=plugin_ini())
    fm = FileManager(doc("flange.SLDPRT"))
    try:
        viewer = open_viewer(fm, "flange.SLDPRT")
        check_viewer(viewer, "flange.SLDPRT.preview", known, "copy-viewer")
        key(viewer, "ctrl+c")
        time.sleep(1)
        check_copied("flange.SLDPRT.preview", known, "copy-part")
        key(viewer, "Escape")
        wait_gone(viewer)
        key(fm.main, "Down", "Down")
        viewer = open_viewer(fm, "gearbox.SLDDRW")
        key(viewer, "ctrl+Next")
        check_viewer(viewer, "gearbox.sheet2", known, "copy-sheet-viewer", whole=False)
        key(viewer, "ctrl+c")
        time.sleep(1)
        check_copied("gearbox.sheet2", known, "copy-sheet")
        key(viewer, "Escape")
    finally:
        fm.stop()


def pdf_page(path, dpi=100):
    out = os.path.join(WORK, "print-page")
    subprocess.run(["pdftoppm", "-r", str(dpi), "-f", "1", "-l", "1", "-png", "-singlefile", path, out], check=True)
    return P.load_rgb(out + ".png")


def scenario_print(known):
    """Ctrl+P in the viewer: one job on the PDF printer, named after the
    document, with the picture inside 20 mm margins, as wide as they allow."""
    if not os.path.isdir(PRINT_SPOOL) or subprocess.run(["lpstat", "-r"], capture_output=True,
                                                        text=True).stdout.find("is running") < 0:
        raise Skipped("no PDF printer (scripts/setup-printer needs root, cups and cups-pdf)")
    before = set(os.listdir(PRINT_SPOOL))
    write_settings(plugin_ini=plugin_ini())
    fm = FileManager(doc("flange.SLDPRT"))
    try:
        viewer = open_viewer(fm, "flange.SLDPRT")
        check_viewer(viewer, "flange.SLDPRT.preview", known, "print-viewer")
        key(viewer, "ctrl+p")
        deadline = time.time() + 60
        jobs = []
        while time.time() < deadline:
            jobs = [name for name in set(os.listdir(PRINT_SPOOL)) - before if name.endswith(".pdf")]
            if jobs:
                time.sleep(3)  # the printer may still be writing it
                break
            time.sleep(0.5)
        jobs = [name for name in set(os.listdir(PRINT_SPOOL)) - before if name.endswith(".pdf")]
        if len(jobs) != 1:
            raise Failed("%d print jobs, not one: %s" % (len(jobs), jobs))
        if not jobs[0].startswith("flange.SLDPRT"):
            raise Failed("the job is not named after the document: %s" % jobs[0])
        dpi = 100
        page = pdf_page(os.path.join(PRINT_SPOOL, jobs[0]), dpi)
        mm = dpi / 25.4
        drawn = P.bbox(np.abs(page - 255).sum(axis=2) > 24)
        if drawn is None:
            raise Failed("the printed page is blank")
        left, top, right, bottom = drawn
        height, width = page.shape[:2]
        margin = 20 * mm
        slack = 0.5 * mm + 1
        failures = []
        if left < margin - slack or top < margin - slack:
            failures.append("picture at %.1f, %.1f mm from the left and top edges" % (left / mm, top / mm))
        if right > width - margin + slack or bottom > height - margin + slack:
            failures.append("picture ends %.1f, %.1f mm from the right and bottom edges"
                            % ((width - right) / mm, (height - bottom) / mm))
        # The part is wider than the space is high: it takes the full width.
        if abs((right - left) - (width - 2 * margin)) > 1 * mm + 1:
            failures.append("picture %.1f mm wide, the margins leave %.1f mm"
                            % ((right - left) / mm, (width - 2 * margin) / mm))
        failures += P.check_identity(page[top:bottom, left:right], "flange.SLDPRT.preview", known)
        if failures:
            raise Failed("; ".join(failures) + " (page %s)" % save_shot(page, "print-page"))
        key(viewer, "Escape")
    finally:
        fm.stop()


def scenario_true_color(known):
    """TrueColor=1 in the corvelle.ini beside the plugin: the viewer and the
    thumbnails show the true-colour pictures, laid over the background."""
    write_settings(plugin_ini=plugin_ini(TrueColor=1))
    fm = FileManager(doc("flange.SLDPRT"))
    try:
        viewer = open_viewer(fm, "flange.SLDPRT")
        check_viewer(viewer, "flange.SLDPRT.truecolor", known, "true-color-viewer")
        key(viewer, "Escape")
    finally:
        fm.stop()
    baseline = thumbnail_baseline()
    fm = thumbnail_view(True, plugin_ini(TrueColor=1))
    try:
        check_thumbnails(fm, known, ".truecolor", "true-color-thumbnails", baseline)
    finally:
        fm.stop()


def notice_windows():
    return windows_named("^Corvelle ")


def wait_notice(label):
    try:
        return wait_window("^Corvelle ")
    except Failed:
        raise Failed("%s: no notice of a new settings file" % label)


def check_white_viewer(viewer, known, label):
    def check(shot):
        return P.check_fitted(shot, WHITE, "flange.SLDPRT.preview", known, area=viewer_area(viewer))
    failures, shot = settle(viewer, check)
    if failures:
        raise Failed("%s: %s (screenshot %s)" % (label, "; ".join(failures), save_shot(shot, label)))


def scenario_first_load_notice(known):
    """No settings file anywhere: the first load shows the notice once, from
    the viewer or from the thumbnail thread; the viewer opens and the
    thumbnails come once it is closed, and no later load shows it again."""
    created = os.path.join(SETTINGS, "corvelle.ini")
    # First from the viewer.
    write_settings(plugin_ini=None)
    fm = FileManager(doc("flange.SLDPRT"))
    try:
        key(fm.main, "F3")
        notice = wait_notice("viewer first")
        time.sleep(2)
        if windows_named("flange\\.SLDPRT"):
            raise Failed("viewer first: the viewer opened before the notice was closed")
        if len(notice_windows()) != 1:
            raise Failed("viewer first: %d notices" % len(notice_windows()))
        key(notice, "Return")
        viewer = wait_window("flange\\.SLDPRT")
        check_white_viewer(viewer, known, "notice-viewer")
        if not os.path.isfile(created):
            raise Failed("viewer first: no corvelle.ini beside the file manager's settings")
        key(viewer, "Escape")
        wait_gone(viewer)
        key(fm.main, "ctrl+shift+F1")
        time.sleep(5)
        viewer = open_viewer(fm, "flange.SLDPRT")
        check_white_viewer(viewer, known, "notice-viewer-again")
        if notice_windows():
            raise Failed("viewer first: the notice came again")
        key(viewer, "Escape")
    finally:
        fm.stop()
    # First from the thumbnail thread.
    write_settings(plugin_ini=None)
    fm = FileManager(doc("zz-notes.txt"))
    try:
        key(fm.main, "ctrl+shift+F1")
        notice = wait_notice("thumbnails first")
        time.sleep(2)
        if len(notice_windows()) != 1:
            raise Failed("thumbnails first: %d notices" % len(notice_windows()))
        key(notice, "Return")
        # The thumbnails come: the flange's is on the screen.
        template = thumbnail_of(known["flange.SLDPRT.preview"])

        def check(shot):
            error = P.find_picture(shot, template)[2]
            return [] if error <= P.THUMBNAIL_ERROR else ["no thumbnail of flange.SLDPRT (error %.1f)" % error]
        failures, shot = settle(fm.main, check, timeout=30)
        if failures:
            raise Failed("thumbnails first: %s (%s)" % ("; ".join(failures), save_shot(shot, "notice-thumbnails")))
        if notice_windows():
            raise Failed("thumbnails first: the notice came again")
        key(fm.main, "Home", "Right", "Right", "Right")
        viewer = open_viewer(fm, "flange.SLDPRT")
        check_white_viewer(viewer, known, "notice-thumbnails-viewer")
        if notice_windows():
            raise Failed("thumbnails first: the notice came again with the viewer")
        key(viewer, "Escape")
    finally:
        fm.stop()


# The prefix's screen resolution, which Wine reads when a process starts.
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"


def wine_reg(*args):
    """Runs Wine's reg on the prefix and stops the server it started, so that
    the next process starts with the registry as reg left it."""
    try:
        return subprocess.run([WINE, "reg", *args], env=ENV, capture_output=True, text=True, timeout=60)
    finally:
        stop_wine()


def log_pixels():
    """The prefix's LogPixels, or None when it has none (96 then)."""
    out = wine_reg("query", DESKTOP_KEY, "/v", "LogPixels").stdout
    for line in out.splitlines():
        fields = line.split()
        if len(fields) == 3 and fields[0] == "LogPixels" and fields[1] == "REG_DWORD":
            return int(fields[2], 0)
    return None


def set_log_pixels(value):
    """value None: the prefix's own default (the value deleted)."""
    if value is None:
        wine_reg("delete", DESKTOP_KEY, "/v", "LogPixels", "/f")
    else:
        result = wine_reg("add", DESKTOP_KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(value), "/f")
        if result.returncode != 0:
            raise Failed("reg add LogPixels %d: %s" % (value, (result.stdout + result.stderr).strip()))
    if log_pixels() != value:
        raise Failed("LogPixels reads %s after setting it to %s" % (log_pixels(), value))


def dark_runs(flags):
    """(start, end) of each run of true values."""
    runs = []
    start = None
    for index, flag in enumerate(flags):
        if flag and start is None:
            start = index
        elif not flag and start is not None:
            runs.append((start, index))
            start = None
    if start is not None:
        runs.append((start, len(flags)))
    return runs


def dark(region, darkness=320):
    return region.astype(int).sum(axis=2) < darkness


def ends_in_ellipsis(line):
    """Whether a line of text (its rows, top of the tallest letter to the
    bottom of the lowest) ends in three dots: what the list draws in place
    of the end of a text its column cannot hold. A dot is a blob at most a
    quarter of the line's height each way, in its lower half."""
    height = line.shape[0]
    ink = dark(line)
    blobs = dark_runs(ink.any(axis=0))[-3:]
    if len(blobs) < 3:
        return False
    for x0, x1 in blobs:
        rows = np.nonzero(ink[:, x0:x1].any(axis=1))[0]
        if x1 - x0 > max(2, height / 4) or rows[-1] - rows[0] + 1 > max(2, height / 4) or rows[0] < height / 2:
            return False
    return True


def measure_drawing_view(viewer, known, label):
    """Measures, from the screen alone, the viewer of gearbox.SLDDRW as it
    shows its saved sheet and the information panel. Returns the measures
    (and where the measured screenshot is saved) and the picture area.

    tab_row: the picture area (the magenta) ends where the tab control
    starts; the control ends below its lowest row that changes when another
    sheet is chosen (the chosen tab is drawn raised and reaches lowest), as
    the file manager's status bar below does not change. The saved sheet is
    shown again at the end.
    row_pitch: the distance between the tops of the panel's first and last
    property rows (its lines of dark text below the column titles) over
    their count less one.
    values: each property row's value as drawn in the value column (from
    the first divider in the column titles' bar to the next, or the panel's
    edge): its horizontal extent from the first to the last dark pixel, and
    whether it ends in an ellipsis."""
    shot = check_viewer(viewer, "gearbox.SLDDRW.preview", known, label + "-saved-sheet", whole=False)
    area = P.bbox(P.colour_mask(shot, MAGENTA))
    left, top, right, bottom = area
    panel = shot[top:bottom, right:]
    lines = dark_runs(dark(panel).any(axis=1))
    # The column titles, then Saved with, Created, Last saved, Author, Last
    # saved by, then the custom properties under their heading. The values
    # measured are the five fixed rows': a custom one (the description) is
    # longer than the panel is wide at any DPI.
    if len(lines) < 6 or lines[0][0] < 2:
        raise Failed("%s: the panel shows %d lines of text starting at %s, expected at least 6 below the column "
                     "titles' bar (screenshot %s)"
                     % (label, len(lines), [start for start, _ in lines], save_shot(shot, label)))
    rows = lines[1:]
    row_pitch = (rows[-1][0] - rows[0][0]) / (len(rows) - 1)
    # The bar's dividers: columns that are neither background nor text from
    # its top edge to its titles.
    bar = panel[:lines[0][0]].astype(int).sum(axis=2)
    dividers = [x for x in np.nonzero(np.all((bar >= 320) & (bar < 700), axis=0))[0] if x > 0]
    if not dividers:
        raise Failed("%s: no divider between the panel's column titles (screenshot %s)"
                     % (label, save_shot(shot, label)))
    value_left = dividers[0] + 1
    value_right = next((x for x in dividers if x > value_left), panel.shape[1])
    values = []
    for start, end in rows[:5]:
        line = panel[start:end, value_left:value_right]
        xs = np.nonzero(dark(line).any(axis=0))[0]
        values.append((int(xs[-1] - xs[0] + 1) if len(xs) else 0, ends_in_ellipsis(line)))
    key(viewer, "ctrl+Next")
    next_shot = check_viewer(viewer, "gearbox.sheet2", known, label + "-next-sheet", whole=False)
    changed = np.nonzero((np.abs(next_shot[bottom:] - shot[bottom:]).sum(axis=2) > 30).any(axis=1))[0]
    if len(changed) == 0:
        raise Failed("%s: choosing the next sheet changed nothing below the picture area (screenshot %s)"
                     % (label, save_shot(next_shot, label + "-next-sheet")))
    key(viewer, "ctrl+Prior")
    check_viewer(viewer, "gearbox.SLDDRW.preview", known, label + "-saved-sheet-again", whole=False)
    return {"tab_row": int(changed[-1]) + 1, "row_pitch": row_pitch, "values": values,
            "value_column": value_right - value_left, "shot": save_shot(shot, label)}, area


def visible_windows():
    """The X windows mapped on the screen now: Wine's popup menus are some,
    windows of their own that no window manager sees."""
    out = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True, text=True).stdout
    ids = [line.split()[0] for line in out.splitlines() if line.strip().startswith("0x")]
    mapped = set()
    for window in ids:
        info = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True).stdout
        if "IsViewable" in info:
            mapped.add(window)
    return mapped


def zoom_in_by_menu(viewer, known, reference_name, area, label):
    """A right-click on the middle of the picture area opens the viewer's
    menu; Down twice (Copy picture, then Zoom in: the separator is skipped)
    and Return choose Zoom in. The menu goes and the picture is drawn at the
    zoom step above the fitted scale about the area's centre, with the
    room the scroll bars take (measured: the magenta left around it)."""
    left, top, right, bottom = area
    width, height = right - left, bottom - top
    reference = known[reference_name]
    pic_h, pic_w = reference.shape[:2]
    fit = min(width / pic_w, height / pic_h, 1.0)
    up = min(s for s in ZOOM_LADDER if s > fit * 1.000001)
    vx, vy = geometry(viewer)[:2]
    before = visible_windows()
    focus(viewer)
    xdo("mousemove", "--sync", vx + left + width // 2, vy + top + height // 2)
    xdo("click", 3)
    deadline = time.time() + SETTLE_WAIT
    menus = set()
    while not menus and time.time() < deadline:
        time.sleep(0.5)
        menus = visible_windows() - before
    if not menus:
        raise Failed("%s: a right-click on the picture opened no menu (%s)" % (label, save_shot(screenshot(viewer),
                                                                                              label + "-no-menu")))
    # The menu has the keyboard (the platform's menu loop): keys go to the
    # focus without moving it.
    for k in ("Down", "Down", "Return"):
        xdo("key", k)
        time.sleep(0.3)

    errors = []

    def check(shot):
        failures = []
        still = menus & visible_windows()
        if still:
            failures.append("the menu is still on the screen (%s)" % ", ".join(sorted(still)))
        view = P.bbox(P.colour_mask(shot, MAGENTA))
        if view is None:
            return failures + ["no background left beside the zoomed picture"]
        view_w, view_h = view[2] - view[0], view[3] - view[1]
        if view[:2] != (left, top) or view_w > width or view_h > height:
            return failures + ["the picture area %s after the zoom is not within %s" % (view, area)]
        drawn_w, drawn_h = round(pic_w * up), round(pic_h * up)
        fit_x, fit_y = (width - round(pic_w * fit)) // 2, (height - round(pic_h * fit)) // 2
        ox = place(view_w, drawn_w, width / 2, (width / 2 - fit_x) / fit, up)
        oy = place(view_h, drawn_h, height / 2, (height / 2 - fit_y) / fit, up)
        wanted = expected_view(reference, up, ox, oy, view_w, view_h)
        error = view_error(shot[top:top + view_h, left:left + view_w], wanted)
        errors.append(error)
        if error > P.MATCH_ERROR:
            failures.append("not the picture at the next step %.3f above the fitted %.3f, offset %d,%d in %dx%d: "
                            "mean block error %.1f" % (up, fit, ox, oy, view_w, view_h, error))
        return failures
    failures, shot = settle(viewer, check)
    if failures:
        raise Failed("%s: %s (screenshot %s)" % (label, "; ".join(failures), save_shot(shot, label)))
    return fit, up, round(errors[-1], 1)


# The least ratio of a size at 144 DPI to the same at 96 (1.5 scaled, less
# the rounding of fonts hinted to whole pixels).
DPI_GROWTH = 1.4
# A value cut, as the screen shows it: the list draws a text its column
# cannot hold as its beginning and three dots. So a value that fits at 96
# must, at 144, end in no such dots and be drawn about 1.5 times as wide
# (measured: 1.48 to 1.56 for the drawing's values, glyphs being hinted at
# each size). The width catches a cut whose dots cannot be told from the
# text, and a font that did not grow (as wide as at 96).
VALUE_GROWTH = 1.3


def compare_with_96(windows, low, high):
    """Raises when the viewer at 144 DPI does not scale against 96: the tab
    row, the panel's rows and each value that fits at 96."""
    # The file manager itself took the DPI: it scales its window's size.
    if windows[144] < windows[96] * DPI_GROWTH:
        raise Failed("the file manager's window is %d wide at 144 DPI, %d at 96: Wine did not start it at 144"
                     % (windows[144], windows[96]))
    failures = []
    for name, what in (("tab_row", "the tab row"), ("row_pitch", "the panel's rows")):
        if high[name] < DPI_GROWTH * low[name]:
            failures.append("%s %s pixels tall at 144 DPI, %s at 96: expected at least %.1f"
                            % (what, high[name], low[name], DPI_GROWTH * low[name]))
    for row, ((low_width, low_cut), (high_width, high_cut)) in enumerate(zip(low["values"], high["values"])):
        if low_cut or low_width == 0:
            failures.append("row %d's value does not fit at 96 DPI (%d pixels, ellipsis %s): the viewer is too "
                            "narrow for this check" % (row + 1, low_width, low_cut))
        elif high_cut or high_width < VALUE_GROWTH * low_width:
            failures.append("row %d's value %d pixels wide at 144 DPI%s, %d at 96: expected at least %.0f, whole"
                            % (row + 1, high_width, " ending in an ellipsis" if high_cut else "", low_width,
                               VALUE_GROWTH * low_width))
    if failures:
        raise Failed("; ".join(failures) + " (screenshots %s, %s)" % (low["shot"], high["shot"]))


def scenario_high_dpi(known):
    """At 144 DPI (the prefix's LogPixels) against 96, in processes started
    at each: the drawing with the information panel shown has a tab row and
    panel rows at least 1.4 times as tall, no value cut that fits at 96,
    and a right-click on the picture zooms it in by the menu. LogPixels is
    put back on every path."""
    measures = {}
    windows = {}
    saved = log_pixels()
    try:
        for dpi in (96, 144):
            set_log_pixels(None if dpi == 96 and saved is None else dpi)
            write_settings(plugin_ini=plugin_ini(InfoPanel=1))
            fm = FileManager(doc("gearbox.SLDDRW"))
            try:
                windows[dpi] = geometry(fm.main)[2]
                viewer = open_viewer(fm, "gearbox.SLDDRW")
                label = "high-dpi-%d" % dpi
                measures[dpi], area = measure_drawing_view(viewer, known, label)
                print("  %d DPI: %s" % (dpi, measures[dpi]), flush=True)
                if dpi == 144:
                    compare_with_96(windows, measures[96], measures[144])
                    fit, up, error = zoom_in_by_menu(viewer, known, "gearbox.SLDDRW.preview", area, label + "-zoom")
                    print("  144 DPI: zoomed by the menu from %.3f to %.3f (mean block error %.1f)" % (fit, up, error),
                          flush=True)
                key(viewer, "Escape")
            finally:
                fm.stop()
    finally:
        set_log_pixels(saved)


# --- the content plugin --------------------------------------------------------

# What make_samples writes into each sample: the release that saved it (its
# year), its Number and its Material (the gear box's documents have none).
SAMPLE_FACTS = {
    "bracket.SLDPRT": ("2010", "BR-1005", "AISI 304"),
    "bracket.SLDDRW": ("2011", "BR-1005-D", "AISI 304"),
    "gearbox.SLDASM": ("2012", "GB-0640", ""),
    "gearbox.SLDDRW": ("2012", "GB-0640-D", ""),
    "flange.SLDPRT": ("2024", "FL-1420", "EN-GJS-400-15"),
    "gearbox-2024.SLDDRW": ("2024", "GB-0640-D", ""),
}

# A column set as the options' "Custom columns" page saves it: the name,
# then two of the content plugin's fields. It is the only set, so the panels
# show it.
COLUMN_SET = """  <ColumnsSets>
    <ColumnsSet>
      <Name>CAD documents</Name>
      <Columns>
        <Column>
          <Title>Name</Title>
          <FuncString>[DC().GETFILENAME{}]</FuncString>
          <Width>250</Width>
          <Align>0</Align>
        </Column>
        <Column>
          <Title>Saved with</Title>
          <FuncString>[Plugin(corvelle).Saved with{}]</FuncString>
          <Width>90</Width>
          <Align>0</Align>
        </Column>
        <Column>
          <Title>Material</Title>
          <FuncString>[Plugin(corvelle).Material{}]</FuncString>
          <Width>150</Width>
          <Align>0</Align>
        </Column>
      </Columns>
    </ColumnsSet>
  </ColumnsSets>
"""

def read_clipboard_text():
    result = subprocess.run(["xclip", "-o", "-selection", "clipboard", "-t", "UTF8_STRING"], capture_output=True,
                            timeout=20)
    if result.returncode != 0:
        return ""
    return result.stdout.decode("utf-8", errors="replace").replace("\r\n", "\n")


def mark_menu(fm, item):
    """Chooses an item of the main window's Mark menu by its underlined
    letter."""
    key(fm.main, "alt+m", item)
    time.sleep(0.5)


def copied_until(fm, item, parse, expected, timeout=SETTLE_WAIT):
    """Selects every file and copies them with the Mark menu's item until
    what the clipboard holds, parsed, is as expected or the time is up (the
    file manager fills plugin columns from a worker of its own)."""
    deadline = time.time() + timeout
    while True:
        mark_menu(fm, "s")
        mark_menu(fm, item)
        text = read_clipboard_text()
        got = parse(text)
        if got == expected or time.time() > deadline:
            return got, text
        time.sleep(1)


def shown_columns(text):
    rows = {}
    for line in text.split("\n"):
        if line:
            cells = line.split("\t")
            rows[cells[0]] = cells[1:]
    return rows


def scenario_content_columns(known):
    """A column set with the content plugin's "Saved with" and "Material"
    shows each sample's release year and material as the samples were made,
    read back as the file manager copies its shown columns (Mark > Copy all
    shown columns); the hostile document and the text file show neither."""
    write_settings(plugin_ini=plugin_ini(), content=COLUMN_SET)
    fm = FileManager(doc("bracket.SLDDRW"))
    try:
        expected = {name: [year, material] for name, (year, _, material) in SAMPLE_FACTS.items()}
        expected.update({"zz-hostile.SLDPRT": ["", ""], "zz-notes.txt": ["", ""]})
        shown, text = copied_until(fm, "c", shown_columns, expected)
        if shown != expected:
            raise Failed("the file manager's columns (name: Saved with, Material) show %r, expected %r (copied: %r)"
                         % (shown, expected, text))
        print("  columns: %s" % "; ".join("%s %s" % (name, "/".join(shown[name])) for name in sorted(SAMPLE_FACTS)),
              flush=True)
    finally:
        fm.stop()


def scenario_content_rename(known):
    """The Multi-Rename tool with the mask [=Plugin(corvelle).Number{}]-[N]
    names each sample after its Number property (kept apart by its old
    name: two drawings share a Number), checked on disk."""
    folder = os.path.join(WORK, "rename")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for name in SAMPLE_FACTS:
        shutil.copy2(doc(name), folder)
    # [N] is the old name without its extension, which the extension mask
    # [E] keeps.
    expected = sorted("%s-%s" % (number, name) for name, (_, number, _) in SAMPLE_FACTS.items())
    write_settings(plugin_ini=plugin_ini(), content="")
    fm = FileManager(os.path.join(folder, "bracket.SLDDRW"))
    try:
        mark_menu(fm, "s")
        key(fm.main, "ctrl+m")
        tool = wait_window("^Multi-Rename Tool")
        focus(tool)
        key(tool, "ctrl+a")
        xdo("type", "--delay", "60", "[=Plugin(corvelle).Number{}]-[N]")
        time.sleep(1)
        key(tool, "F9")
        deadline = time.time() + SETTLE_WAIT
        while sorted(os.listdir(folder)) != expected and time.time() < deadline:
            time.sleep(0.5)
        names = sorted(os.listdir(folder))
        if names != expected:
            shot = save_shot(screenshot(tool), "content-rename") if tool in windows_named(".") else "none"
            raise Failed("the folder holds %r after renaming, expected %r (screenshot %s)" % (names, expected, shot))
    finally:
        fm.stop()


def found_paths(text):
    return sorted(line.strip() for line in text.split("\n") if line.strip())


def search_by_plugin(fm, expected_names, value, label, last_field=False):
    """Find files, on its Plugins page: Use content plugins, More rules
    (corvelle, Saved with and the first operator come first; with
    last_field, the list's last field, All custom properties, whose first
    operator is "contains"), the value, Start. The dialog must say it found
    as many as expected, and the results fed to a panel must be the
    expected files of the samples' folder."""
    expected = sorted(win_path(doc(name)) for name in expected_names)
    key(fm.main, "alt+F7")
    finder = wait_window("^Find files")
    # Alt+C is also the Close button's key: the page's check box takes it.
    key(finder, "alt+3", "alt+c")
    if finder not in windows_named("^Find files"):
        raise Failed("%s: Alt+C closed Find files instead of checking Use content plugins" % label)
    # After More rules, going back through the page (measured under Wine):
    # Less rules, More rules, then the new rule's value, operator and field
    # boxes (its units box is disabled for these fields).
    key(finder, "alt+m")
    if last_field:
        key(finder, *["shift+Tab"] * 5, "End", "Tab", "Tab")
    else:
        key(finder, *["shift+Tab"] * 3)
    xdo("type", "--delay", "60", value)
    rule = save_shot(screenshot(finder), label + "-rule")
    key(finder, "F9")
    finished = wait_window("^Find files - Finished")
    title = xdo("getwindowname", finished).strip()
    if "Found: %d" % len(expected) not in title:
        raise Failed("%s: the search ended with %r, expected %d found (the rule: %s)"
                     % (label, title, len(expected), rule))
    key(finished, "alt+l")
    if not wait_gone(finished):
        raise Failed("%s: Feed to listbox left the search open" % label)
    found, text = copied_until(fm, "p", found_paths, expected)
    if found != expected:
        raise Failed("%s: the search fed %r to the panel, expected %r" % (label, found, expected))


def scenario_content_search(known):
    """Find files by the content plugin over the samples' folder (the
    hostile document and the text file included): Saved with = 2024 finds
    exactly the samples saved by 2024, and All custom properties contains
    "aisi 304" (the case of the Material differs) exactly the two whose
    material it is, which tells that a full text is searched piece by
    piece."""
    write_settings(plugin_ini=plugin_ini(), content="")
    fm = FileManager(doc("bracket.SLDDRW"))
    try:
        search_by_plugin(fm, [name for name, (year, _, _) in SAMPLE_FACTS.items() if year == "2024"], "2024",
                         "content-search-2024")
    finally:
        fm.stop()
    write_settings(plugin_ini=plugin_ini(), content="")
    fm = FileManager(doc("bracket.SLDDRW"))
    try:
        search_by_plugin(fm, [name for name, (_, _, material) in SAMPLE_FACTS.items() if material == "AISI 304"],
                         "aisi 304", "content-search-text", last_field=True)
    finally:
        fm.stop()

def run_scenarios(names):
    known = known_pictures()
    scenarios = [(name[len("scenario_"):], function) for name, function in globals().items()
                 if name.startswith("scenario_")]
    passed = failed = skipped = 0
    for name, function in scenarios:
        if names and name not in names:
            continue
        started = time.time()
        try:
            function(known)
            print("PASS %s (%.0f s)" % (name, time.time() - started), flush=True)
            passed += 1
        except Skipped as reason:
            print("SKIP %s: %s" % (name, reason), flush=True)
            skipped += 1
        except Failed as failure:
            print("FAIL %s: %s" % (name, failure), flush=True)
            failed += 1
        except Exception:
            print("FAIL %s: %s" % (name, traceback.format_exc()), flush=True)
            failed += 1
        finally:
            stop_wine()
    if skipped:
        print("%d skipped" % skipped)
    print("%d passed, %d failed" % (passed, failed))
    return failed == 0


def prepare(app_source):
    shutil.rmtree(APP, ignore_errors=True)
    os.makedirs(PLUGIN_DIR)
    for item in ("doublecmd.exe", "language", "pixmaps", "default", "highlighters"):
        source = os.path.join(app_source, item)
        if os.path.isdir(source):
            shutil.copytree(source, os.path.join(APP, item))
        else:
            shutil.copy2(source, APP)
    shutil.copy2(os.path.join(ROOT, "build", "windows", "corvelle.dll"), os.path.join(PLUGIN_DIR, "corvelle.wlx64"))
    os.makedirs(CONTENT_PLUGIN_DIR)
    shutil.copy2(os.path.join(ROOT, "build", "windows", "corvelle.wdx64"), CONTENT_PLUGIN_DIR)
    shutil.rmtree(DOCS, ignore_errors=True)
    shutil.copytree(os.path.join(ROOT, "samples"), DOCS)
    # A document whose container lies: a compound file's signature, then
    # sectors of noise claiming a directory far beyond the file.
    rng = np.random.default_rng(30)
    with open(doc("zz-hostile.SLDPRT"), "wb") as out:
        out.write(bytes.fromhex("d0cf11e0a1b11ae1") + rng.integers(0, 256, 64 * 1024, dtype=np.uint8).tobytes())
    with open(doc("zz-notes.txt"), "w") as out:
        out.write("Not a document.\n")
    shutil.rmtree(KNOWN, ignore_errors=True)
    subprocess.run([os.path.join(ROOT, "scripts", "wine-run"), os.path.join(ROOT, "build", "windows", "make_samples.exe"),
                    "--pictures", win_path(KNOWN)], env=dict(ENV, CORVELLE_WINEPREFIX=PREFIX), check=True,
                   stdout=subprocess.DEVNULL)
    stop_wine()


def main():
    app_source = sys.argv[1]
    os.makedirs(WORK, exist_ok=True)
    prepare(app_source)
    return 0 if run_scenarios(sys.argv[2:]) else 1


if __name__ == "__main__":
    sys.exit(main())
