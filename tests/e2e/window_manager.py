"""The program under a real window manager (openbox), as users meet it: the main window
maximised at start, its stored outer bounds, the help window and new child windows inside
the visible client area, and the Window menu driven with the mouse and its key.
"""

import zandrel_e2e as e2e

HELP = "Help"
GRAPHS = "Graphing"
SCREEN = (1600, 1000)
# Child windows the client area places: (menu path, caption).
PLACED = [
    (("View", "Register Map"), "Register Map Access"),
    (("File", "Log Data"), "Logging/Save/Recall"),
    (("Settings", "Board Settings"), "Evaluation Board Settings"),
    (("Settings", "Test Procedure"), "Test Procedure"),
    (("Settings", "DAC Control"), "DAC Control"),
]


def centre(acc):
    x, y, w, h = e2e.extents(acc)
    return x + w // 2, y + h // 2


def client_area(prog):
    return e2e.extents(e2e.find(prog.main_window(), "layered pane", depth=2))


def inside(rect, area):
    x, y, w, h = rect
    ax, ay, aw, ah = area
    return ax <= x and ay <= y and x + w <= ax + aw and y + h <= ay + ah


def wait_maximised(prog, on=True):
    wid = prog.x_main_window_id()
    want = {"_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ"}
    e2e.wait_for("the main window " + ("maximised" if on else "restored"),
                 lambda: (want <= e2e.window_state(prog.case.display, wid)) == on)
    return wid


def check_help_in_view(prog):
    """The help window opened at start stands wholly inside the visible client area."""
    help_ = prog.child_window(HELP)

    def placed():
        return inside(e2e.extents(help_), client_area(prog))
    e2e.wait_for("the help window wholly in view", placed, 5)
    e2e.log(f"help window at {e2e.extents(help_)}, client area {client_area(prog)}")


def close_with_close_box(prog, caption):
    """Clicks the close button at the right end of a child window's title bar."""
    frame = prog.child_window(caption)
    x, y, w, h = e2e.extents(frame)
    e2e.log(f"close box of '{caption}'")
    e2e.click_at(prog.case.display, (x + w - 12, y + 11))
    e2e.wait_for(f"'{caption}' to close", lambda: caption not in prog.child_captions())


def menu_popup(prog, title):
    bar = e2e.find(prog.main_window(), "menu bar", depth=2)
    item = e2e.find(bar, "menu item", title, depth=1)
    return item, e2e.find(item, "popup menu", depth=1, only_showing=False)


def drop_down(prog, title, how="mouse"):
    """Opens a menu of the menu bar with a click on it (or its key) and returns the texts
    of its entries, greyed ones in brackets; closes it again with Escape."""
    item, popup = menu_popup(prog, title)
    e2e.check(not e2e.showing(popup), f"the {title} menu is open already")
    if how == "mouse":
        e2e.click_at(prog.case.display, centre(item))
    else:
        e2e.xdotool("key", how, display=prog.case.display)
    e2e.wait_for(f"the {title} menu to drop down ({how})",
                 lambda: e2e.showing(popup) and e2e.children(popup), 5)
    entries = [e2e.name(c) if e2e.enabled(c) else f"({e2e.name(c)})" for c in e2e.children(popup)]
    e2e.xdotool("key", "Escape", display=prog.case.display)
    e2e.wait_for(f"the {title} menu to close", lambda: not e2e.showing(popup))
    e2e.log(f"{title} menu ({how}): {entries}")
    return entries


def choose_by_mouse(prog, title, entry):
    item, popup = menu_popup(prog, title)
    e2e.click_at(prog.case.display, centre(item))
    e2e.wait_for(f"the {title} menu to drop down", lambda: e2e.showing(popup), 5)
    choice = e2e.find(popup, "menu item", entry, depth=1)
    e2e.check(choice is not None, f"no entry '{entry}' in the {title} menu")
    e2e.click_at(prog.case.display, centre(choice))
    e2e.log(f"menu {title} > {entry} (mouse)")


def window_menu_survives_showing_none(prog):
    """Every child window closed, the Window menu shows a greyed entry; after a window is
    opened again it lists it, by mouse and by its key."""
    close_with_close_box(prog, HELP)
    close_with_close_box(prog, GRAPHS)
    entries = drop_down(prog, "Window")
    e2e.check(len(entries) == 1 and entries[0].startswith("("),
              f"the Window menu with no window open shows {entries}")
    choose_by_mouse(prog, "View", "Graphs")
    prog.child_window(GRAPHS)
    for how in ("mouse", "alt+w"):
        entries = drop_down(prog, "Window", how)
        e2e.check(entries == [f"1 {GRAPHS}"], f"the Window menu ({how}) lists {entries}")


def children_open_inside(prog):
    area = client_area(prog)
    for path, caption in PLACED:
        prog.menu(*path)
        frame = prog.child_window(caption)
        rect = e2e.wait_for(f"'{caption}' shown", lambda: e2e.extents(frame)[2] > 0 and e2e.extents(frame))
        if rect[2] <= area[2] and rect[3] <= area[3]:
            e2e.check(inside(rect, area), f"'{caption}' opened at {rect}, partly outside the "
                      f"visible client area {area}")
    e2e.log(f"{len(PLACED)} child windows opened inside the client area {area}")


def hidden(display, wid):
    return "_NET_WM_STATE_HIDDEN" in e2e.window_state(display, wid)


def box_goes_with_the_main_window(prog, main_wid):
    """A refusal box belongs to the main window: minimising the box takes the main window
    along, and bringing the main window back brings the box back, to be answered."""
    display = prog.case.display
    regmap = prog.child_window("Register Map Access")
    rw = e2e.find(regmap, "panel", "Read/Write")
    e2e.set_text(e2e.value_right_of(rw, "Address", "text"), "1FF")
    e2e.press(e2e.find(rw, "push button", "Write"))
    box, texts = prog.message_box()
    box_wid = prog.x_window("DIALOG")
    e2e.check(e2e.transient_for(display, box_wid) == main_wid,
              f"the box {texts} is transient for {e2e.transient_for(display, box_wid)}, "
              f"not for the main window {main_wid}")
    e2e.minimise(display, box_wid)
    e2e.wait_for("the main window minimised with its box",
                 lambda: hidden(display, box_wid) and hidden(display, main_wid))
    e2e.activate(display, main_wid)
    e2e.wait_for("the box back with the main window",
                 lambda: not hidden(display, box_wid) and not hidden(display, main_wid))
    e2e.press(e2e.find(box, "push button", "OK"))
    e2e.wait_for("the box to close", lambda: "DIALOG" not in prog.x_windows().values())


def fixed_window_keeps_its_size(prog):
    """A corner dragged outwards leaves a window of fixed size as it is; a sizable window
    follows its corner (here inwards, to stay on the screen)."""
    area = client_area(prog)
    for caption, sizable in (("Register Map Access", False), ("Evaluation Board Settings", True)):
        prog.activate_window(caption)
        frame = prog.child_window(caption)
        x, y, w, h = e2e.extents(frame)
        dx, dy = (-40, -30) if sizable else (40, 30)
        e2e.check(inside((x, y, w + dx, h + dy), area), f"no room to drag the corner of '{caption}'")
        e2e.drag(prog.case.display, (x + w - 2, y + h - 2), (x + w - 2 + dx, y + h - 2 + dy))
        want = (x, y, w + dx, h + dy) if sizable else (x, y, w, h)
        e2e.wait_for(f"'{caption}' at {want} after a corner drag",
                     lambda: e2e.extents(frame) == want, 5)


def maximised_session(case):
    """No stored geometry, help asked for at start: the main window starts maximised, the
    help window stands in view, the Window menu survives showing no window, new child
    windows open inside the client area, and closing stores the maximised outer bounds."""
    prog = case.program(settings={"DisplayHelp": "True"}).start()
    prog.main_window()
    wid = wait_maximised(prog)
    outer = e2e.frame_geometry(case.display, wid)
    e2e.check(outer == (0, 0) + SCREEN, f"maximised main window stands at {outer}")
    check_help_in_view(prog)
    window_menu_survives_showing_none(prog)
    children_open_inside(prog)
    fixed_window_keeps_its_size(prog)
    box_goes_with_the_main_window(prog, wid)
    prog.close_main_window()
    e2e.check(prog.wait_exit() == 0, "the program did not end cleanly")
    # The outer bounds, title bar included: the whole screen.
    e2e.check_geometry_stored(case.home, {"MainLeft": 0, "MainTop": 0,
                                          "MainWidth": SCREEN[0] * 15, "MainHeight": SCREEN[1] * 15})

    # Stored bounds of a window closed un-maximised on a wider screen (2000 x 600 at 100, 80):
    # the window starts maximised with the help window in view; restored, it keeps the
    # stored height and top, and comes down to the screen's width, moved into view; closing
    # stores those bounds.
    stored = {"MainLeft": "1500", "MainTop": "1200", "MainWidth": "30000", "MainHeight": "9000"}
    prog = case.program(settings=dict(stored, DisplayHelp="True")).start()
    prog.main_window()
    wid = wait_maximised(prog)
    check_help_in_view(prog)
    e2e.set_maximised(case.display, wid, False)
    wait_maximised(prog, on=False)
    seen = []
    fitted = (0, 80, SCREEN[0], 600)

    def restored():
        seen.append(e2e.frame_geometry(case.display, wid))
        return seen[-1] == fitted
    try:
        e2e.wait_for(f"the restored main window at {fitted}", restored, 5)
    except e2e.E2EFailure as e:
        raise e2e.E2EFailure(f"{e}; it stands at {seen[-1] if seen else None}")
    prog.close_main_window()
    e2e.check(prog.wait_exit() == 0, "the program did not end cleanly")
    e2e.check_geometry_stored(case.home, {"MainLeft": 0, "MainTop": 1200,
                                          "MainWidth": SCREEN[0] * 15, "MainHeight": 9000})


CASES = {
    "window_manager_maximised_session": e2e.under_openbox("%dx%d" % SCREEN)(maximised_session),
}
