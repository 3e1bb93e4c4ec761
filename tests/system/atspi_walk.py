#!/usr/bin/python3
"""Reads the running QuillMar window over the accessibility bus as a screen reader does:
every cell by its accessible name, the entry selected with the keyboard, the menu entries,
and the Find window's controls; then leaves through File, Exit. Prints each finding and
exits 1 when one is missing. tests/system/run starts the buses and the program first."""

import sys
import time

import pyatspi

failures = []


def check(ok, what):
    print(("ok: " if ok else "FAIL: ") + what)
    if not ok:
        failures.append(what)
    return ok


def wait_for(find, seconds=20):
    deadline = time.monotonic() + seconds
    while True:
        found = find()
        if found or time.monotonic() > deadline:
            return found
        time.sleep(0.2)


def descendants(root):
    stack = [root]
    while stack:
        node = stack.pop()
        yield node
        for i in reversed(range(node.childCount)):
            child = node.getChildAtIndex(i)
            if child is not None:
                stack.append(child)


def named(root, role, name):
    for node in descendants(root):
        if node.getRoleName() == role and node.name.strip() == name:
            return node
    return None


def application(name):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == name:
            return app
    return None


def press(item):
    action = item.queryAction()
    return any(action.doAction(i) for i in range(action.nActions) if action.getName(i).lower() == "press")


app = wait_for(lambda: application("QuillMar"))
if not check(app is not None, "the program is on the accessibility bus as QuillMar"):
    sys.exit(1)
main = wait_for(lambda: next((w for w in app if w.name.startswith("QuillMar  [")), None))
if not check(main is not None, "its main window is there, captioned with the file"):
    sys.exit(1)
print("main window: " + main.name)

# Every cell is a list named for its place, and, when it shows an item's children, the item.
cells = {}
for node in descendants(main):
    if node.getRoleName() == "list" and node.name.startswith("Cell "):
        number = node.name[5:].split(":")[0]
        cells[int(number)] = node
check(sorted(cells) == list(range(15)), "all 15 cells by name: " + ", ".join(c.name for c in cells.values()))
first = cells.get(0)
check(first is not None and first.name == "Cell 0: WORLD", "cell 0 names the item it lists")

# The keyboard moves the selection in the cell that has the focus; the screen reader reads it.
check(first is not None and wait_for(lambda: first.getState().contains(pyatspi.STATE_FOCUSED), 5),
      "cell 0 has the focus")
items = [first.getChildAtIndex(i) for i in range(first.childCount)] if first else []
entries = [item.name for item in items]
check("EUROPE" in entries, "cell 0 lists its entries: " + ", ".join(entries))
# The "+ " the cell shows before an item with children is told as its description.
europe = next((item for item in items if item.name == "EUROPE"), None)
check(europe is not None and europe.description == "has children",
      "an entry with children says so: %r" % (europe.description if europe else None))
pyatspi.Registry.generateKeyboardEvent(0xFF54, None, pyatspi.KEY_SYM)  # the Down key


def selected_entry():
    chosen = [first.getChildAtIndex(i) for i in range(first.childCount)]
    chosen = [item.name for item in chosen if item.getState().contains(pyatspi.STATE_SELECTED)]
    return chosen[0] if len(chosen) == 1 else None


reading = wait_for(selected_entry, 5) if first else None
check(reading is not None and reading == entries[0], "the entry selected by Down reads %r" % reading)

# The menus and their entries, as offered to the reader.
wanted = {
    "File": ["New", "Open...", "Save", "Save As...", "Options", "Exit", "Page Setup...",
             "Print Preview...", "Print"],
    "Edit": ["Undo", "Add...", "Delete", "Rename...", "Cut", "Copy", "Paste"],
    "Go To": ["Find", "Bookmark This", "Edit Bookmarks"],
    "Help": ["About"],
}
bar = next((n for n in descendants(main) if n.getRoleName() == "menu bar"), None)
check(bar is not None, "the menu bar")
entries_of = {}
for title in wanted:
    menu = named(bar, "popup menu", title) if bar else None
    items = [menu.getChildAtIndex(i) for i in range(menu.childCount)] if menu else []
    names = [item.name.strip() for item in items if item.getRoleName() != "separator"]
    entries_of[title] = menu
    missing = [e for e in wanted[title] if e not in names]
    check(menu is not None and not missing, "%s menu: %s" % (title, ", ".join(names)))
    check("" not in names, "%s menu offers no unnamed entry" % title)

# Go To, Find opens the Find window; its controls are named for the reader.
find_entry = named(entries_of["Go To"], "menu item", "Find") if entries_of["Go To"] else None
check(find_entry is not None and press(find_entry), "Go To, Find is chosen through its action")
finder = wait_for(lambda: next((w for w in app if w.name == "QuillMar Find Item"), None), 10)
if check(finder is not None, "the Find window opens"):
    controls = {(n.getRoleName(), n.name.strip()) for n in descendants(finder)}
    for role, name in [("text", "Search for :"), ("push button", "SEARCH"),
                       ("push button", "Print List"), ("push button", "UP"),
                       ("radio button", "Exact name match"),
                       ("radio button", "String in Item Names"),
                       ("radio button", "Item Names in String"),
                       ("list", "Search Results")]:
        check((role, name) in controls, "Find window: %s %r" % (role, name))
    text = next((n for n in descendants(finder) if n.getRoleName() == "text"), None)
    check(text is not None and text.getState().contains(pyatspi.STATE_EDITABLE),
          "its search box can be typed in")

# File, Exit closes the program (nothing was changed, so nothing is asked).
exit_entry = named(entries_of["File"], "menu item", "Exit") if entries_of["File"] else None
check(exit_entry is not None and press(exit_entry), "File, Exit is chosen through its action")

print("%d failed" % len(failures))
sys.exit(1 if failures else 0)
