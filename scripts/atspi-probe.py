#!/usr/bin/python3
"""Looks at a running tolvane-desk through AT-SPI, as a screen reader would.

Lists the main window's accessible controls with their roles, names and actions,
checks that every control's accessible name is its caption, and drives two kinds
of control the way an assistive tool does: the list selector (combo box 1000) and
a check box. It is a probe for checks by hand and for later jobs, not a test of
the suite.

Needs the Debian packages python3-pyatspi, at-spi2-core and dbus-x11 (and xvfb
without a display). Use Debian's /usr/bin/python3, which has pyatspi. The console
must run with Qt's accessibility on, in a D-Bus session that knows the display
(the AT-SPI daemon types keys on it), e.g.:

    xvfb-run -a dbus-run-session -- sh -c '
        QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 build/src/tolvane-desk &
        scripts/atspi-probe.py --answer-boxes list
        scripts/atspi-probe.py check
        scripts/atspi-probe.py select-list "試験放送♪"
        scripts/atspi-probe.py toggle "有効"
        kill $!'

Commands:
    list               every control of the main window: role, name, actions, states
    check              every caption of the main window's layout table
                       (src/ui/MainWindowLayout.cpp) is the accessible name of a
                       control of its kind, and no other control lacks a name
                       that should have one; exit status 1 when not
    select-list NAME   makes NAME the list selector's entry
    toggle CAPTION     toggles the check box CAPTION through its Toggle action
    press CAPTION      presses the push button CAPTION of the main window through its
                       Press action; a box it opens stays open
    answer BUTTON      waits for a message box, prints its caption and text, and
                       presses its button BUTTON ("OK", "キャンセル", ...)

--answer-boxes presses the first button of every message box the console shows
before the command runs (a first start shows three boxes, a failed connection
one), printing each box's caption and text.

What the list selector offers, with Qt 6.4: no Selection interface, and two
actions, "ShowMenu" and "Press", which both open or close its popup list and emit
only QComboBox::highlighted. The popup's entries have a "Toggle" action that
selects the entry in the popup view without making it the combo box's entry. So
select-list uses the Selection interface where a later Qt offers one, and
otherwise opens the popup with "Press" and chooses the entry with the keys Home,
Down and Return, typed through AT-SPI; Return emits currentIndexChanged and then
activated, as a click on the entry does.
"""

import argparse
import os
import re
import sys
import time

import pyatspi

MAIN_TITLE = "トルヴェイン for Velmira"
LAYOUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "ui",
                      "MainWindowLayout.cpp")

# The table's kinds that carry a caption, and the AT-SPI role Qt gives them.
CAPTION_ROLES = {
    "PushButton": "push button",
    "DefPushButton": "push button",
    "CheckBox": "check box",
    "Static": "label",
    "GroupBox": "panel",
}
# Roles of controls that have no caption of their own: an edit, a list, a
# combo box (whose name Qt makes its current text), the up-down's frame.
UNCAPTIONED_ROLES = {"text", "list", "combo box", "filler", "list item"}

KEY_HOME, KEY_DOWN, KEY_RETURN = 0xFF50, 0xFF54, 0xFF0D


def fresh(obj):
    """The object with its cached name and states dropped."""
    obj.clear_cache()
    return obj


def find_app(name, timeout):
    deadline = time.monotonic() + timeout
    while True:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name:
                return app
        if time.monotonic() > deadline:
            sys.exit(f"no application named {name!r} on the accessibility bus "
                     "(is QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 set?)")
        time.sleep(0.2)


def top_windows(app, role):
    return [w for w in fresh(app) if w is not None and w.getRole() == role]


def main_window(app, timeout):
    deadline = time.monotonic() + timeout
    while True:
        for w in top_windows(app, pyatspi.ROLE_DIALOG):
            # A profile's window names its world first: "NAME - トルヴェイン for Velmira".
            if w.name == MAIN_TITLE or w.name.endswith(" - " + MAIN_TITLE):
                return w
        if time.monotonic() > deadline:
            sys.exit(f"no window {MAIN_TITLE!r}")
        time.sleep(0.2)


def actions(obj):
    try:
        a = obj.queryAction()
    except NotImplementedError:
        return []
    return [a.getName(i) for i in range(a.nActions)]


def do_action(obj, name):
    a = obj.queryAction()
    for i in range(a.nActions):
        if a.getName(i) == name:
            return a.doAction(i)
    sys.exit(f"{obj.getRoleName()} {obj.name!r} has no action {name!r}: {actions(obj)}")


def states(obj):
    return [pyatspi.stateToString(s) for s in fresh(obj).getState().getStates()]


def controls(window):
    """Every accessible below the window, depth first, with its depth."""
    def walk(obj, depth):
        for child in obj:
            if child is None:
                continue
            yield child, depth
            # The combo box's popup entries are its contents, not controls.
            if child.getRole() != pyatspi.ROLE_COMBO_BOX:
                yield from walk(child, depth + 1)
    yield from walk(window, 0)


def answer_boxes(app, quiet_for=1.5):
    """Presses the first button of each message box until none shows for a while."""
    quiet_since = time.monotonic()
    while time.monotonic() - quiet_since < quiet_for:
        boxes = top_windows(app, pyatspi.ROLE_ALERT)
        if not boxes:
            time.sleep(0.2)
            continue
        for box in boxes:
            texts = [c.name for c in box if c.getRole() == pyatspi.ROLE_LABEL and c.name]
            print(f"box {box.name!r}: {' / '.join(texts)!r}")
            button = pyatspi.findDescendant(
                box, lambda o: o.getRole() == pyatspi.ROLE_PUSH_BUTTON)
            do_action(button, "Press")
        time.sleep(0.5)
        quiet_since = time.monotonic()


def command_list(window):
    for obj, depth in controls(window):
        print(f"{'  ' * depth}{obj.getRoleName()}: {obj.name!r}"
              f"  actions={actions(obj)}  states={states(obj)}")
    return 0


def layout_captions():
    """(role, caption) of every captioned control in the layout table, in order."""
    with open(LAYOUT, encoding="utf-8") as f:
        source = f.read()
    found = re.findall(r'\{\s*\w+,\s*K::(\w+),\s*QStringLiteral\("([^"]*)"\)', source)
    return [(CAPTION_ROLES[kind], text) for kind, text in found if kind in CAPTION_ROLES]


def command_check(window):
    seen = [(obj.getRoleName(), obj.name) for obj, _ in controls(window)]
    faults = []
    unmatched = list(seen)
    for role, caption in layout_captions():
        if (role, caption) in unmatched:
            unmatched.remove((role, caption))
        else:
            faults.append(f"no {role} named {caption!r}")
    for role, name in unmatched:
        if not name and role not in UNCAPTIONED_ROLES:
            faults.append(f"a {role} without a name")
    for fault in faults:
        print(fault)
    print(f"{len(seen)} controls, {len(faults)} faults")
    return 1 if faults else 0


def command_select_list(window, name):
    combo = pyatspi.findDescendant(window, lambda o: o.getRole() == pyatspi.ROLE_COMBO_BOX)
    popup = combo[0]
    entries = [e.name for e in fresh(popup)]
    if name not in entries:
        sys.exit(f"no entry {name!r} in the list selector: {entries}")
    index = entries.index(name)
    try:
        combo.querySelection().selectChild(index)
        how = "Selection.selectChild"
    except NotImplementedError:
        do_action(combo, "Press")
        time.sleep(0.3)
        keys = [KEY_HOME] + [KEY_DOWN] * index + [KEY_RETURN]
        for key in keys:
            pyatspi.Registry.generateKeyboardEvent(key, None, pyatspi.KEY_SYM)
            time.sleep(0.1)
        how = f"Press, then Home, {index} x Down, Return"
    time.sleep(0.5)
    print(f"selected through {how}; the list selector now shows {fresh(combo).name!r}")
    lines = [o for o, _ in controls(window) if o.getRole() == pyatspi.ROLE_LIST]
    if lines:
        print(f"the loaded-lines list holds {fresh(lines[0]).childCount} lines")
    return 0 if combo.name == name else 1


def command_toggle(window, caption):
    box = pyatspi.findDescendant(
        window, lambda o: o.getRole() == pyatspi.ROLE_CHECK_BOX and o.name == caption)
    if box is None:
        sys.exit(f"no check box {caption!r}")
    before = "checked" in states(box)
    do_action(box, "Toggle")
    time.sleep(0.3)
    after = "checked" in states(box)
    print(f"{caption!r}: {'checked' if before else 'unchecked'} -> "
          f"{'checked' if after else 'unchecked'}")
    return 0 if after != before else 1


def command_press(window, caption):
    button = pyatspi.findDescendant(
        window, lambda o: o.getRole() == pyatspi.ROLE_PUSH_BUTTON and o.name == caption)
    if button is None:
        sys.exit(f"no push button {caption!r}")
    # Qt presses a button by an animated click, so the call returns before a box the
    # click opens has closed.
    do_action(button, "Press")
    print(f"pressed {caption!r}")
    return 0


def command_answer(app, button_name, timeout):
    deadline = time.monotonic() + timeout
    while not top_windows(app, pyatspi.ROLE_ALERT):
        if time.monotonic() > deadline:
            sys.exit("no message box came")
        time.sleep(0.2)
    box = top_windows(app, pyatspi.ROLE_ALERT)[0]
    texts = [c.name for c in box if c.getRole() == pyatspi.ROLE_LABEL and c.name]
    print(f"box {box.name!r}: {' / '.join(texts)!r}")
    button = pyatspi.findDescendant(
        box, lambda o: o.getRole() == pyatspi.ROLE_PUSH_BUTTON and o.name == button_name)
    if button is None:
        sys.exit(f"the box has no button {button_name!r}")
    do_action(button, "Press")
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--app", default="TolvaneDesk", help="application name on the bus")
    parser.add_argument("--timeout", type=float, default=20, help="seconds to wait for it")
    parser.add_argument("--answer-boxes", action="store_true",
                        help="press the first button of every message box first")
    sub = parser.add_subparsers(dest="command", required=True)
    sub.add_parser("list")
    sub.add_parser("check")
    sub.add_parser("select-list").add_argument("name")
    sub.add_parser("toggle").add_argument("caption")
    sub.add_parser("press").add_argument("caption")
    sub.add_parser("answer").add_argument("button")
    args = parser.parse_args()

    app = find_app(args.app, args.timeout)
    if args.answer_boxes:
        answer_boxes(app)
    if args.command == "answer":
        return command_answer(app, args.button, args.timeout)
    window = main_window(app, args.timeout)
    if args.command == "list":
        return command_list(window)
    if args.command == "check":
        return command_check(window)
    if args.command == "select-list":
        return command_select_list(window, args.name)
    if args.command == "press":
        return command_press(window, args.caption)
    return command_toggle(window, args.caption)


if __name__ == "__main__":
    sys.exit(main())
