"""Roads 1 and 4: a folder's pictures in the image browser, both views and sorting; the Options
filter, and the filter and the window layout kept from one start to the next."""

import os

import desk
import pictures
from desk import check, step
from mainwindow import FOLDER, browser_of, tree_path

DEFAULT_FILTER = "*.bmp;*.gif;*.jpg;*.png;*.ico;*.wmf;*.jpeg;*.tif;*.tiff;*.webp;*.heic;*.heif;*.avif;*.jxl"


def listed(frame):
    return [desk.caption(n) for n in desk.items(browser_of(frame))]


def open_pictures(frame):
    tree = desk.find(frame, "tree", "My Computer", showing=True)
    desk.open_folder(tree, tree_path(tree, FOLDER))


def options(program, frame):
    desk.menu_command(frame, "File", "Options")
    dialog = program.window(role="dialog", name="Options")
    return dialog, desk.control(dialog, "File extension filters")


def exit_program(program, frame):
    desk.menu_command(frame, "File", "Exit")
    status = program.wait_exit()
    check(status == 0, f"exit status {status}")


def road():
    with step("open ~/Pictures: the browser lists the pictures the filter admits"):
        pictures.make_pictures(FOLDER)
        program = desk.Program()
        frame = program.window("frame", "Pixovia")
        open_pictures(frame)
        # One pass per pattern of the filter, each in name order; the truncated JPEG has a
        # whole header, so it is listed (its thumbnail shows it is broken).
        expected = ["plain.bmp", "chart.gif", "broken.jpg", "photo.jpg", "clear.png"]
        desk.wait_until(lambda: listed(frame) == expected,
                        f"the thumbnails {expected}", timeout=desk.WAIT)

    with step("each thumbnail is one cell, read by its caption"):
        browser = browser_of(frame)
        cells = [n for n in desk.children(browser) if desk.role_of(n) in desk.ITEM_ROLES]
        captions = [desk.name_of(n) for n in cells]
        check(len(cells) == len(expected), f"{len(cells)} cells for {len(expected)} pictures: "
              f"{captions}")
        photo = next(c for c in captions if c.startswith("photo.jpg"))
        check(photo == "photo.jpg\n(80x120)", f"photo.jpg reads {photo!r}")

    with step("the broken picture says so; the others do not"):
        def descriptions():
            return {desk.caption(n): n.get_description() for n in desk.items(browser_of(frame))}
        desk.wait_until(lambda: descriptions()["broken.jpg"] == "Broken picture",
                        "broken.jpg described as a broken picture")
        others = {name: text for name, text in descriptions().items() if name != "broken.jpg"}
        check(not any(others.values()), f"descriptions {others}")

    with step("Change View: the details list with its columns and sizes"):
        thumbnails = browser_of(frame)
        desk.menu_command(frame, "Action", "Change View")
        desk.wait_until(lambda: not desk.is_showing(thumbnails), "the thumbnails to give way")
        details = browser_of(frame)
        titles = [desk.name_of(h) for h in desk.find_all(details, "table column header")]
        check(titles[:5] == ["Name", "Type", "Dimension", "Size", "Date Modified"],
              f"columns {titles}")
        rows = desk.wait_until(lambda: len(desk.table_rows(details)) == 5 and
                               desk.table_rows(details), "five rows")
        photo = next(r for r in rows if r[0] == "photo.jpg")
        check("80" in photo[2] and "120" in photo[2], f"photo.jpg reads {photo} (upright 80x120)")

    def rows_in_order(order):
        desk.wait_until(lambda: [r[0] for r in desk.table_rows(details)] == order,
                        f"rows in the order {order}")

    with step("sort by Size, again by Size the other way, then by Name"):
        size_header = desk.find(details, "table column header", "Size")
        desk.click(size_header)
        by_size = sorted(expected, key=lambda n: os.path.getsize(os.path.join(FOLDER, n)))
        rows_in_order(by_size)
        desk.click(size_header, again=True)
        rows_in_order(by_size[::-1])
        desk.click(desk.find(details, "table column header", "Name"))
        rows_in_order(sorted(expected))

    with step("Change View again: back to the thumbnails"):
        desk.menu_command(frame, "Action", "Change View")
        desk.wait_until(lambda: desk.is_showing(thumbnails), "the thumbnails")

    with step("Options: a new filter lists the folder again"):
        dialog, edit = options(program, frame)
        check(desk.value_of(edit) == DEFAULT_FILTER, f"the filter reads {desk.value_of(edit)!r}")
        desk.set_text(edit, "*.png;*.gif")
        desk.press(desk.control(dialog, "OK"))
        desk.wait_until(lambda: listed(frame) == ["clear.png", "chart.gif"],
                        "only the PNG and the GIF listed")

    with step("float the Folders window and close the program"):
        folders = desk.find(frame, None, "Folders")
        desk.press(desk.find(folders, "push button", "Float"))
        desk.wait_until(lambda: any(desk.name_of(w) == "Folders" for w in program.windows()),
                        "Folders to be a window of its own")
        exit_program(program, frame)

    with step("start again: the filter, the floating Folders window and the folder are back"):
        program = desk.Program(name="pixovia-again")
        frame = program.window("frame", "Pixovia")
        desk.wait_until(lambda: any(desk.name_of(w) == "Folders" for w in program.windows()),
                        "Folders floating as it was left")
        desk.wait_until(lambda: listed(frame) == ["clear.png", "chart.gif"],
                        "the last folder's pictures in the browser")
        dialog, edit = options(program, frame)
        check(desk.value_of(edit) == "*.png;*.gif", f"the filter reads {desk.value_of(edit)!r}")
        desk.press(desk.control(dialog, "Cancel"))
        exit_program(program, frame)


if __name__ == "__main__":
    desk.run_road("browse", road)
