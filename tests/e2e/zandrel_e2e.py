"""Drives the real zandrel-eval executable on the simulated board under Xvfb.

The program's widgets are reached through Qt's accessibility bridge (AT-SPI over D-Bus):
the driver finds windows and controls by role and name, reads what labels, text boxes and
message boxes show, presses buttons and menu entries and sets texts, as a screen reader
would. Pointer drags on custom controls, where needed, go through xdotool at the control's
screen position. Every wait polls a condition against a deadline; nothing relies on a
fixed pause being long enough.

Each case runs in its own folder with its own HOME, settings store, X server and D-Bus
session (run_e2e.py sets those up), so cases can run in parallel.
"""

import configparser
import contextlib
import ctypes
import os
import re
import shutil
import signal
import subprocess
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

PROGRAM_TITLE = "Zandrel Evaluation Software"
PROGRAM_FILES = ("zandrel-eval", "libVantreo.so", "ZandrelFW.Hex", "ZandrelHelp.htm")

# Texts of the fatal errors, as the program shows them.
FATAL_TEXTS = {
    0: "Firmware failed to download - Check USB connections",
    2: ("Initial Connection Failed - If the device has previously \r\n"
        "been set up for SPI communications then \r\n"
        "disconnect and re-connect the board"),
    3: "Communications Interrupted - Check USB connections",
}

# Bring-up takes about 5 s; allow for a loaded CI machine.
BRINGUP_TIMEOUT = 40.0
STEP_TIMEOUT = 15.0
POLL = 0.05


class E2EFailure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise E2EFailure(message)


def log(text):
    print(f"[{time.monotonic() - _T0:7.2f}s] {text}", flush=True)


_T0 = time.monotonic()


def wait_for(what, condition, timeout=STEP_TIMEOUT, poll=POLL):
    """Polls condition() until it returns something true; returns that value."""
    deadline = time.monotonic() + timeout
    last_error = None
    while True:
        try:
            value = condition()
            if value:
                return value
        except (GLib.Error, RuntimeError) as e:  # a widget that went away mid-search
            last_error = e
        if time.monotonic() > deadline:
            extra = f" (last error: {last_error})" if last_error else ""
            raise E2EFailure(f"timed out after {timeout:.0f} s waiting for {what}{extra}")
        time.sleep(poll)


# ---- Accessibility tree ---------------------------------------------------------------

def role(acc):
    try:
        return acc.get_role_name()
    except GLib.Error:
        return ""


def name(acc):
    try:
        return acc.get_name() or ""
    except GLib.Error:
        return ""


def children(acc):
    try:
        n = acc.get_child_count()
    except GLib.Error:
        return []
    out = []
    for i in range(n):
        try:
            c = acc.get_child_at_index(i)
        except GLib.Error:
            continue
        if c is not None:
            out.append(c)
    return out


def _has_state(acc, state):
    try:
        return acc.get_state_set().contains(state)
    except GLib.Error:
        return False


def showing(acc):
    return _has_state(acc, Atspi.StateType.SHOWING)


def enabled(acc):
    return _has_state(acc, Atspi.StateType.ENABLED)


def checked(acc):
    return _has_state(acc, Atspi.StateType.CHECKED)


def focused(acc):
    return _has_state(acc, Atspi.StateType.FOCUSED)


def _matches(acc, role_name, acc_name):
    if role_name is not None and role(acc) != role_name:
        return False
    if acc_name is not None:
        n = name(acc)
        if isinstance(acc_name, re.Pattern):
            return bool(acc_name.fullmatch(n))
        return n == acc_name
    return True


def find_all(root, role_name=None, acc_name=None, depth=12, only_showing=True):
    """Every descendant of root (breadth first) with the role and the name."""
    found = []
    level = [root]
    for _ in range(depth):
        nxt = []
        for parent in level:
            for c in children(parent):
                if only_showing and not showing(c):
                    continue
                if _matches(c, role_name, acc_name):
                    found.append(c)
                nxt.append(c)
        if not nxt:
            break
        level = nxt
    return found


def find(root, role_name=None, acc_name=None, **kw):
    found = find_all(root, role_name, acc_name, **kw)
    return found[0] if found else None


def text_of(acc):
    """What a label, text box or status panel shows."""
    try:
        t = acc.get_text_iface()
        if t is not None:
            return t.get_text(0, -1)
    except (GLib.Error, AttributeError):
        pass
    return name(acc)


def extents(acc):
    """Screen rectangle (x, y, width, height) of a widget."""
    r = acc.get_extents(Atspi.CoordType.SCREEN)
    return r.x, r.y, r.width, r.height


def do_action(acc, *wanted):
    """Runs the first of the named actions the widget offers ("press", "toggle", ...)."""
    names = [acc.get_action_name(i) for i in range(acc.get_n_actions())]
    for w in wanted:
        for i, n in enumerate(names):
            if n.lower() == w.lower():
                acc.do_action(i)
                return
    raise E2EFailure(f"{role(acc)} '{name(acc)}' offers none of {wanted}; it has {names}")


def press(button):
    check(enabled(button), f"button '{name(button)}' is disabled")
    do_action(button, "press", "click", "activate")


def set_text(edit, text):
    """Replaces the text of a text box, as typing it in would (the box reports a change)."""
    ok = edit.set_text_contents(text)
    check(ok, f"could not set the text of '{name(edit)}'")


def dump(acc, depth=0, limit=8, out=None):
    """The tree under acc as indented lines (for failure reports)."""
    out = [] if out is None else out
    out.append("  " * depth + f"{role(acc)} '{name(acc)}'"
               + (f" text='{text_of(acc)}'" if role(acc) in ("label", "text") else ""))
    if depth < limit:
        for c in children(acc):
            dump(c, depth + 1, limit, out)
    return out


# ---- X helpers --------------------------------------------------------------------------

def xdotool(*args, display):
    env = dict(os.environ, DISPLAY=display)
    return subprocess.run(["xdotool", *map(str, args)], env=env, check=True,
                          capture_output=True, text=True, timeout=10).stdout


def drag(display, start, end, steps=12):
    """A user's pointer drag from start to end (screen pixels)."""
    xdotool("mousemove", "--sync", start[0], start[1], display=display)
    xdotool("mousedown", 1, display=display)
    for i in range(1, steps + 1):
        x = start[0] + (end[0] - start[0]) * i // steps
        y = start[1] + (end[1] - start[1]) * i // steps
        xdotool("mousemove", "--sync", x, y, display=display)
        time.sleep(0.02)
    xdotool("mouseup", 1, display=display)


def click_at(display, point):
    xdotool("mousemove", "--sync", point[0], point[1], display=display)
    xdotool("click", 1, display=display)


def _x11():
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XGetImage.restype = ctypes.c_void_p
    x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                              ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    x11.XGetPixel.restype = ctypes.c_ulong
    x11.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
    x11.XDestroyImage.argtypes = [ctypes.c_void_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return x11


def screen_pixels(display, rect):
    """What the screen shows in rect (x, y, width, height): rows of (r, g, b)."""
    x, y, w, h = rect
    x11 = _x11()
    dpy = x11.XOpenDisplay(display.encode())
    check(dpy, f"cannot open display {display}")
    try:
        img = x11.XGetImage(dpy, x11.XDefaultRootWindow(dpy), x, y, w, h, 0xFFFFFFFF, 2)
        check(img, f"cannot read the screen at {rect}")
        rows = []
        for j in range(h):
            row = []
            for i in range(w):
                p = x11.XGetPixel(img, i, j)
                row.append(((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF))
            rows.append(row)
        x11.XDestroyImage(img)
        return rows
    finally:
        x11.XCloseDisplay(dpy)


def find_colour(display, rect, is_colour):
    """Screen points (x, y) inside rect whose colour satisfies is_colour((r, g, b))."""
    rows = screen_pixels(display, rect)
    return [(rect[0] + i, rect[1] + j) for j, row in enumerate(rows)
            for i, px in enumerate(row) if is_colour(px)]


class _XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _XEvent(ctypes.Union):
    _fields_ = [("xclient", _XClientMessageEvent), ("pad", ctypes.c_long * 24)]


def _send_client_message(display, window_id, message_type, data, to_root):
    """Sends a client message about window_id: to the window itself, or to the root window
    as a pager or a task bar asks the window manager for a change (EWMH). A text in data
    is sent as its atom."""
    x11 = _x11()
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(_XEvent)]
    dpy = x11.XOpenDisplay(display.encode())
    check(dpy, f"cannot open display {display}")
    try:
        ev = _XEvent()
        ev.xclient.type = 33  # ClientMessage
        ev.xclient.window = window_id
        ev.xclient.message_type = x11.XInternAtom(dpy, message_type.encode(), 0)
        ev.xclient.format = 32
        for i, d in enumerate(data):
            ev.xclient.data[i] = x11.XInternAtom(dpy, d.encode(), 0) if isinstance(d, str) else d
        if to_root:
            mask = (1 << 19) | (1 << 20)  # SubstructureNotify | SubstructureRedirect
            x11.XSendEvent(dpy, x11.XDefaultRootWindow(dpy), 0, mask, ctypes.byref(ev))
        else:
            x11.XSendEvent(dpy, window_id, 0, 0, ctypes.byref(ev))
        x11.XFlush(dpy)
    finally:
        x11.XCloseDisplay(dpy)


def close_window(display, window_id):
    """Asks a top-level window to close, as a window manager's close button does
    (WM_DELETE_WINDOW); there is no window manager under Xvfb to do it."""
    _send_client_message(display, window_id, "WM_PROTOCOLS", ["WM_DELETE_WINDOW", 0], False)


def set_maximised(display, window_id, on):
    """Maximises or restores a top-level window through the window manager, as its
    title bar's maximise button does."""
    _send_client_message(display, window_id, "_NET_WM_STATE",
                         [1 if on else 0, "_NET_WM_STATE_MAXIMIZED_VERT",
                          "_NET_WM_STATE_MAXIMIZED_HORZ", 1], True)


def minimise(display, window_id):
    """Minimises a top-level window through the window manager, as its title bar's
    minimise button does (WM_CHANGE_STATE to IconicState)."""
    _send_client_message(display, window_id, "WM_CHANGE_STATE", [3], True)


def activate(display, window_id):
    """Brings a top-level window to the front, out of its minimised state too, as a task
    bar or Alt+Tab does (_NET_ACTIVE_WINDOW)."""
    _send_client_message(display, window_id, "_NET_ACTIVE_WINDOW", [2, 0, 0], True)


def x_property(display, window_id, prop):
    env = dict(os.environ, DISPLAY=display)
    return subprocess.run(["xprop", "-id", str(window_id), prop], env=env,
                          capture_output=True, text=True, timeout=10).stdout


def transient_for(display, window_id):
    """The window a top-level window is transient for (its owner), or None."""
    m = re.search(r"window id # (0x[0-9a-f]+)", x_property(display, window_id, "WM_TRANSIENT_FOR"))
    return int(m.group(1), 16) if m else None


def window_type(display, window_id):
    """The first (preferred) EWMH type of a top-level window, e.g. "DIALOG" or "SPLASH"."""
    m = re.search(r"_NET_WM_WINDOW_TYPE_(\w+)", x_property(display, window_id, "_NET_WM_WINDOW_TYPE"))
    return m.group(1) if m else None


@contextlib.contextmanager
def watch_property(display, window_id, prop):
    """Records every value a property of a window takes (xprop -spy); yields a function
    that returns the values seen so far, as text."""
    env = dict(os.environ, DISPLAY=display)
    with tempfile.TemporaryFile() as out:
        spy = subprocess.Popen(["xprop", "-spy", "-id", str(window_id), prop], env=env,
                               stdout=out, stderr=subprocess.STDOUT)

        def seen():
            out.seek(0)
            return out.read().decode(errors="replace")
        try:
            wait_for(f"{prop} watched", seen, 5)
            yield seen
        finally:
            spy.kill()
            spy.wait()


def window_state(display, window_id):
    """The EWMH state atoms of a top-level window, as names."""
    env = dict(os.environ, DISPLAY=display)
    out = subprocess.run(["xprop", "-id", str(window_id), "_NET_WM_STATE"], env=env,
                         capture_output=True, text=True, timeout=10).stdout
    return set(re.findall(r"_NET_WM_STATE_\w+", out))


def frame_geometry(display, window_id):
    """Outer bounds (x, y, width, height) of a top-level window: the client's place and
    size from xwininfo and the frame around it from the window manager's
    _NET_FRAME_EXTENTS (left, right, top, bottom)."""
    env = dict(os.environ, DISPLAY=display)
    info = subprocess.run(["xwininfo", "-id", str(window_id)], env=env, capture_output=True,
                          text=True, timeout=10).stdout
    def field(label):
        m = re.search(label + r":\s*(-?\d+)", info)
        check(m, f"xwininfo shows no {label}: {info}")
        return int(m.group(1))
    x, y = field("Absolute upper-left X"), field("Absolute upper-left Y")
    w, h = field("Width"), field("Height")
    ext = subprocess.run(["xprop", "-id", str(window_id), "_NET_FRAME_EXTENTS"], env=env,
                         capture_output=True, text=True, timeout=10).stdout
    nums = [int(n) for n in re.findall(r"-?\d+", ext.split("=", 1)[-1])] if "=" in ext else []
    left, right, top, bottom = nums if len(nums) == 4 else (0, 0, 0, 0)
    return x - left, y - top, w + left + right, h + top + bottom


# ---- Window manager -------------------------------------------------------------------

def under_openbox(screen="1600x1000"):
    """Marks a case to run with the openbox window manager on a screen of that size:
    maximising, frames and title bars, placement of top-level windows as users meet them."""
    def mark(run):
        run.e2e_options = {"window_manager": "openbox", "screen": screen}
        return run
    return mark


def start_openbox(display, root):
    """Starts openbox on the display with its stock configuration; returns once it manages
    the screen."""
    env = dict(os.environ, DISPLAY=display)
    out = open(os.path.join(root, "openbox.log"), "wb")
    proc = subprocess.Popen(["openbox", "--sm-disable"], env=env, stdout=out,
                            stderr=subprocess.STDOUT, start_new_session=True)

    def managing():
        check(proc.poll() is None, f"openbox ended at start (status {proc.poll()})")
        r = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env,
                           capture_output=True, text=True, timeout=10).stdout
        return "window id" in r
    wait_for("openbox to manage the screen", managing, 20)
    log(f"openbox running on {display}")
    return proc


# ---- Files --------------------------------------------------------------------------

def settings_file(home):
    return os.path.join(home, ".config", PROGRAM_TITLE, PROGRAM_TITLE + ".conf")


def read_settings(home):
    """The program's stored settings, section "Settings", as texts."""
    path = settings_file(home)
    if not os.path.exists(path):
        return {}
    parser = configparser.ConfigParser(interpolation=None)
    parser.optionxform = str
    parser.read(path, encoding="utf-8")
    return dict(parser["Settings"]) if parser.has_section("Settings") else {}


def write_settings(home, values):
    path = settings_file(home)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write("[Settings]\n")
        for k, v in values.items():
            f.write(f"{k}={v}\n")


def check_geometry_stored(home, expected=None):
    """The four geometry keys are stored as plain numbers; equal to expected if given."""
    stored = read_settings(home)
    keys = ("MainLeft", "MainTop", "MainWidth", "MainHeight")
    for k in keys:
        check(k in stored, f"geometry key {k} was not stored (settings: {stored})")
        check(re.fullmatch(r"-?\d+(\.\d+)?", stored[k]),
              f"stored {k} is not a plain number: {stored[k]!r}")
    if expected:
        for k, v in expected.items():
            check(float(stored[k]) == float(v), f"stored {k} is {stored[k]}, expected {v}")
    return {k: float(stored[k]) for k in keys}


TIME_FIELD = re.compile(rb"-?(?:0|[1-9]\d*(?:\.\d+)?|\d*\.\d+)")
VALUE_FIELD = re.compile(rb"[ -](?:0|[1-9]\d*(?:\.\d+)?|\d*\.\d+)(?:E[+-]\d{2,})?")


def log_time_text(n, interval_ms):
    """The time field of data line n: n times the interval in seconds, as the program
    writes it (no leading zero before the point, no trailing zeros)."""
    from decimal import Decimal
    text = format((Decimal(n * interval_ms) / 1000).normalize(), "f")
    if text.startswith("0."):
        text = text[1:]
    elif text.startswith("-0."):
        text = "-" + text[2:]
    return text


def check_data_line(row, n, interval_ms, values):
    """Data line n of a log run: its time field, `values` number fields, each ended by ","."""
    fields = row.split(b",")
    check(len(fields) == values + 2 and fields[-1] == b"",
          f"data line {n} has not {values} values each ended by ',': {row!r}")
    expected = log_time_text(n, interval_ms).encode()
    check(fields[0] == expected, f"data line {n} has the time {fields[0]!r}, expected {expected!r}")
    for f in fields[1:-1]:
        check(VALUE_FIELD.fullmatch(f), f"data line {n} holds a malformed value {f!r}: {row!r}")
    return [float(f) for f in fields[1:-1]]


def check_whole_lines(data):
    """A log file holds only whole lines: CR LF ends, no stray CR or LF, nothing after
    the last line end. Returns the lines without their ends."""
    check(data.endswith(b"\r\n"), f"log file does not end with CR LF: ...{data[-40:]!r}")
    lines = data.split(b"\r\n")[:-1]
    for i, line in enumerate(lines):
        check(b"\r" not in line and b"\n" not in line, f"line {i} holds a bare CR or LF: {line!r}")
    return lines


# ---- The program ----------------------------------------------------------------------

class Program:
    """One run of zandrel-eval in a case's folder."""

    def __init__(self, case, env=None, program_dir=None, settings=None):
        self.case = case
        self.program_dir = program_dir or case.build_dir
        self.env = dict(case.base_env)
        self.env.update(env or {})
        if settings is not None:
            write_settings(case.home, settings)
        self.proc = None
        self.returncode = None
        self._app = None
        self.output_path = os.path.join(case.dir, f"program-{len(case.programs)}.log")
        case.programs.append(self)

    def start(self, down_folders=()):
        """Starts the program. With `down_folders`, its files are copied into the folder
        reached from the case's folder through those folders, made and entered one at a
        time (the only way into a path longer than the system takes), and it is started
        there as ./zandrel-eval."""
        exe = os.path.join(self.program_dir, "zandrel-eval")
        check(os.access(exe, os.X_OK), f"no executable at {exe}")
        command = [exe]
        if down_folders:
            files = " ".join(f'"$src/{f}"' for f in PROGRAM_FILES)
            command = ["bash", "-c", 'src=$1; shift; for d; do mkdir -p -- "$d" && cd -- "$d" || exit 125; '
                       f'done; cp -p -- {files} . && exec env ./zandrel-eval',
                       "bash", self.program_dir, *down_folders]
        self._out = open(self.output_path, "wb")
        self.proc = subprocess.Popen(command, env=self.env, cwd=self.case.dir,
                                     stdout=self._out, stderr=subprocess.STDOUT,
                                     start_new_session=True)
        log(f"started {exe} (pid {self.proc.pid})" + (f", copied {len(down_folders)} folders down"
                                                       if down_folders else ""))
        return self

    def running(self):
        return self.proc is not None and self.proc.poll() is None

    def output(self):
        try:
            with open(self.output_path, "rb") as f:
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""

    def wait_exit(self, timeout=STEP_TIMEOUT):
        try:
            self.returncode = self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise E2EFailure(f"the program did not end within {timeout:.0f} s (hang)")
        self._out.close()
        log(f"program ended with status {self.returncode}")
        return self.returncode

    def kill(self):
        if self.running():
            os.killpg(self.proc.pid, signal.SIGKILL)
            self.proc.wait()

    # -- accessibility ------------------------------------------------------------------

    def app(self, timeout=BRINGUP_TIMEOUT):
        """The program's accessible application object (found by process id)."""
        if self._app is not None:
            return self._app

        def look():
            check(self.running(), f"the program ended early (status {self.proc.poll()}):\n"
                  + self.output())
            desktop = Atspi.get_desktop(0)
            for a in children(desktop):
                try:
                    if a.get_process_id() == self.proc.pid:
                        return a
                except GLib.Error:
                    continue
            return None

        self._app = wait_for("the program on the accessibility bus", look, timeout)
        # Read every property afresh: the program's windows change all the time.
        self._app.set_cache_mask(Atspi.Cache.NONE)
        return self._app

    def top_windows(self):
        return [w for w in children(self.app()) if showing(w)]

    def main_window(self, timeout=BRINGUP_TIMEOUT):
        """The main window, once the bring-up has shown it with its menu bar."""
        def look():
            check(self.running(), f"the program ended during bring-up (status {self.proc.poll()}):\n"
                  + self.output())
            for w in self.top_windows():
                if role(w) == "frame" and name(w) == PROGRAM_TITLE and find(w, "menu bar", depth=2):
                    return w
            return None
        return wait_for("the main window", look, timeout)

    def message_box(self, timeout=BRINGUP_TIMEOUT):
        """A message box (alert or dialog titled with the program's title) and its text."""
        def look():
            for w in self.top_windows():
                if role(w) in ("alert", "dialog") and name(w) == PROGRAM_TITLE:
                    labels = [text_of(l) for l in find_all(w, "label")]
                    texts = [t for t in labels if t]
                    if texts:
                        return w, texts
            check(self.running(), f"the program ended (status {self.proc.poll()}) without a "
                  "message box:\n" + self.output())
            return None
        return wait_for("a message box", look, timeout)

    def child_window(self, caption, timeout=STEP_TIMEOUT):
        """A child window of the main window by its caption."""
        main = self.main_window()
        return wait_for(f"the child window '{caption}'",
                        lambda: find(main, "frame", caption, depth=4, only_showing=False), timeout)

    def child_captions(self):
        main = self.main_window()
        return sorted(name(w) for w in find_all(main, "frame", depth=4, only_showing=False))

    def menu(self, *path):
        """Chooses a menu entry: menu("File", "Log Data"), or menu("About") on the bar."""
        main = self.main_window()
        bar = find(main, "menu bar", depth=2)
        item = wait_for(f"menu '{path[0]}'", lambda: find(bar, "menu item", path[0], depth=1))
        for entry in path[1:]:
            popup = find(item, "popup menu", depth=1, only_showing=False)
            check(popup is not None, f"menu '{name(item)}' has no entries")
            nxt = find(popup, "menu item", entry, depth=1, only_showing=False)
            check(nxt is not None, f"menu '{name(item)}' has no entry '{entry}'; it has "
                  + str([name(c) for c in children(popup)]))
            item = nxt
        check(enabled(item), f"menu entry {path} is disabled")
        log(f"menu {' > '.join(path)}")
        do_action(item, "press", "click", "activate", "toggle")

    def activate_window(self, caption):
        """Brings a child window to the front through the "Window" menu. Returns the frame
        and the texts of the menu's entries."""
        bar = find(self.main_window(), "menu bar", depth=2)
        item = find(bar, "menu item", "Window", depth=1)
        popup = find(item, "popup menu", depth=1, only_showing=False)
        check(not showing(popup), "the Window menu is open already")
        do_action(item, "showmenu", "press")
        wait_for("the Window menu to open", lambda: showing(popup) and children(popup))
        entries = [(c, name(c)) for c in children(popup)]
        texts = [t for _, t in entries]
        chosen = [c for c, t in entries if re.fullmatch(rf"\d+ {re.escape(caption)}", t)]
        check(chosen, f"the Window menu has no entry for '{caption}': {texts}")
        log(f"menu Window > {name(chosen[0])}")
        # A click on the entry, as a user chooses it (which also closes the menu).
        x, y, w, h = extents(chosen[0])
        click_at(self.case.display, (x + w // 2, y + h // 2))
        wait_for("the Window menu to close", lambda: not showing(popup))
        frame = self.child_window(caption)
        wait_for(f"'{caption}' to come to the front", lambda: self.in_front(frame))
        return frame, texts

    def in_front(self, frame):
        """Whether a child window stands in front of every other at the middle of its part
        in view (a window may stand partly beyond the client area's edge)."""
        x, y, w, h = extents(frame)
        area = find(self.main_window(), "layered pane", depth=2)
        ax, ay, aw, ah = extents(area)
        left, top_edge = max(x, ax), max(y, ay)
        right, bottom = min(x + w, ax + aw), min(y + h, ay + ah)
        if right <= left or bottom <= top_edge:
            return False
        top = area.get_accessible_at_point((left + right) // 2, (top_edge + bottom) // 2,
                                           Atspi.CoordType.SCREEN)
        while top is not None and role(top) != "frame":
            top = top.get_parent()
        return top is not None and name(top) == name(frame)

    def toolbar_button(self, tooltip):
        """A toolbar button by its tooltip (the buttons carry pictures, no captions)."""
        main = self.main_window()
        bar = find(main, "tool bar", depth=2)
        for b in find_all(bar, "push button", depth=1):
            if tooltip in (name(b), b.get_description() or ""):
                return b
        raise E2EFailure(f"no toolbar button with the tooltip '{tooltip}'")

    def status_text(self):
        """Panel 1 of the main window's status bar."""
        main = self.main_window()
        bar = find(main, "status bar", depth=2)
        labels = find_all(bar, "label", depth=1)
        check(labels, "the status bar shows no panels")
        return text_of(labels[0])

    # -- the data logging window -----------------------------------------------------------

    LOG_CAPTION = "Logging/Save/Recall"

    def open_log_window(self):
        self.menu("File", "Log Data")
        return self.child_window(self.LOG_CAPTION)

    def start_logging(self, window, path, channels, interval_ms=None):
        """Ticks exactly the named channel boxes, sets the interval, presses
        "Start Logging" and names the file in the save dialog by typing its path."""
        boxes = labelled_controls(window, "check box")
        check(set(channels) <= set(boxes), f"log channels {channels} not all among {list(boxes)}")
        for caption, box in boxes.items():
            want = caption in channels
            if checked(box) != want:
                check(enabled(box), f"log channel box '{caption}' is greyed")
                do_action(box, "toggle")
                wait_for(f"the box '{caption}' to follow", lambda: checked(box) == want)
        if interval_ms is not None:
            edit = find(window, "text")
            set_text(edit, str(interval_ms))
            wait_for("the interval text", lambda: text_of(edit) == str(interval_ms))
        start = find(window, "push button", "Start Logging")
        check(start is not None, "no 'Start Logging' button")
        press(start)
        self.save_dialog(path)
        wait_for("the log button to read 'Stop Logging...'",
                 lambda: find(window, "push button", "Stop Logging..."))
        log(f"logging to {path}")

    def save_dialog(self, path):
        """Answers the file dialog: types the full path as the file name and saves."""
        def look():
            for w in self.top_windows():
                if role(w) == "dialog" and find(w, "text", "File name:"):
                    return w
            return None
        dialog = wait_for("the file dialog", look)
        edit = find(dialog, "text", "File name:")
        set_text(edit, path)
        wait_for("the typed file name", lambda: text_of(edit) == path)
        save = wait_for("the dialog's Save button",
                        lambda: [b for b in find_all(dialog, "push button")
                                 if name(b) in ("Save", "&Save", "Open") and enabled(b)])
        press(save[0])
        wait_for("the file dialog to close", lambda: not look())

    def x_windows(self):
        """The program's top-level X windows on the screen, by their EWMH type."""
        try:
            out = xdotool("search", "--onlyvisible", "--pid", self.proc.pid, "--classname",
                          "zandrel-eval", display=self.case.display)
        except subprocess.CalledProcessError:  # none found
            return {}
        return {int(x): window_type(self.case.display, int(x)) for x in out.split()}

    def x_window(self, kind):
        """The program's X window of an EWMH type ("NORMAL": the main window, "DIALOG": a
        box, "SPLASH"), once the window manager has mapped it."""
        return wait_for(f"the program's {kind.lower()} X window on the screen",
                        lambda: next((w for w, t in self.x_windows().items() if t == kind), None))

    def x_main_window_id(self):
        # The accessibility tree may show the frame before its X window is mapped.
        return self.x_window("NORMAL")

    def close_main_window(self):
        log("closing the main window")
        close_window(self.case.display, self.x_main_window_id())


def labelled_controls(window, control_role, label_role="label"):
    """Pairs each control of a role with the caption of the label standing to its left
    on the same row (check boxes whose captions are separate labels)."""
    labels = [(l, extents(l)) for l in find_all(window, label_role)]
    pairs = {}
    for c in find_all(window, control_role):
        cx, cy, cw, ch = extents(c)
        mid = cy + ch / 2
        best = None
        for l, (lx, ly, lw, lh) in labels:
            if ly <= mid <= ly + lh and lx + lw <= cx + 2:
                if best is None or lx + lw > best[1]:
                    best = (text_of(l), lx + lw)
        if best:
            pairs[best[0]] = c
    return pairs


def value_right_of(container, caption, role_name="label"):
    """The widget of a role that stands right of the label `caption`, on its row
    (a value label beside its caption, a text box beside its label)."""
    captions = [l for l in find_all(container, "label") if text_of(l) == caption]
    check(captions, f"no label '{caption}'")
    cx, cy, cw, ch = extents(captions[0])
    best = None
    for w in find_all(container, role_name):
        x, y, wd, h = extents(w)
        if w is captions[0] or x < cx + cw - 2 or y > cy + ch or y + h < cy:
            continue
        if best is None or x < best[1]:
            best = (w, x)
    check(best is not None, f"nothing of the role {role_name} right of '{caption}'")
    return best[0]


def value_below(container, caption, role_name):
    """The widget of a role that stands under the label `caption` (a drop-down list under
    its label, a gauge under its name)."""
    captions = [l for l in find_all(container, "label") if text_of(l) == caption]
    check(captions, f"no label '{caption}'")
    cx, cy, cw, ch = extents(captions[0])
    best = None
    for w in find_all(container, role_name):
        x, y, wd, h = extents(w)
        if y < cy + ch - 2 or x > cx + cw or x + wd < cx or wd <= 0 or h <= 0:
            continue
        if best is None or y < best[1]:
            best = (w, y)
    check(best is not None, f"nothing of the role {role_name} under '{caption}'")
    return best[0]


def choose(display, combo, item_text):
    """Picks an item of a drop-down list with the mouse: a click opens the list, a click
    on the item chooses it."""
    x, y, w, h = extents(combo)
    click_at(display, (x + w // 2, y + h // 2))

    def shown_item():
        items = [i for i in find_all(combo, "list item", item_text, only_showing=False)
                 if showing(i)]
        return items[0] if items else None
    item = wait_for(f"the list '{name(combo)}' to open", shown_item)
    x, y, w, h = extents(item)
    click_at(display, (x + w // 2, y + h // 2))
    wait_for(f"the list to show '{item_text}'", lambda: name(combo) == item_text)


# ---- One case ---------------------------------------------------------------------------

class Case:
    """A case's folder, display and environment; programs started in it are ended with it."""

    def __init__(self, name, build_dir, root, display):
        self.name = name
        self.build_dir = build_dir
        self.dir = root
        self.home = os.environ["HOME"]
        self.display = display
        self.programs = []
        env = dict(os.environ)
        for k in ("QT_QPA_PLATFORM", "QT_QPA_PLATFORMTHEME", "XDG_CURRENT_DESKTOP",
                  "DESKTOP_SESSION", "QT_IM_MODULE", "QT_ACCESSIBILITY", "WAYLAND_DISPLAY",
                  "VANTREO_CHIP_ADDRESS", "VANTREO_SMBUS_FAILURES", "VANTREO_FAIL_AFTER",
                  "VANTREO_FIRMWARE_FAIL"):
            env.pop(k, None)
        env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   QT_ACCESSIBILITY="1", LC_ALL="C.UTF-8")
        self.base_env = env

    def program(self, **kw):
        return Program(self, **kw)

    def copy_program(self, without=()):
        """A copy of the program's folder (executable, board library, firmware, help page)
        without the named files."""
        folder = os.path.join(self.dir, "program")
        os.makedirs(folder, exist_ok=True)
        for f in PROGRAM_FILES:
            if f not in without:
                shutil.copy2(os.path.join(self.build_dir, f), folder)
        return folder

    def path(self, *parts):
        return os.path.join(self.dir, *parts)

    def finish(self):
        for p in self.programs:
            p.kill()
