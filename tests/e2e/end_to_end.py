"""The whole program as a user runs it, on the simulated board.

The main case walks through a working session: bring-up, every window opened from the
menus and the toolbar, a register written in the register map, a configuration setting
applied, a limit dragged on its gauge, a log run started and stopped, and the program
closed. Each step reads back what the windows show.
"""

import os
import re
import time

import zandrel_e2e as e2e

# Without a window manager the main window cannot be maximised, so each case stores the
# geometry a maximised window would have on the 1920 x 1200 screen (twips, 15 a pixel).
GEOMETRY = {"MainLeft": "150", "MainTop": "150", "MainWidth": "28200", "MainHeight": "17250"}

# Every window the menus and the toolbar open: (menu path, caption, toolbar tooltip).
# A new window joins the test by a line here.
WINDOWS = [
    (("File", "Log Data"), "Logging/Save/Recall", "Log Data"),
    (("View", "Register Map"), "Register Map Access", "Register Map Tree"),
    (("View", "Graphs"), "Graphing", "Temperature/Fan graphs"),
    (("View", "Interrupts"), "Interrupt Settings", "Interrupts/Limits"),
    (("Settings", "Device Configuration"), "Configuration", "Configure the Device"),
    (("Settings", "DAC Control"), "DAC Control", "DAC Control"),
    (("Settings", "Board Settings"), "Evaluation Board Settings", None),
    (("Settings", "Test Procedure"), "Test Procedure", None),
    (("Help",), "Help", None),
    (("About",), "About the Morvane Evaluatiton Software", None),
]

REGMAP = "Register Map Access"
LIMITS = "Interrupt Settings"
CONFIG = "Configuration"
GRAPHS = "Graphing"
DAC = "DAC Control"


def geometry_pixels(g):
    return tuple(int(float(g[k]) / 15) for k in ("MainLeft", "MainTop", "MainWidth", "MainHeight"))


# ---- Register map ------------------------------------------------------------------------

class RegisterMap:
    def __init__(self, prog):
        self.prog = prog
        self.window = prog.child_window(REGMAP)
        rw = e2e.find(self.window, "panel", "Read/Write")
        self.details = e2e.find(self.window, "panel", "Register Details")
        self.address = e2e.value_right_of(rw, "Address", "text")
        self.hex = e2e.value_right_of(rw, "Value(Hex)", "text")
        self.dec = e2e.value_right_of(rw, "Value(Dec)", "text")
        self.read_button = e2e.find(rw, "push button", "Read")
        self.write_button = e2e.find(rw, "push button", "Write")

    def shown(self):
        """(register name, address text, hex value, decimal value) as the labels show them."""
        return tuple(e2e.text_of(e2e.value_right_of(self.details, c)) for c in
                     ("Register", "Address", "Current Value (Hex)", "Current Value (Dec)"))

    def read(self, reg, until=lambda value: True):
        """Reads a register as a user does (its address, then Read) and waits until the
        labels show it with a value that satisfies `until`. Returns the value."""
        e2e.set_text(self.address, f"{reg:X}")
        e2e.press(self.read_button)

        def look():
            name, addr, hexval, decval = self.shown()
            # The labels are read one by one while the window may be updating them, so
            # a reading counts once both value labels agree.
            if (addr == f"{reg:X}h" and decval.isdigit() and re.fullmatch(r"[0-9A-F]+", hexval)
                    and int(hexval, 16) == int(decval) and until(int(decval))):
                return int(decval) + 1  # true also for 0
            return None
        return e2e.wait_for(f"register {reg:X}h in the register map", look) - 1

    def write(self, reg, value):
        """Writes a register as a user does: address, decimal value, Write."""
        e2e.set_text(self.address, f"{reg:X}")
        e2e.set_text(self.dec, str(value))
        # The hexadecimal box follows the decimal one.
        e2e.wait_for("the hexadecimal box to follow",
                     lambda: e2e.text_of(self.hex) == f"{value:X}")
        e2e.log(f"register map: write {value} to {reg:X}h")
        e2e.press(self.write_button)
        return self.read(reg, lambda v: v == value)

    def type_hex(self, reg, keys):
        """Types a value into the hexadecimal box key by key on the keyboard and presses
        Enter, as a user does. Returns the decimal box's text and the value read back."""
        e2e.set_text(self.address, f"{reg:X}")
        e2e.set_text(self.hex, "")
        display = self.prog.case.display
        x, y, w, h = e2e.extents(self.hex)
        e2e.click_at(display, (x + w // 2, y + h // 2))
        e2e.wait_for("the hexadecimal box to take the keys", lambda: e2e.focused(self.hex))
        e2e.log(f"register map: type {keys} into Value(Hex), then Enter, for {reg:X}h")
        e2e.xdotool("type", "--delay", 40, keys, display=display)
        e2e.wait_for("the last key in the hexadecimal box",
                     lambda: e2e.text_of(self.hex).endswith(keys[-4:]))
        decimal = e2e.text_of(self.dec)
        e2e.xdotool("key", "Return", display=display)
        return decimal, self.read(reg, lambda v: v == int(keys[-2:], 16))


# ---- Steps ---------------------------------------------------------------------------

def bring_up(prog):
    main = prog.main_window()
    e2e.log("main window shown")
    x, y, w, h = e2e.extents(main)
    e2e.check((x, y, w, h) == geometry_pixels(GEOMETRY),
              f"main window at {(x, y, w, h)}, stored geometry says {geometry_pixels(GEOMETRY)}")
    # The first tick of the master timer replaces the bring-up's status text.
    e2e.wait_for("the status text 'Status'", lambda: prog.status_text() == "Status")
    # The bring-up ends by opening the graphs window; the stored help choice opens help.
    prog.child_window(GRAPHS)
    prog.child_window("Help")


def open_every_window(prog):
    for path, caption, tooltip in WINDOWS:
        prog.menu(*path)
        prog.child_window(caption)
    for path, caption, tooltip in WINDOWS:
        if tooltip:
            e2e.log(f"toolbar '{tooltip}'")
            e2e.press(prog.toolbar_button(tooltip))
            prog.child_window(caption)
    # Each window exactly once, however often it was asked for.
    captions = prog.child_captions()
    for _, caption, _ in WINDOWS:
        e2e.check(captions.count(caption) == 1,
                  f"{captions.count(caption)} windows '{caption}' open: {captions}")
    # The Window menu lists the open child windows.
    _, texts = prog.activate_window(GRAPHS)
    entries = sorted(re.sub(r"^\d+ ", "", t) for t in texts)
    e2e.check(entries == captions, f"Window menu lists {entries}, open are {captions}")


def write_register(prog):
    regmap = RegisterMap(prog)
    prog.activate_window(REGMAP)
    # Typed key by key, FFFF echoes as FFFFFFFF before the last four keys: still -1.
    decimal, value = regmap.type_hex(0x25, "FFFFFFFF")
    e2e.check(decimal == "-1", f"FFFFFFFF typed into Value(Hex) shows {decimal!r} in Value(Dec)")
    e2e.check(value == 0xFF, f"25h reads back {value} after FFFFFFFF was typed")
    value = regmap.write(0x25, 90)
    name = regmap.shown()[0]
    e2e.check(name == "Internal High Limit", f"register 25h shows as '{name}'")
    e2e.check(value == 90, f"25h reads back {value}")
    return regmap


def change_configuration(prog, regmap):
    """Switches the Ain1/Ain2 pins to the external diode and the LDAC pin to Ain3."""
    before = regmap.read(0x18)
    e2e.check(before & 0x0E == 0, f"18h starts as {before:02X}h, expected Ain1-2 and LDAC")
    limits = prog.child_window(LIMITS)
    ext_disabled = e2e.find(limits, "label", "External Temperature is disabled", only_showing=False)
    e2e.check(e2e.showing(ext_disabled), "the limits window does not say the external "
              "temperature is disabled")

    config, _ = prog.activate_window(CONFIG)
    e2e.do_action(e2e.find(config, "page tab", "Device Options"), "press")
    e2e.choose(prog.case.display, e2e.value_below(config, "Select External Temp/Ain1-2", "combo box"), "External Temp")
    e2e.choose(prog.case.display, e2e.value_below(config, "Select LDAC/Ain3", "combo box"), "AIN3")
    e2e.log("configuration: External Temp, AIN3, Apply")
    e2e.press(e2e.find(config, "push button", "Apply"))

    after = regmap.read(0x18, lambda v: v != before)
    e2e.check(after & 0x0E == 0x0C and after & ~0x0E == before & ~0x0E,
              f"18h reads {after:02X}h after Apply, expected {(before & ~0x0E) | 0x0C:02X}h")
    # The other windows follow the chip's new pin functions.
    e2e.wait_for("the limits window to show the external gauge",
                 lambda: not e2e.showing(ext_disabled))
    ain3 = e2e.find(limits, "label", "Ain3 is Disabled", only_showing=False)
    e2e.check(not e2e.showing(ain3), "the limits window still says Ain3 is disabled")


def red(px):
    r, g, b = px
    return r >= 110 and r > 2.5 * g and r > 2.5 * b


def drag_limit(prog, regmap):
    """Drags the internal temperature's high limit pointer down on its gauge."""
    before = regmap.read(0x25)
    limits, _ = prog.activate_window(LIMITS)
    # A screen reader says what ticking a mask box does.
    e2e.check(e2e.find(limits, "check box", "Mask Internal High") is not None,
              "no check box 'Mask Internal High' in the interrupt settings window")
    e2e.do_action(e2e.find(limits, "page tab", "Temp Limits"), "press")
    gauge = e2e.value_below(limits, "Internal", "panel")
    rect = e2e.extents(gauge)
    # The high limit pointer is the red tab on the gauge.
    points = e2e.wait_for("the red high limit pointer",
                          lambda: e2e.find_colour(prog.case.display, rect, red))
    right = max(x for x, _ in points) - 4
    ys = [y for x, y in points if x == right]
    e2e.check(ys, "cannot make out the high limit pointer's tab")
    grab = (right, (min(ys) + max(ys)) // 2)
    e2e.log(f"drag the high limit pointer from {grab} down by 30 pixels")
    e2e.drag(prog.case.display, grab, (grab[0], grab[1] + 30))
    # Off the gauge again, so that the pointer is drawn without its hover highlight.
    e2e.xdotool("mousemove", "--sync", rect[0] - 30, rect[1] + rect[3] // 2,
                display=prog.case.display)

    after = regmap.read(0x25, lambda v: v != before)
    e2e.check(after < before, f"dragging the high limit down took 25h from {before} to {after}")
    moved = e2e.wait_for("the pointer drawn at its new place",
                         lambda: [y for x, y in e2e.find_colour(prog.case.display, rect, red)
                                  if x == right])
    e2e.check(abs(min(moved) - min(ys) - 30) <= 3,
              f"the pointer moved from {min(ys)} to {min(moved)}, the drag was 30 pixels")
    e2e.log(f"25h went from {before} to {after}")
    # A screen reader hears the new limit on the gauge's high limit slider.
    high = e2e.find(gauge, "slider", "High limit", only_showing=False)
    e2e.check(high is not None, "the gauge shows no 'High limit' slider to assistive technology")
    e2e.wait_for("the high limit slider to report 25h's new limit",
                 lambda: round(high.get_value_iface().get_current_value()) == after)
    # ... and the reading as the caption shows it, unit included.
    reading = e2e.find(gauge, "progress bar", "Reading", only_showing=False)
    e2e.check(reading is not None, "the gauge shows no 'Reading' to assistive technology")
    e2e.wait_for("the reading's description to give the temperature",
                 lambda: re.fullmatch("-?\\d*\\.?\\d+\u00b0C", reading.get_description() or ""))


def move_dac_slider(prog, regmap):
    """Drags DAC A's slider from the bottom of its track most of the way up."""
    dac, _ = prog.activate_window(DAC)
    option = e2e.find(dac, "radio button", "DAC A")
    if not e2e.checked(option):
        e2e.do_action(option, "press", "click", "toggle")
    e2e.wait_for("DAC A chosen", lambda: e2e.checked(option))
    # The LDAC pin follows the AIN3 choice made in the configuration window.
    status = e2e.find(e2e.find(dac, "panel", "LDAC Pin Status"), "label")
    e2e.wait_for("'LDAC Pin Disabled'", lambda: e2e.text_of(status) == "LDAC Pin Disabled")
    volts = e2e.value_below(dac, "DAC Output", "label")
    e2e.wait_for("the DAC A output to read 0V", lambda: e2e.text_of(volts) == "0V")

    slider = e2e.value_below(dac, "DAC A", "slider")
    e2e.check(e2e.name(slider) == "DAC A", f"the DAC slider is named '{e2e.name(slider)}'")
    x, y, w, h = e2e.extents(slider)
    start, end = (x + w // 2, y + h - 6), (x + w // 2, y + h // 4)
    e2e.log(f"drag DAC A's slider from {start} to {end}")
    e2e.drag(prog.case.display, start, end)

    lsb, msb = regmap.read(0x10), regmap.read(0x11)
    code = msb * 16 + lsb // 16
    e2e.check(2048 < code < 4095 and lsb & 0x0F == 0,
              f"DAC A registers read {lsb:02X}h {msb:02X}h (code {code}) after the drag")
    # A screen reader hears the code the slider stands at.
    e2e.check(slider.get_value_iface().get_current_value() == code,
              f"the slider reports {slider.get_value_iface().get_current_value()}, "
              f"the registers hold code {code}")
    # The output label follows once the measurement cycle has read the DAC back. During the
    # drag the cycle measured codes the knob passed on the way; the label has settled when
    # it reads the same across more than one refresh (every 0.5 s).
    def settled():
        first = e2e.text_of(volts)
        time.sleep(0.8)
        text = e2e.text_of(volts)
        return (text == first and re.fullmatch(r"(\d*\.?\d+)V", text)
                and float(text[:-1]) > 1.0 and text)
    shown = e2e.wait_for("the DAC A output label to follow", settled)
    e2e.log(f"DAC A code {code}, output {shown}")
    return float(shown[:-1])


LOG_CHANNELS = ("Internal Temp", "External Temp", "Vdd", "DAC A", "Kulex", "Ain3", "Ain4")
LOG_HEADER = ("Time(s) ,Internal(\u00b0C) ,External(\u00b0C) ,Vdd(V) ,DACA(V) ,Kulex(\u00b0C) ,"
              "Ain3(V) ,Ain4(V) ,").encode("latin-1")
LOG_INTERVAL = 100
LOG_LINES = 15


def log_run(prog, dac_a_volts):
    path = prog.case.path("session.csv")
    # The logging window was opened before the pin change; opened anew it offers the
    # channels the change made available.
    window = prog.child_window(prog.LOG_CAPTION)
    e2e.press(e2e.find(window, "push button", "Close"))
    e2e.wait_for("the logging window to close",
                 lambda: prog.LOG_CAPTION not in prog.child_captions())
    window = prog.open_log_window()
    prog.start_logging(window, path, LOG_CHANNELS, LOG_INTERVAL)

    def lines():
        with open(path, "rb") as f:
            return f.read().count(b"\r\n") - 4
    e2e.wait_for(f"{LOG_LINES} data lines", lambda: lines() >= LOG_LINES, 30)
    e2e.check(prog.status_text() == "Data Logging Enabled",
              f"status bar reads '{prog.status_text()}' while logging")
    graphs = prog.child_window(GRAPHS)
    e2e.wait_for("the graphs window to show the run",
                 lambda: e2e.find(graphs, "push button", "Logging...")
                 and int(e2e.text_of(e2e.value_right_of(graphs, "Logged")) or 0) > 0)

    e2e.press(e2e.find(window, "push button", "Stop Logging..."))
    e2e.wait_for("the log button to read 'Start Logging'",
                 lambda: e2e.find(window, "push button", "Start Logging"))
    e2e.wait_for("the status text 'Status'", lambda: prog.status_text() == "Status")
    size = os.path.getsize(path)
    time.sleep(0.5)  # several log intervals: nothing more may come
    e2e.check(os.path.getsize(path) == size, "lines were added after the stop")

    with open(path, "rb") as f:
        data = f.read()
    e2e.check(data.startswith(b"\r\nZandrel Log File\r\n\r\n" + LOG_HEADER + b"\r\n"),
              f"log file begins {data[:120]!r}")
    lines_ = e2e.check_whole_lines(data)
    rows = lines_[4:]
    e2e.check(len(rows) >= LOG_LINES, f"{len(rows)} data lines")
    for n, row in enumerate(rows):
        values = e2e.check_data_line(row, n, LOG_INTERVAL, len(LOG_CHANNELS))
        internal, external, vdd, dac_a, kulex, ain3, ain4 = values
        e2e.check(-40 < internal < 125 and -40 < external < 125 and -40 < kulex < 125,
                  f"temperatures out of reason in line {n}: {row!r}")
        e2e.check(2.5 < vdd < 5.5, f"Vdd out of reason in line {n}: {row!r}")
        e2e.check(0 <= min(dac_a, ain3, ain4) and max(dac_a, ain3, ain4) < 5.5,
                  f"volts out of reason in line {n}: {row!r}")
        e2e.check(dac_a == dac_a_volts,
                  f"DAC A logged as {dac_a} in line {n}, the DAC window shows {dac_a_volts}V")
    e2e.log(f"log file: title block, header and {len(rows)} data lines")


def close_program(prog):
    prog.close_main_window()
    status = prog.wait_exit()
    e2e.check(status == 0, f"the program ended with status {status}")
    e2e.check_geometry_stored(prog.case.home, GEOMETRY)


def session(case):
    prog = case.program(settings=dict(GEOMETRY, DisplayHelp="True")).start()
    bring_up(prog)
    open_every_window(prog)
    regmap = write_register(prog)
    change_configuration(prog, regmap)
    drag_limit(prog, regmap)
    dac_a_volts = move_dac_slider(prog, regmap)
    log_run(prog, dac_a_volts)
    close_program(prog)


def default_geometry(case):
    """No stored settings: the main window starts at 1000, 1000, 6500 x 6500 twips and
    closing it stores where it stands."""
    prog = case.program().start()
    main = prog.main_window()
    e2e.check(e2e.extents(main) == (67, 67, 433, 433),
              f"main window at {e2e.extents(main)}, expected 1000, 1000, 6500 x 6500 twips")
    prog.close_main_window()
    e2e.check(prog.wait_exit() == 0, "the program did not end cleanly")
    stored = e2e.check_geometry_stored(case.home)
    e2e.check(stored == {"MainLeft": 1005, "MainTop": 1005, "MainWidth": 6495, "MainHeight": 6495},
              f"stored geometry {stored}")


CASES = {
    "end_to_end_session": session,
    "end_to_end_default_geometry": default_geometry,
}


