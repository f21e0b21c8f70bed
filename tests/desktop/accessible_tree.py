#!/usr/bin/env python3
"""Prints what assistive technologies see of a running program, read from the AT-SPI bus the way a
screen reader reads it: one object a line, indented by depth, as "role | name | description".
Exits with 1 while the process is not on the bus.

Usage: accessible_tree.py PID
"""
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def show(node, depth):
    print("%s%s | %s | %s" % ("  " * depth, node.get_role_name(), node.get_name(),
                              node.get_description()))
    for index in range(node.get_child_count()):
        child = node.get_child_at_index(index)
        if child is not None:
            show(child, depth + 1)


# By process, not by name: a launcher that has just ended may still be listed.
desktop = Atspi.get_desktop(0)
for index in range(desktop.get_child_count()):
    program = desktop.get_child_at_index(index)
    if program is not None and program.get_process_id() == int(sys.argv[1]):
        show(program, 0)
        sys.exit(0)
sys.exit(1)
