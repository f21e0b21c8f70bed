#!/usr/bin/env python3
# accessible_tree.py PID: what assistive technologies see of a running program, read from the
# AT-SPI bus the way a screen reader reads it: one object a line, indented by depth, as
# "role | name | description". Exits with 1 while the process is not on the bus.
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def show(node, depth):
    print(f"{'  ' * depth}{node.get_role_name()} | {node.get_name()} | {node.get_description()}")
    for child in filter(None, map(node.get_child_at_index, range(node.get_child_count()))):
        show(child, depth + 1)


# By process, not by name: a launcher that has just ended may still be listed.
desktop = Atspi.get_desktop(0)
for program in filter(None, map(desktop.get_child_at_index, range(desktop.get_child_count()))):
    if program.get_process_id() == int(sys.argv[1]):
        sys.exit(show(program, 0))
sys.exit(1)
