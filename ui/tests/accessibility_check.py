#!/usr/bin/python3
"""What a screen reader finds in the running desktop program, through AT-SPI: the name of
every control, which label each is tied to (and no label tied to anything else), and the
volume slider's value as a percentage. It closes the start-up error box first."""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

CONTROLS = ("push button", "toggle button", "check box", "radio button", "text", "slider")
# Each window's controls as (role, name, the label it is tied to or None), in no order.
WINDOWS = {
    "Vellumtone Generator 0.9": {
        ("push button", "Play", None),
        ("push button", "Stop", None),
        ("check box", "Enable rest period", None),
        ("text", "Rest every (minutes)", "Rest every (minutes) : "),
        ("text", "Rest length (minutes)", "Rest length (minutes) : "),
        ("slider", "Volume ratio", "Volume ratio: "),
    },
}
failures = []


def wait_for(find, what):
    for _ in range(200):
        found = find()
        if found is not None:
            return found
        time.sleep(0.05)
    sys.exit(f"FAIL: {what} never appeared")


def children(node):
    return [c for c in (node.get_child_at_index(i) for i in range(node.get_child_count())) if c]


def descendants(node):
    for child in children(node):
        yield child
        yield from descendants(child)


def named(node, role, name):
    return next((n for n in descendants(node)
                 if n.get_role_name() == role and n.get_name() == name), None)


def click(node):
    Atspi.Action.do_action(node, 0)


def check_window(app, title):
    window = wait_for(lambda: next((w for w in children(app) if w.get_name() == title), None),
                      f'the window "{title}"')
    nodes = list(descendants(window))
    ties = set()
    for node in nodes:
        for relation in node.get_relation_set():
            kind = relation.get_relation_type()
            for i in range(relation.get_n_targets()):
                target = relation.get_target(i).get_name()
                if kind == Atspi.RelationType.LABELLED_BY:
                    ties.add((node.get_name(), target))
                elif kind == Atspi.RelationType.LABEL_FOR:
                    ties.add((target, node.get_name()))
    have = {(n.get_role_name(), n.get_name(),
             next((label for name, label in ties if name == n.get_name()), None))
            for n in nodes if n.get_role_name() in CONTROLS}
    want = WINDOWS[title]
    for row in sorted(want - have, key=str):
        failures.append(f"{title}: missing {row}")
    for row in sorted(have - want, key=str):
        failures.append(f"{title}: unexpected {row}")
    stray = ties - {(name, label) for _, name, label in want if label}
    for name, label in sorted(stray):
        failures.append(f'{title}: "{label}" is tied to "{name}"')
    return window


def main():
    app = wait_for(lambda: next((a for a in children(Atspi.get_desktop(0))
                                 if a.get_name() == "vellumtone"), None), "the program")
    box = wait_for(lambda: next((w for w in children(app) if w.get_role_name() == "alert"), None),
                   "the start-up error box")
    click(named(box, "push button", "OK"))

    panel = check_window(app, "Vellumtone Generator 0.9")
    slider = named(panel, "slider", "Volume ratio")
    value = Atspi.Value.get_text(slider) if slider is not None else None
    if value != "61%":
        failures.append(f"the slider reads {value!r}, not '61%'")

    for failure in failures:
        print("FAIL:", failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
