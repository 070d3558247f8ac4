"""The soak run: every window open and logging every 10 ms for a long time (30 minutes
by default; SOAK_SECONDS sets another length). Not a CTest case: run it with
bench/soak.sh. It samples the program's CPU time and resident memory once a minute and
checks the log file at the end: only whole lines, the time column counting up with no
line missing, and the line count against the elapsed time.
"""

import os
import time

import end_to_end
import zandrel_e2e as e2e

SAMPLE_EVERY = 60.0


def proc_sample(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = int(fields[11]) + int(fields[12])  # utime + stime
    rss = 0
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                rss = int(line.split()[1])
    return ticks / os.sysconf("SC_CLK_TCK"), rss


def read_stats(path):
    with open(path) as f:
        return {k: float(v) for k, v in (line.split() for line in f if line.strip())}


def soak(case):
    seconds = float(os.environ.get("SOAK_SECONDS", "1800"))
    stats = os.path.join(case.dir, "board-stats.txt")
    prog = case.program(settings=end_to_end.GEOMETRY, env={"VANTREO_STATS": stats}).start()
    prog.main_window()
    for path, caption, _tip in end_to_end.WINDOWS:
        prog.menu(*path)
        prog.child_window(caption)
    log_window = prog.child_window(prog.LOG_CAPTION)
    boxes = e2e.labelled_controls(log_window, "check box")
    channels = [c for c, b in boxes.items() if e2e.enabled(b)]
    log_path = os.path.join(case.dir, "soak.csv")
    prog.start_logging(log_window, log_path, channels, interval_ms=10)
    started = time.monotonic()
    e2e.wait_for("the board's first counts", lambda: os.path.exists(stats), 30)
    time.sleep(0.5)
    board_start = read_stats(stats)

    samples = []
    while True:
        elapsed = time.monotonic() - started
        cpu, rss = proc_sample(prog.proc.pid)
        samples.append((elapsed, cpu, rss))
        e2e.log(f"{elapsed:7.0f} s  cpu {cpu:8.2f} s  rss {rss} KiB")
        if elapsed >= seconds:
            break
        time.sleep(min(SAMPLE_EVERY, seconds - elapsed))

    e2e.press(e2e.find(log_window, "push button", "Stop Logging..."))
    stopped = time.monotonic()
    prog.close_main_window()
    e2e.check(prog.wait_exit() == 0, "the program did not end cleanly")

    with open(log_path, "rb") as f:
        lines = e2e.check_whole_lines(f.read())
    data = lines[4:]  # empty line, title, empty line, header
    for n, row in enumerate(data):
        e2e.check(row.split(b",")[0] == e2e.log_time_text(n, 10).encode(),
                  f"line {n} carries time {row.split(b',')[0]!r}: a line is missing or doubled")
    run = stopped - started
    first_minute = [s for s in samples if s[0] >= 60.0]
    base_rss = first_minute[0][2] if first_minute else samples[0][2]
    growth = max(s[2] for s in (first_minute or samples)) - base_rss
    cpu_share = (samples[-1][1] - samples[0][1]) / (samples[-1][0] - samples[0][0]) * 100
    board_end = read_stats(stats)  # written at the program's end
    reads_per_s = ((board_end["register_reads"] - board_start["register_reads"])
                   / (board_end["seconds"] - board_start["seconds"]))
    report = (f"soak {run:.0f} s: CPU {cpu_share:.2f} % of one core; RSS {samples[0][2]} KiB at the start of "
              f"logging, {base_rss} KiB after the first minute, {samples[-1][2]} KiB at the end "
              f"(growth after the first minute {growth} KiB); {len(data)} log lines, "
              f"{len(data) / run:.1f} a second, none missing; board served {reads_per_s:.1f} register "
              f"reads a second while logging (two a tick: about {reads_per_s / 2:.1f} ticks a second)")
    e2e.log(report)
    print(report)
    e2e.check(growth < 8 * 1024, f"memory grew by {growth} KiB after the first minute")


CASES = {"soak": soak}
