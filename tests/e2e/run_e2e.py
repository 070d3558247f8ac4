#!/usr/bin/python3
"""Runs one end-to-end case of zandrel-eval: run_e2e.py --build BUILD_DIR CASE

The case gets a fresh folder with its own HOME (so its own settings store), its own
X server (Xvfb) and its own D-Bus session with the accessibility bus. `--list` prints the
cases; `--keep` keeps the case's folder (program output, log files, settings).
"""

import argparse
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # nothing written into the source tree

INNER = "ZANDREL_E2E_CASE_DIR"


def all_cases(include_long=False):
    """The cases by name. Long runs (the soak) are left out of the list CTest registers."""
    import end_to_end
    import faults
    import window_manager
    modules = [faults, end_to_end, window_manager]
    if include_long:
        import soak
        modules.append(soak)
    cases = {}
    for module in modules:
        for n, f in module.CASES.items():
            assert n not in cases, n
            cases[n] = f
    return cases


def start_xvfb(screen="1920x1200"):
    """An X server on a free display; returns (process, ":N")."""
    r, w = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", f"{screen}x24",
                             "-dpi", "96", "-nolisten", "tcp", "-noreset"],
                            pass_fds=(w,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(w)
    number = b""
    deadline = time.monotonic() + 20
    while not number.endswith(b"\n"):
        if not select.select([r], [], [], max(0.0, deadline - time.monotonic()))[0]:
            proc.kill()
            raise RuntimeError("Xvfb did not start within 20 s")
        chunk = os.read(r, 16)
        if not chunk:
            raise RuntimeError("Xvfb ended at start")
        number += chunk
    os.close(r)
    return proc, ":" + number.decode().strip()


def outer(args):
    """Makes the case's folder and environment, then runs the case in its own D-Bus session."""
    root = tempfile.mkdtemp(prefix=f"zandrel-e2e-{args.case}-")
    home = os.path.join(root, "home")
    runtime = os.path.join(root, "runtime")
    os.makedirs(home)
    os.makedirs(runtime, mode=0o700)
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_CACHE_HOME=os.path.join(home, ".cache"), XDG_RUNTIME_DIR=runtime,
               XDG_DATA_HOME=os.path.join(home, ".local", "share"))
    env[INNER] = root
    env.pop("DBUS_SESSION_BUS_ADDRESS", None)
    env.pop("AT_SPI_BUS_ADDRESS", None)
    cmd = ["dbus-run-session", "--", sys.executable, os.path.abspath(__file__), *sys.argv[1:]]
    status = subprocess.call(cmd, env=env, stderr=subprocess.STDOUT)
    if status == 0 and not args.keep:
        shutil.rmtree(root, ignore_errors=True)
    else:
        print(f"case folder kept: {root}")
    return status


def inner(args):
    import zandrel_e2e as e2e
    root = os.environ[INNER]
    run = all_cases(include_long=True)[args.case]
    # A case may ask for its own screen size and a window manager (see e2e.under_openbox).
    options = getattr(run, "e2e_options", {})
    xvfb, display = start_xvfb(options.get("screen", "1920x1200"))
    case = None
    wm = None
    try:
        if options.get("window_manager") == "openbox":
            wm = e2e.start_openbox(display, root)
        # A call into the program waits while its one thread is busy (the bring-up holds it
        # for up to 2 s); allow for a loaded machine instead of failing after 0.8 s.
        e2e.Atspi.set_timeout(10000, 30000)
        # Start the accessibility bus before the program, so that Qt's bridge finds it.
        e2e.wait_for("the accessibility bus", lambda: e2e.Atspi.get_desktop(0) is not None, 20)
        case = e2e.Case(args.case, os.path.abspath(args.build), root, display)
        e2e.log(f"case {args.case} on display {display}")
        run(case)
        e2e.log("passed")
        return 0
    except Exception:
        traceback.print_exc()
        if case:
            for i, p in enumerate(case.programs):
                print(f"---- output of program run {i} ----\n{p.output()}")
                if p.running():
                    try:
                        print("---- its windows ----\n" + "\n".join(e2e.dump(p.app(timeout=2))))
                    except Exception as e:  # noqa: BLE001
                        print(f"(windows not readable: {e})")
        return 1
    finally:
        if case:
            case.finish()
        if wm:
            wm.terminate()
            try:
                wm.wait(timeout=10)
            except subprocess.TimeoutExpired:
                wm.kill()
        xvfb.terminate()
        try:
            xvfb.wait(timeout=10)
        except subprocess.TimeoutExpired:
            xvfb.kill()


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--build", default=os.path.join(HERE, "..", "..", "build"))
    p.add_argument("--list", action="store_true")
    p.add_argument("--keep", action="store_true")
    p.add_argument("case", nargs="?")
    args = p.parse_args()
    if args.list:
        print("\n".join(all_cases()))
        return 0
    if args.case not in all_cases(include_long=True):
        p.error(f"unknown case {args.case!r}; cases: {', '.join(all_cases(include_long=True))}")
    return inner(args) if INNER in os.environ else outer(args)


if __name__ == "__main__":
    sys.exit(main())
