"""Not a test: starts the program with the road's pictures and prints the accessibility tree of
its main window, to find a control's role and name when writing a road.
Usage: tests/e2e/run.sh build/pixovia tree"""

import os
import sys

import desk
import pictures
from desk import step


def road():
    with step("start the program and print its tree"):
        pictures.make_pictures(os.path.join(desk.WORK, "pictures"))
        program = desk.Program(name="pixovia")
        frame = program.window("frame", "Pixovia")
        desk.wait_until(lambda: desk.find_all(frame, "menu bar"), "the menu bar")
        desk.screenshot(os.path.join(desk.WORK, "tree.png"))
        desk.dump(program.node(), sys.stdout)


if __name__ == "__main__":
    desk.run_road("tree", road)
