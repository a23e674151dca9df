#!/usr/bin/python3
"""What a screen reader finds in the running desktop program through AT-SPI: every control's
name, the label tied to each (and no label tied to anything else), and the volume slider's
value as a percentage. It first closes the start-up error box."""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

# The panel's controls as (role, name, the label tied to it or None).
WANT = {("push button", "Play", None), ("push button", "Stop", None),
        ("check box", "Enable rest period", None),
        ("text", "Rest every (minutes)", "Rest every (minutes) : "),
        ("text", "Rest length (minutes)", "Rest length (minutes) : "),
        ("slider", "Volume ratio", "Volume ratio: ")}
# A tie as (what is labelled, its label), from either end.
TIES = {Atspi.RelationType.LABELLED_BY: 1, Atspi.RelationType.LABEL_FOR: -1}


def tree(node):
    for child in filter(None, map(node.get_child_at_index, range(node.get_child_count()))):
        yield child
        yield from tree(child)


def find(root, test, what):
    for _ in range(200):
        if found := next((node for node in tree(root) if test(node)), None):
            return found
        time.sleep(0.05)
    sys.exit(f"FAIL: {what} never appeared")


app = find(Atspi.get_desktop(0), lambda n: n.get_name() == "vellumtone", "the program")
box = find(app, lambda n: n.get_role_name() == "alert", "the start-up error box")
Atspi.Action.do_action(find(box, lambda n: n.get_name() == "OK", "its OK button"), 0)
window = find(app, lambda n: n.get_name() == "Vellumtone Generator 0.9", "the main window")

nodes = list(tree(window))
ties = {(node.get_name(), relation.get_target(i).get_name())[::TIES[relation.get_relation_type()]]
        for node in nodes for relation in node.get_relation_set()
        if relation.get_relation_type() in TIES for i in range(relation.get_n_targets())}
have = {(node.get_role_name(), node.get_name(), dict(ties).get(node.get_name()))
        for node in nodes if node.get_role_name() in {role for role, _, _ in WANT}}
failures = [f"missing {row}" for row in WANT - have] + [f"unexpected {row}" for row in have - WANT]
failures += [f'"{label}" is tied to "{name}"'
             for name, label in ties - {(name, label) for _, name, label in WANT if label}]
value = next((Atspi.Value.get_text(n) for n in nodes if n.get_role_name() == "slider"), None)
failures += [f"the slider reads {value!r}, not '61%'"] * (value != "61%")
sys.exit("\n".join(f"FAIL: {failure}" for failure in sorted(failures)) or None)
