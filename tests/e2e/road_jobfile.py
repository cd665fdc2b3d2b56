"""Road 7: `pixovia JOBFILE` on a desktop converts the job without ever showing a window and
ends by itself. A second run that must ask a question shows that the watch would see a window."""

import os
import time

import desk
import pictures
from desk import check, step

PICTURES = os.path.join(desk.WORK, "pictures")
OUT = os.path.join(desk.WORK, "out")


def write_job(path, overwrite):
    with open(path, "w") as f:
        f.write(f"""<?xml version="1.0" encoding="UTF-8"?>
<job>
  <image path="{PICTURES}" name="photo.jpg" outputformat="png" outputfolder="{OUT}"
         overwrite="{overwrite}"/>
  <image path="{PICTURES}" name="big.jpg" outputformat="png" width="1200" height="800"
         outputfolder="{OUT}" overwrite="{overwrite}"/>
  <folder path="{PICTURES}" filter="*.png;*.gif;*.bmp" outputformat="jpg" quality="90"
          prefix="set" startnumber="7" outputfolder="{OUT}" overwrite="{overwrite}"/>
</job>
""")


def run_watched(job):
    """Runs the job and watches the tree until the program ends; answers the program and the
    windows it showed (from the tree's events and from looking at its node)."""
    watch = desk.WindowWatch()
    program = desk.Program(job, name="jobrun")
    shown = []
    registered = False
    limit = time.monotonic() + desk.WAIT * 3
    while program.process.poll() is None:
        check(time.monotonic() < limit, "the job run did not end by itself")
        desk.pump()
        node = program.node()
        registered = registered or node is not None
        if node is not None:
            shown += [desk.describe(w) for w in desk.children(node)]
        time.sleep(0.02)
    desk.pump()
    watch.close()
    shown += [what for _, what in watch.of(program.pid)]
    print(f"   in the tree while it ran: {'yes' if registered else 'not yet registered'}")
    return program, shown


def answer(question, button):
    desk.press(desk.find(question, "push button", button))
    desk.wait_until(lambda: not desk.is_showing(question), "the question to close")


def road():
    with step("make the pictures and the job file"):
        pictures.make_pictures(PICTURES)
        pictures.big_photo(os.path.join(PICTURES, "big.jpg"))
        job = os.path.join(desk.WORK, "job.xml")
        write_job(job, overwrite=1)

    with step("run the job: no window ever appears and the program ends by itself"):
        program, shown = run_watched(job)
        check(not shown, f"the job run showed windows: {shown}")
        check(program.process.returncode == 0,
              f"exit status {program.process.returncode}; standard error:\n{program.stderr()}")

    with step("the files are written with their formats, sizes and names"):
        expected = {
            "photo.png": ("PNG", (80, 120)),  # upright by its Exif orientation
            "big.png": ("PNG", (1200, 800)),
            "set007.jpg": ("JPEG", (100, 60)),  # the filter's patterns in turn: png, gif, bmp
            "set008.jpg": ("JPEG", (64, 48)),
            "set009.jpg": ("JPEG", (50, 40)),
        }
        check(sorted(os.listdir(OUT)) == sorted(expected),
              f"output folder holds {sorted(os.listdir(OUT))}")
        for name, (kind, size) in expected.items():
            found = pictures.describe(os.path.join(OUT, name))[:2]
            check(found == (kind, size), f"{name} is {found}, expected {(kind, size)}")
        # Stored red left, blue right; turned a quarter clockwise, red is on top.
        top = pictures.colour_at(os.path.join(OUT, "photo.png"), 40, 10)
        check(pictures.near(top, (220, 20, 20)), f"photo.png is not upright (top is {top})")

    with step("standard output has one line per picture; the filter was saved at exit"):
        lines = program.stdout().splitlines()
        check(len(lines) == 5 and all(l.endswith("successfully.") for l in lines),
              f"standard output:\n{program.stdout()}")
        config = os.path.join(os.environ["XDG_CONFIG_HOME"], "Norvance", "Pixovia.conf")
        check(os.path.exists(config) and "extfilter" in open(config).read(),
              f"no extfilter in {config}")

    with step("run it again without overwrite: the replace question is a window in the tree"):
        write_job(job, overwrite=0)
        before = os.path.getmtime(os.path.join(OUT, "photo.png"))
        watch = desk.WindowWatch()
        program = desk.Program(job, name="jobrun-ask")
        question = program.window(role="alert")
        # The same watch that saw nothing in the first run sees this window.
        desk.wait_until(lambda: watch.of(program.pid), "the tree to announce the question")
        watch.close()
        text = " ".join(desk.name_of(n) for n in desk.find_all(question, "label"))
        check("replace" in text, f"the question reads {text!r}")
        answer(question, "No")

    with step("answering No leaves the file; the program goes on and ends"):
        # The other four files are asked about too; each gets No.
        for _ in range(4):
            answer(program.window(role="alert"), "No")
        status = program.wait_exit()
        check(status == 1, f"exit status {status} after answering No")
        check(os.path.getmtime(os.path.join(OUT, "photo.png")) == before,
              "photo.png was replaced after No")


if __name__ == "__main__":
    desk.run_road("jobfile", road)
