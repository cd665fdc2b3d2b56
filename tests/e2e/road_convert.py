"""Roads 2 and 3: pictures from the image browser into the job list, their settings, "Start",
the files on disk, and a second run into the same folder with the replace question."""

import os
import subprocess

import desk
import pictures
from desk import check, step
from mainwindow import (FOLDER, add_pictures, answer, browser_of, job_rows, log_lines,
                        settings, tree_path)

# The rows' output sizes: chart.gif 64 x 48, photo.jpg 80 x 120 (upright), clear.png 100 x 60
# and photo.jpg again, each turned a quarter and fitted within 45 x 60.
SIZES = ["45x60", "45x30", "36x60", "45x30"]


def road():
    with step("start the program with pictures in ~/Pictures"):
        pictures.make_pictures(FOLDER)
        program = desk.Program()
        frame = program.window("frame", "Pixovia")

    with step("open ~/Pictures in the Folders tree: the browser lists its pictures"):
        tree = desk.find(frame, "tree", showing=True)
        desk.open_folder(tree, tree_path(tree, FOLDER))
        browser = browser_of(frame)
        for name in ("photo.jpg", "clear.png", "chart.gif", "plain.bmp"):
            desk.item(browser, name)
        check(not desk.find_all(browser, None, "notes.txt"), "notes.txt is listed")

    with step("select three pictures, Add to list: three rows"):
        add_pictures(program, frame, ["photo.jpg", "clear.png", "chart.gif"])
        desk.wait_until(lambda: len(job_rows(frame)) == 3, "three rows in the job list")
        names = [row[0] for row in job_rows(frame)]
        # In the browser's order: one pass per pattern of the filter (*.gif before *.jpg).
        check(names == ["chart.gif", "photo.jpg", "clear.png"], f"rows {names}")

    with step("add photo.jpg again: the duplicate question, No, then Yes"):
        # From the Action menu: the browser's context menu, opened a second time, shows its
        # entries to the accessibility tree no more (see the architecture page).
        add_pictures(program, frame, ["photo.jpg"], command="menu")
        answer(program, "No", expect="already in the list")
        check(len(job_rows(frame)) == 3, "a row was added after No")
        add_pictures(program, frame, ["photo.jpg"], command="menu")
        answer(program, "Yes", expect="already in the list")
        desk.wait_until(lambda: len(job_rows(frame)) == 4, "the fourth row after Yes")

    with step("Settings for every row: PNG, resize by width, rotate, rename"):
        # The dialog opens with chart.gif, the first row, 64 x 48. Typed digit by digit, the
        # width goes 6, then 60; the height follows the picture to 5 (4.5 rounds up), then 45.
        # "90 degree" turns the sizes to 45 x 60, and every row fits within them with its own
        # proportions, turned.
        settings(program, frame, resize_width="60", rotate="90 degree", prefix="Road",
                 number="5")

    with step("the Remarks column tells what will be done"):
        remarks = [row[-1] for row in job_rows(frame)]
        expected = [f"road{n:03d}.png, {size}, Rotate 270"
                    for n, size in zip((5, 6, 7, 8), SIZES)]
        check(remarks == expected, f"remarks {remarks}, expected {expected}")

    with step("Start: one log line per row and a summary, converted rows leave the list"):
        desk.menu_command(frame, "Action", "Start")
        desk.wait_until(lambda: log_lines(frame)[-1:] == ["4 converted"],
                        "four lines and the run's summary in the output log")
        check(len(log_lines(frame)) == 5, f"the log reads {log_lines(frame)}")
        desk.wait_until(lambda: not job_rows(frame), "the converted rows to leave the list")
        for n, line in zip((5, 6, 7, 8), log_lines(frame)):
            target = os.path.join(FOLDER, f"road{n:03d}.png")
            check(line == f"The file has been saved to {target} successfully.", f"line {line!r}")

    with step("the files have the chosen format, size, orientation and names"):
        for n, size in zip((5, 6, 7, 8), SIZES):
            path = os.path.join(FOLDER, f"road{n:03d}.png")
            found = pictures.describe(path)[:2]
            expected = ("PNG", tuple(int(side) for side in size.split("x")))
            check(found == expected, f"{path} is {found}, expected {expected}")
        # Upright, photo.jpg (the second row) is red above blue; "90 degree" turns it a quarter
        # counter-clockwise, which puts red on the left.
        path = os.path.join(FOLDER, "road006.png")
        left, right = pictures.colour_at(path, 8, 15), pictures.colour_at(path, 37, 15)
        check(pictures.near(left[:3], (220, 20, 20)) and pictures.near(right[:3], (20, 20, 220)),
              f"road006.png is turned wrongly: left {left}, right {right}")

    with step("again into the same folder: replace? No, Yes, then Yes to All"):
        before = {n: os.path.getmtime(os.path.join(FOLDER, f"road{n:03d}.png")) for n in (5, 6)}
        add_pictures(program, frame, ["photo.jpg", "clear.png", "chart.gif", "plain.bmp"],
                     command="menu")
        desk.wait_until(lambda: len(job_rows(frame)) == 4, "four rows in the job list")
        settings(program, frame, prefix="Road", number="5")
        desk.menu_command(frame, "Action", "Start")
        answer(program, "No", expect="replace")
        answer(program, "Yes", expect="replace")
        answer(program, "Yes to All", expect="replace")
        desk.wait_until(lambda: log_lines(frame)[-1:] == ["3 converted, 1 not replaced"],
                        "three more lines and the run's summary in the log")
        # More lines than the pane shows: it has followed them to the newest.
        output = desk.find(frame, "list", "Output")
        desk.wait_until(lambda: desk.is_showing(desk.children(output)[-1]),
                        "the newest log line in view")
        check(not desk.is_showing(desk.children(output)[0]), "every line of the log is in view")
        rows = desk.wait_until(lambda: len(job_rows(frame)) == 1 and job_rows(frame),
                               "only the declined row to stay")
        # The rows in the browser's order: plain.bmp (road005, No) stays.
        check(rows[0][0] == "plain.bmp", f"the row left is {rows[0]}")
        check(os.path.getmtime(os.path.join(FOLDER, "road005.png")) == before[5],
              "road005.png was replaced after No")
        # clear.png, 100 x 60 at its own size now, replaces road008.png without a question.
        found = pictures.describe(os.path.join(FOLDER, "road008.png"))[:2]
        check(found == ("PNG", (100, 60)), f"road008.png is {found} after Yes to All")


    with step("the output log: copy a line to the clipboard, then clear the log"):
        lines = log_lines(frame)
        line = desk.item(desk.find(frame, "list", "Output"), lines[1])
        desk.context_command(program, line, "Copy to Clipboard")
        desk.wait_until(lambda: clipboard() == lines[1], "the line on the clipboard")
        desk.context_command(program, desk.find(frame, "list", "Output"), "Clear")
        desk.wait_until(lambda: not log_lines(frame), "the log to be empty")


def clipboard():
    result = subprocess.run(["xclip", "-o", "-selection", "clipboard"], capture_output=True,
                            text=True, timeout=10)
    return result.stdout


if __name__ == "__main__":
    desk.run_road("convert", road)
