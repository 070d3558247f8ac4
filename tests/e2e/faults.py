"""Fault cases: the simulated board's fault switches against the real program.

Each case ends with the program's exact message in a critical message box, a non-zero exit
status once the box is answered, the main window's geometry stored and, for the log run,
a log file that holds only whole lines.
"""

import os
import re
import shutil

import zandrel_e2e as e2e

# The stored geometry each case starts from (twips; 15 twips a pixel at 96 dpi).
GEOMETRY = {"MainLeft": "1500", "MainTop": "1200", "MainWidth": "22500", "MainHeight": "13500"}


def expect_fatal(prog, code, timeout=e2e.BRINGUP_TIMEOUT):
    """Waits for the fatal message box of `code`, checks its text, answers OK and checks
    that the program then ends with status 10 + code."""
    box, texts = prog.message_box(timeout)
    e2e.log(f"message box: {texts!r}")
    # Exactly, line ends (CR LF) included.
    expected = e2e.FATAL_TEXTS[code]
    e2e.check(expected in texts, f"message box shows {texts!r}, expected {expected!r}")
    ok = e2e.find(box, "push button", "OK")
    e2e.check(ok is not None, "the message box has no OK button")
    e2e.press(ok)
    status = prog.wait_exit()
    e2e.check(status == 10 + code, f"exit status {status}, expected {10 + code}"
              + (" (killed by a signal: a crash)" if status < 0 else ""))
    return status


def firmware_missing(case):
    """No ZandrelFW.Hex in the program's folder."""
    folder = case.copy_program(without=("ZandrelFW.Hex",))
    prog = case.program(program_dir=folder, settings=GEOMETRY).start()
    expect_fatal(prog, 0)
    e2e.check_geometry_stored(case.home, GEOMETRY)


def firmware_path_too_long(case):
    """The program installed in a folder whose path is longer than the board library takes,
    as long as the system still resolves (a firmware path of 4094 bytes): the box says that
    the path is too long and shows it whole, in a box that fits the screen with its frame,
    OK in view; the status is the firmware's. Then in one longer than the system resolves,
    started from inside it: the box says that the program's folder could not be
    determined, and no board library has been loaded."""
    names, length = [], len(case.path("program").encode())
    while length < 4080:  # the folder's path; its firmware path has 14 bytes more
        name = f"an-installation-folder-with-a-long-name-{len(names):02}"
        if 4080 - length < len(name) + 3:
            name = name[:4080 - length - 1]
        names.append(name)
        length += 1 + len(name)
    folder = case.path("program", *names)
    os.makedirs(folder)
    # The help page's name is too long for that folder; the run ends before it is needed.
    for f in e2e.PROGRAM_FILES:
        if f != "ZandrelHelp.htm":
            shutil.copy2(os.path.join(case.build_dir, f), folder)
    firmware = os.path.join(folder, "ZandrelFW.Hex")
    e2e.check(len(firmware.encode()) == 4094, f"the firmware path has {len(firmware.encode())} bytes")
    prog = case.program(program_dir=folder, settings=GEOMETRY).start()
    box, texts = prog.message_box()
    e2e.log(f"message box: {texts!r}")
    text = "\n".join(texts)
    e2e.check(text.startswith("Firmware failed to download - The program's folder path is too long."),
              f"message box shows {texts!r}")
    e2e.check(f"at most 512 bytes; this one has {len(firmware.encode())}" in text,
              f"message box shows {texts!r}")
    e2e.check(firmware in text.replace("\n", ""), f"the box does not show the path {firmware}")
    e2e.check("Check USB connections" not in text, "the box still blames the USB connections")
    ok = e2e.find(box, "push button", "OK")
    window = prog.x_window("DIALOG")
    screen = (0, 0, 1600, 1000)

    def inside(rect, outer):
        return (rect[0] >= outer[0] and rect[1] >= outer[1] and rect[0] + rect[2] <= outer[0] + outer[2]
                and rect[1] + rect[3] <= outer[1] + outer[3])

    def fits():
        frame = e2e.frame_geometry(case.display, window)
        return inside(frame, screen) and inside(e2e.extents(ok), frame)
    try:
        e2e.wait_for("the box and its OK on the screen", fits)
    except e2e.E2EFailure as e:
        raise e2e.E2EFailure(f"{e}: the box's frame {e2e.frame_geometry(case.display, window)}, "
                             f"OK at {e2e.extents(ok)}")
    e2e.press(ok)
    status = prog.wait_exit()
    e2e.check(status == 10, f"exit status {status}, expected 10")
    e2e.check_geometry_stored(case.home, GEOMETRY)

    down = [f"a-folder-deeper-than-the-system-resolves-{i:02}-" + "x" * 150 for i in range(24)]
    depth = len(case.dir.encode()) + sum(len(d) + 1 for d in down)
    e2e.check(depth > 4096, f"the folder path has only {depth} bytes")
    prog = case.program(settings=GEOMETRY).start(down_folders=down)
    box, texts = prog.message_box()
    e2e.log(f"message box: {texts!r}")
    text = "\n".join(texts)
    e2e.check(text.startswith("Firmware failed to download - The program's folder could not be determined."),
              f"message box shows {texts!r}")
    with open(f"/proc/{prog.proc.pid}/maps") as maps:
        e2e.check("libVantreo" not in maps.read(), "the board library was loaded from the current folder")
    e2e.press(e2e.find(box, "push button", "OK"))
    status = prog.wait_exit()
    e2e.check(status == 10, f"exit status {status}, expected 10")


def board_library_missing(case):
    """No libVantreo.so next to the program, and none on the system."""
    folder = case.copy_program(without=("libVantreo.so",))
    prog = case.program(program_dir=folder, settings=GEOMETRY).start()
    box, texts = prog.message_box()
    e2e.log(f"message box: {texts!r}")
    e2e.check(any(t.startswith("The board library libVantreo.so could not be loaded.")
                  for t in texts), f"message box shows {texts!r}")
    e2e.press(e2e.find(box, "push button", "OK"))
    status = prog.wait_exit()
    e2e.check(status == 2, f"exit status {status}, expected 2")


def firmware_refused(case):
    """The board refuses the firmware download. Under a window manager the box stands over
    the splash window and belongs to it: minimised on its own, it comes straight back."""
    prog = case.program(env={"VANTREO_FIRMWARE_FAIL": "1"}, settings=GEOMETRY).start()
    prog.message_box()
    display = case.display
    splash, box = prog.x_window("SPLASH"), prog.x_window("DIALOG")
    e2e.check(e2e.transient_for(display, box) == splash,
              f"the box is transient for {e2e.transient_for(display, box)}, not for the splash {splash}")
    with e2e.watch_property(display, box, "WM_STATE") as seen:
        def states():
            return re.findall(r"window state: (\w+)", seen())
        # The window manager ignores a request about a window it has not taken on yet.
        e2e.wait_for("the box framed", lambda: states() and states()[-1] == "Normal", 5)
        before = len(states())
        e2e.minimise(display, box)
        # Minimised (as the window manager records it), then back on the screen. xprop reads
        # the state some time after each change: on a busy machine a box that comes straight
        # back can show as Normal twice, two changes that say as much as Iconic, then Normal.
        try:
            e2e.wait_for("the box minimised",
                         lambda: "Iconic" in states()[before:] or len(states()) >= before + 2, 5)
            e2e.wait_for("the box back on the screen", lambda: states()[-1] == "Normal", 5)
            e2e.log(f"the box's states: {states()}, {before} before it was minimised")
        except e2e.E2EFailure as e:
            raise e2e.E2EFailure(f"{e}; its states: {states()}")
    expect_fatal(prog, 0)
    e2e.check_geometry_stored(case.home, GEOMETRY)


def board_not_answering(case):
    """Every one of the twenty SMBus selections fails."""
    prog = case.program(env={"VANTREO_SMBUS_FAILURES": "20"}, settings=GEOMETRY).start()
    expect_fatal(prog, 2)
    e2e.check_geometry_stored(case.home, GEOMETRY)


def chip_absent(case):
    """No chip answers at 48h to 4Bh."""
    prog = case.program(env={"VANTREO_CHIP_ADDRESS": "none"}, settings=GEOMETRY).start()
    expect_fatal(prog, 2)
    e2e.check_geometry_stored(case.home, GEOMETRY)


# Transfers before the board stops answering: the bring-up takes a few dozen, the master
# timer two per 10 ms tick, so this leaves roughly eight seconds of log run after the
# bring-up (longer on a slow machine, where the ticks come slower too).
FAIL_AFTER = 2000


def transfer_fails_during_log_run(case):
    """A register transfer fails in the middle of a log run started from the menu."""
    log_path = case.path("run.csv")
    prog = case.program(env={"VANTREO_FAIL_AFTER": str(FAIL_AFTER)}, settings=GEOMETRY).start()
    prog.main_window()
    window = prog.open_log_window()
    prog.start_logging(window, log_path, channels=("Internal Temp", "Vdd"), interval_ms=100)

    def data_lines():
        with open(log_path, "rb") as f:
            data = f.read()
        return len(data.split(b"\r\n")) - 6 if data.endswith(b"\r\n") else 0

    # The run is under way before the board fails.
    e2e.wait_for("the first data lines", lambda: data_lines() >= 3, 20)
    e2e.check(prog.running(), "the program ended before the log run got going")
    e2e.log(f"log run under way ({data_lines()} lines)")

    expect_fatal(prog, 3, timeout=60)
    with open(log_path, "rb") as f:
        data = f.read()
    lines = e2e.check_whole_lines(data)
    header = "Time(s) ,Internal(\u00b0C) ,Vdd(V) ,".encode("latin-1")
    e2e.check(lines[:4] == [b"", b"Zandrel Log File", b"", header],
              f"log file does not begin with the title block and header: {lines[:4]!r}")
    rows = lines[4:]
    e2e.check(len(rows) >= 3, f"only {len(rows)} data lines before the failure")
    for n, row in enumerate(rows):
        e2e.check_data_line(row, n, 100, 2)
    e2e.log(f"log file holds {len(rows)} whole data lines")
    e2e.check_geometry_stored(case.home, GEOMETRY)


CASES = {
    "fault_firmware_missing": firmware_missing,
    "fault_firmware_refused": e2e.under_openbox("1600x1000")(firmware_refused),
    "fault_firmware_path_too_long": e2e.under_openbox("1600x1000")(firmware_path_too_long),
    "fault_board_library_missing": board_library_missing,
    "fault_board_not_answering": board_not_answering,
    "fault_chip_absent": chip_absent,
    "fault_transfer_fails_during_log_run": transfer_fails_during_log_run,
}
