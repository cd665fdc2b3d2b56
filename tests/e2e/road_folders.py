"""The Folders tree follows the disk: a run makes its output folder inside the folder being
browsed and the tree shows it; that folder, deleted while it is shown, leaves the tree, the
tree goes back to its parent and the status bar says why."""

import os
import shutil

import desk
import pictures
from desk import check, step
from mainwindow import (FOLDER, add_pictures, browser_of, choose_format, job_rows, log_lines,
                        open_settings, tree_path, type_into)

OUT = os.path.join(FOLDER, "Converted")


def listed(frame):
    return sorted(desk.caption(n) for n in desk.items(browser_of(frame)))


def selected(tree, name):
    return any(desk.is_selected(n) for n in desk.find_all(tree, None, name, showing=True))


def focused(tree, name):
    return any(desk.is_focused(n) for n in desk.find_all(tree, None, name, showing=True))


def expandable(tree, name):
    return any(desk.is_expandable(n) for n in desk.find_all(tree, None, name, showing=True))


def road():
    with step("open ~/Pictures, a folder without sub-folders"):
        pictures.make_pictures(FOLDER)
        program = desk.Program()
        frame = program.window("frame", "Pixovia")
        tree = desk.find(frame, "tree", showing=True)
        desk.open_folder(tree, tree_path(tree, FOLDER))
        desk.item(browser_of(frame), "photo.jpg")
        check(not expandable(tree, "Pictures"), "~/Pictures has an opener before it has folders")

    with step("convert two pictures into ~/Pictures/Converted, which the run makes"):
        add_pictures(program, frame, ["photo.jpg", "clear.png"])
        desk.wait_until(lambda: len(job_rows(frame)) == 2, "two rows in the job list")
        dialog = open_settings(program, frame)
        choose_format(dialog, "PNG")
        type_into(dialog, "Folder", OUT)
        desk.press(desk.control(dialog, "OK"))
        desk.wait_until(lambda: not desk.is_showing(dialog), "the Settings dialog to close")
        desk.menu_command(frame, "Action", "Start")
        desk.wait_until(lambda: log_lines(frame)[-1:] == ["2 converted"],
                        "two lines and the run's summary in the output log")
        check(sorted(os.listdir(OUT)) == ["clear.png", "photo.png"],
              f"{OUT} holds {sorted(os.listdir(OUT))}")

    with step("~/Pictures now opens onto the new folder, without a Refresh"):
        desk.click(desk.item(tree, "Pictures"))
        # Pictures stayed selected through the run: wait for the click's focus, or the key
        # below may reach the control that had the focus before.
        desk.wait_until(lambda: focused(tree, "Pictures"), "Pictures to have the focus")
        # The tree hears of the new folder a moment after the disk changed (changes come in
        # bursts): the opener appears then, and Right before it would open nothing.
        desk.wait_until(lambda: expandable(tree, "Pictures"), "Pictures to get an opener")
        desk.keys("Right")
        converted = desk.item(tree, "Converted")

    with step("select it: the browser lists the converted pictures"):
        desk.click(converted)
        desk.wait_until(lambda: listed(frame) == ["clear.png", "photo.png"],
                        "the converted pictures in the browser")

    with step("delete it while it is shown: the tree goes back to ~/Pictures and says why"):
        shutil.rmtree(OUT)
        desk.wait_until(lambda: not desk.find_all(tree, None, "Converted", showing=True),
                        "Converted to leave the tree")
        desk.wait_until(lambda: selected(tree, "Pictures"), "Pictures selected again")
        desk.find(frame, "label", f"The folder {OUT} no longer exists.")
        desk.wait_until(lambda: "photo.jpg" in listed(frame),
                        "the browser to list ~/Pictures again")

    with step("a folder made beside the pictures appears in the open ~/Pictures"):
        os.mkdir(os.path.join(FOLDER, "Later"))
        desk.item(tree, "Later")


if __name__ == "__main__":
    desk.run_road("folders", road)
