#!/usr/bin/python3
"""The window as a screen reader meets it: the program's accessibility tree read through
AT-SPI (pyatspi), and keys sent with xdotool. Run by tests/a11y_xvfb.sh inside a session bus;
prints what it found and exits non-zero on the first fault."""
import subprocess
import sys
import time

import pyatspi

CAPTION = "Systematic mineral label creation for the collector"
# Roles a user works: each visible one needs a name.
WORKED = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_SPIN_BUTTON,
    pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_MENU, pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_SLIDER,
    pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_LIST, pyatspi.ROLE_PROGRESS_BAR,
}
EXPECTED = [
    "Mineral", "Locality", "Info", "Formula", "Info = formula",
    "Mineral X correction", "Locality X correction", "Info X correction",
    "Mineral Y correction", "Locality Y correction", "Info Y correction",
    "Pick font for the mineral row", "Pick font for the locality row",
    "Pick font for the info row", "Complete", "Reduced", "Clean", "Custom",
    "Add data to list", "Open list", "Save list", "Render and preview",
    "Label list, 0 records", "Increase mineral x correction", "Decrease info y correction",
    "Load settings", "Save settings", "Sheet", "Options", "About", "Exit",
]


def fail(message):
    print("a11y_tree: " + message)
    sys.exit(1)


def wait_for(what, check, seconds=15.0):
    deadline = time.monotonic() + seconds
    while True:
        value = check()
        if value:
            return value
        if time.monotonic() > deadline:
            fail("timed out waiting for " + what)
        time.sleep(0.05)


def walk(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    try:
        children = [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:
        return
    for child in children:
        yield from walk(child, depth + 1)


def window_named(caption):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None:
            continue
        try:
            for win in app:
                if win is not None and win.name == caption and showing(win):
                    return win
        except Exception:
            continue
    return None


def main_window():
    return window_named(CAPTION)


def focus_x_window(caption):
    """Gives the X input focus to the window (no window manager does it here)."""
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % caption],
                         capture_output=True, text=True).stdout.split()
    if not ids:
        fail("no X window captioned " + caption)
    subprocess.run(["xdotool", "windowfocus", "--sync", ids[0]], check=True)


def showing(node):
    states = node.getState()
    return states.contains(pyatspi.STATE_SHOWING) and states.contains(pyatspi.STATE_VISIBLE)


def extents(node):
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (e.x, e.y, e.width, e.height)


def inside(inner, outer):
    return (inner[0] >= outer[0] and inner[1] >= outer[1] and
            inner[0] + inner[2] <= outer[0] + outer[2] and
            inner[1] + inner[3] <= outer[1] + outer[3])


def worked_controls(window):
    """The controls on screen a user works, as (role, name, description) rows."""
    frame = extents(window)
    rows = []
    for node in walk(window):
        if node.getRole() not in WORKED or not showing(node):
            continue
        box = extents(node)
        if box[2] <= 0 or box[3] <= 0 or not inside(box, frame):
            continue
        rows.append((node.getRoleName(), node.name, node.description))
    return rows


def focused_name(window):
    for node in walk(window):
        if node.getState().contains(pyatspi.STATE_FOCUSED):
            return node.name
    return None


def keys(*names):
    subprocess.run(["xdotool", "key", "--delay", "20", *names], check=True)


def type_text(text):
    subprocess.run(["xdotool", "type", "--delay", "20", text], check=True)


def names_now(window):
    return {row[1] for row in worked_controls(window)}


def main():
    window = wait_for("the main window in the accessibility tree", main_window, 20)
    # The splash covers the middle of the panel at start; the names are the same either way,
    # but the render button is only on screen once it has gone.
    wait_for("every expected name", lambda: set(EXPECTED) <= names_now(window))
    rows = worked_controls(window)
    for role, name, description in sorted(rows):
        print("a11y_tree: %-12s %-34s %s" % (role, repr(name), description))
    unnamed = [row for row in rows if not row[1].strip()]
    if unnamed:
        fail("controls without a name: %s" % unnamed)
    # Names tell the controls apart: no two buttons or fields say the same.
    spoken = [row[1] for row in rows if row[0] in ("push button", "text", "spin button")]
    twice = sorted({n for n in spoken if spoken.count(n) > 1})
    if twice:
        fail("names given twice: %s" % twice)
    print("a11y_tree: %d controls on screen, every one named" % len(rows))

    # Without a window manager nothing gives the window the input focus: the X focus is set
    # on it (no mouse event).
    focus_x_window(CAPTION)
    # By keyboard alone: the mineral field has the focus; a record goes in through Enter on
    # "Add data to list", reached by Tab; the list's spoken name counts it.
    wait_for("the focus in the mineral field", lambda: focused_name(window) == "Mineral")
    type_text("Quartz")
    keys("Tab")
    wait_for("the focus in the locality field", lambda: focused_name(window) == "Locality")
    type_text("Arkansas")
    keys("Tab", "Tab", "Tab", "Tab", "Tab", "Tab")
    wait_for("the focus on Add", lambda: focused_name(window) == "Add data to list")
    keys("Return")
    wait_for("the list's name to count the record",
             lambda: "Label list, 1 record" in names_now(window))
    # F6 goes round the panes that Tab reaches last.
    for pane in ("Mineral", "Mineral X correction", "Label list, 1 record", "Mineral"):
        keys("F6")
        wait_for("F6 to reach " + pane, lambda: focused_name(window) == pane)
    keys("shift+F6")
    wait_for("Shift+F6 back to the list", lambda: focused_name(window) == "Label list, 1 record")
    # F1 shows the about panel with its button; Esc hides it.
    keys("F1")
    wait_for("the about panel", lambda: "Hide!" in names_now(window))
    keys("Escape")
    wait_for("the about panel to go", lambda: "Hide!" not in names_now(window))
    # Ctrl+R renders into the preview, whose commands are named too (with their keys in the
    # description); Esc closes it.
    keys("ctrl+r")
    preview = wait_for("the preview window", lambda: window_named("Print Preview"))
    wanted = {"Print", "Printer setup", "Save Report", "Load Report", "Save as PDF", "Close"}
    wait_for("the preview's commands", lambda: wanted <= names_now(preview))
    for role, name, description in sorted(worked_controls(preview)):
        print("a11y_tree: preview %-12s %-20s %s" % (role, repr(name), description))
    unnamed = [row for row in worked_controls(preview) if not row[1].strip()]
    if unnamed:
        fail("preview controls without a name: %s" % unnamed)
    focus_x_window("Print Preview")
    keys("Escape")
    wait_for("the preview to close", lambda: window_named("Print Preview") is None)
    print("a11y_tree: keyboard journey done")


if __name__ == "__main__":
    main()
