"""Road 6: keyboard only. From the start, reach a folder, add a picture (the Menu key opens the
menu at it), give it a format and start the run with Ctrl+Return, with no pointer at all."""

import os

import desk
import pictures
from desk import check, step
from mainwindow import FOLDER, HOME, browser_of, job_rows, log_lines


def road():
    with step("start the program"):
        pictures.make_pictures(FOLDER)
        program = desk.Program()
        frame = program.window("frame", "Pixovia")
        program.activate()
        # The status bar's message is a label assistive technology reads.
        desk.find(desk.find(frame, "status bar", "Status bar"), "label", "Ready", showing=True)

    with step("Tab to the Folders tree; type-ahead and Right reach ~/Pictures"):
        tree = desk.find(frame, "tree", "My Computer", showing=True)
        desk.focus_by_tab(frame, tree)
        desk.type_down_tree(tree, ["Home"] + os.path.relpath(FOLDER, HOME).split(os.sep))
        desk.item(browser_of(frame), "chart.gif")

    with step("Tab to the pictures; type-ahead picks chart.gif; the Menu key adds it"):
        browser = browser_of(frame)
        desk.focus_by_tab(frame, browser)
        desk.type_text("chart")
        desk.wait_until(lambda: desk.is_selected(desk.item(browser, "chart.gif")),
                        "chart.gif selected")
        desk.expect_popup()
        desk.keys("Menu")
        menu = desk.popup(program, "Add to list")
        # At the picture the keyboard is on, wherever the pointer rests.
        picture = desk.box_of(desk.item(browser, "chart.gif"))
        corner = desk.box_of(menu)
        check(picture.x <= corner.x <= picture.x + picture.width and
              picture.y <= corner.y <= picture.y + picture.height,
              f"the menu opens at {corner.x},{corner.y}, chart.gif is at {picture.x},"
              f"{picture.y} {picture.width}x{picture.height}")
        entries = [n for n in desk.children(menu) if desk.role_of(n) == "menu item"
                   and desk.is_enabled(n)]
        check(desk.name_of(entries[0]) == "Add to list", "Add to list is not the first entry")
        desk.keys("Down", "Return")
        desk.wait_until(lambda: [r[0] for r in job_rows(frame)] == ["chart.gif"],
                        "chart.gif in the job list")

    with step("Tab to the job list; Settings from the menu bar: PNG, Return"):
        table = desk.find(frame, "table", "Job list")
        desk.focus_by_tab(frame, table)
        desk.keys("Down")
        desk.menu_by_keyboard(frame, "Action", "Settings")
        dialog = program.window(role="dialog", name="Settings")
        combo = desk.find(dialog, "combo box")
        desk.wait_until(lambda: desk.is_focused(combo), "the format list to have the focus")
        check("Format:" in desk.labels_of(combo),
              f"the format list is labelled by {desk.labels_of(combo)}")
        desk.type_text("P")
        desk.wait_until(lambda: desk.name_of(combo) == "PNG", "PNG chosen")
        desk.keys("Return")
        desk.wait_until(lambda: not desk.is_showing(dialog), "the dialog to close")
        remarks = job_rows(frame)[0][-1]
        check(remarks == "chart.png", f"the remark reads {remarks!r}")

    with step("Alt+A opens the Action menu"):
        # The window gets the keys back from the closed dialog, as a desktop's window manager
        # gives them (the virtual X server has none, and shortcuts need an active window).
        program.activate()
        desk.focus_by_tab(frame, table)
        desk.expect_popup()
        desk.chord("Alt", "a")
        menu = desk.popup(program, "Start")
        check(desk.name_of(menu) == "Action", f"Alt+A opened {desk.name_of(menu)!r}")
        desk.keys("Escape", "Escape")
        desk.wait_until(lambda: not desk.is_showing(menu), "the Action menu to close")

    with step("Ctrl+Return starts the run from the job list: the file is written"):
        desk.focus_by_tab(frame, table)
        desk.chord("Control", "Return")
        target = os.path.join(FOLDER, "chart.png")
        desk.wait_until(lambda: log_lines(frame) ==
                        [f"The file has been saved to {target} successfully.", "1 converted"],
                        "the log line of chart.png and the run's summary")
        desk.wait_until(lambda: not job_rows(frame), "the row to leave the list")
        found = pictures.describe(target)[:2]
        check(found == ("PNG", (64, 48)), f"chart.png is {found}")


if __name__ == "__main__":
    desk.run_road("keyboard", road)
