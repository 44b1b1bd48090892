#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Reads the messenger's accessibility tree over AT-SPI, as a screen reader does.
#   accessibility_tree.py wait SECS            true once the program is on the AT-SPI registry
#   accessibility_tree.py unnamed              one line per control of a visible window that a
#                                              person acts on but that has no name: role, path
#   accessibility_tree.py dump                 the whole tree: role, name, states
#   accessibility_tree.py rows                 the user list's rows: NAME|checked=0 or 1
#   accessibility_tree.py row_point NAME       a screen point of row NAME that ticks it: X Y
#   accessibility_tree.py focusable NAME       true when the button NAME can take the focus
#   accessibility_tree.py press NAME           presses the button NAME through its action
#   accessibility_tree.py has TEXT             true when a pane of a visible window holds TEXT
# Exit 2: pyatspi is missing.
import sys
import time

try:
    import pyatspi
except ImportError:
    print("pyatspi is not installed")
    sys.exit(2)

PROGRAM = "Zendry Messenger"

# What a person clicks, types into, reads or picks from: each needs a name to be told apart.
ACTED_ON = {
    pyatspi.ROLE_PUSH_BUTTON,
    pyatspi.ROLE_TOGGLE_BUTTON,
    pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_TEXT,
    pyatspi.ROLE_ENTRY,
    pyatspi.ROLE_PASSWORD_TEXT,
    pyatspi.ROLE_SPIN_BUTTON,
    pyatspi.ROLE_COMBO_BOX,
    pyatspi.ROLE_LIST,
    pyatspi.ROLE_LIST_BOX,
    pyatspi.ROLE_TABLE,
    pyatspi.ROLE_PAGE_TAB_LIST,
    pyatspi.ROLE_PAGE_TAB,
    pyatspi.ROLE_LINK,
}


def program():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.name == PROGRAM:
            return app
    return None


def walk(node, path=""):
    """Every node below `node` that is showing, with a path of roles and names to it."""
    for child in node:
        if child is None:
            continue
        try:
            states = child.getState()
            if not states.contains(pyatspi.STATE_SHOWING):
                continue
            here = f"{path}/{child.getRoleName()}:{child.name}"
        except Exception:  # the widget went away meanwhile
            continue
        yield child, here
        # The rows of a list or the cells of a table are its content, named by their text.
        if child.getRole() not in (pyatspi.ROLE_TABLE,):
            yield from walk(child, here)


def list_rows():
    # The main window's only list.
    for node, _ in walk(program()):
        if node.getRole() == pyatspi.ROLE_LIST:
            for row in node:
                if row is None:
                    continue
                yield row
            return


def main(argv):
    command = argv[1] if len(argv) > 1 else ""
    if command == "wait":
        deadline = time.monotonic() + float(argv[2])
        while time.monotonic() < deadline:
            if program() is not None:
                return 0
            time.sleep(0.2)
        return 1
    app = program()
    if app is None:
        print("the program is not on the AT-SPI registry")
        return 1
    if command == "dump":
        for node, path in walk(app):
            names = [pyatspi.stateToString(s) for s in node.getState().getStates()]
            print(path, "|", " ".join(names))
        return 0
    if command == "unnamed":
        for node, path in walk(app):
            if node.getRole() in ACTED_ON and not node.name.strip():
                print(path)
        return 0
    if command == "rows":
        for row in list_rows():
            states = row.getState()
            print(f"{row.name}|checked={int(states.contains(pyatspi.STATE_CHECKED))}")
        return 0
    if command == "row_point":
        for row in list_rows():
            if row.name == argv[2]:
                box = row.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                # Right of the indent, on the row's name.
                print(box.x + 40, box.y + box.height // 2)
                return 0
        return 1
    if command == "has":
        for node, _ in walk(app):
            if node.getRole() == pyatspi.ROLE_TEXT:
                if argv[2] in node.queryText().getText(0, -1):
                    return 0
        return 1
    buttons = (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX)
    button = next(
        (node for node, _ in walk(app) if node.name == argv[-1] and node.getRole() in buttons),
        None,
    )
    if command == "focusable":
        return 0 if button and button.getState().contains(pyatspi.STATE_FOCUSABLE) else 1
    if command == "press":
        if button is None:
            return 1
        actions = button.queryAction()
        for i in range(actions.nActions):
            if actions.getName(i) in ("Press", "press", "click", "Toggle", "toggle"):
                return 0 if actions.doAction(i) else 1
        return 1
    print(__doc__ if __doc__ else "usage: see the head of this file")
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
