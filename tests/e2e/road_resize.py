"""Road 7: one Settings step over portrait and landscape rows with "Long edge 800" and "Only
shrink": the Remarks column shows each row's own size before Start, and each file has it."""

import os

from PIL import Image

import desk
from desk import check, step
from mainwindow import (FOLDER, add_pictures, browser_of, job_rows, log_lines, open_settings,
                        tick, tree_path, type_into)

OUT = os.path.join(FOLDER, "web")
# Each picture, its size and what "Long edge 800" with "Only shrink" makes of it.
PICTURES = {"tall.jpg": ((900, 1200), (600, 800)),
            "wide.jpg": ((1600, 1200), (800, 600)),
            "small.png": ((400, 300), (400, 300))}


def make_pictures():
    os.makedirs(FOLDER, exist_ok=True)
    for name, (size, _) in PICTURES.items():
        Image.effect_noise(size, 40).convert("RGB").save(os.path.join(FOLDER, name))


def road():
    with step("start the program with a portrait, a landscape and a small picture"):
        make_pictures()
        program = desk.Program()
        frame = program.window("frame", "Pixovia")

    with step("open ~/Pictures and add the three pictures to the job list"):
        tree = desk.find(frame, "tree", showing=True)
        desk.open_folder(tree, tree_path(tree, FOLDER))
        for name in PICTURES:
            desk.item(browser_of(frame), name)
        add_pictures(program, frame, list(PICTURES))
        desk.wait_until(lambda: len(job_rows(frame)) == 3, "three rows in the job list")

    with step("Settings for every row: Long edge 800, Only shrink, into ~/Pictures/web"):
        dialog = open_settings(program, frame)
        type_into(dialog, "Folder", OUT)
        tick(dialog, "Resize")
        mode = desk.find(dialog, "combo box", "Exact size", showing=True)
        desk.chord("Alt", "o")
        desk.wait_until(lambda: desk.is_focused(mode), "the mode list to have the focus")
        desk.type_text("L")
        desk.wait_until(lambda: desk.name_of(mode) == "Long edge", "the mode list on Long edge")
        type_into(dialog, "Long edge", "800", role="spin button")
        tick(dialog, "Only shrink")
        desk.press(desk.control(dialog, "OK"))
        desk.wait_until(lambda: not desk.is_showing(dialog), "the Settings dialog to close")

    with step("before Start, each row's Remarks give its own size"):
        rows = {row[0]: row[-1] for row in job_rows(frame)}
        expected = {name: "" if out == size else f"{out[0]}x{out[1]}"
                    for name, (size, out) in PICTURES.items()}
        check(rows == expected, f"remarks {rows}, expected {expected}")

    with step("Start: every file has its own proportions, the small one its own size"):
        desk.menu_command(frame, "Action", "Start")
        desk.wait_until(lambda: log_lines(frame)[-1:] == ["3 converted"],
                        "three lines and the run's summary in the output log")
        for name, (_, out) in PICTURES.items():
            with Image.open(os.path.join(OUT, name)) as written:
                check(written.size == out, f"{name} is {written.size}, expected {out}")


if __name__ == "__main__":
    desk.run_road("resize", road)
