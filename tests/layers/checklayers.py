"""Checks the layers of the code: every #include "..." in a library's files names a header of the
same library or of one below it in the table, and every library it links is below it too.

Usage: checklayers.py SOURCE_ROOT LAYERS_TABLE LIBRARIES
  LAYERS_TABLE  lines "library: the libraries it builds on directly" (tests/layers/layers.txt)
  LIBRARIES     what the build holds (written by tests/layers/CMakeLists.txt): lines
                "library L", "source L path" and "link L other"

A header belongs to the library that lists it, else to the library of the .cpp file of the same
name beside it, else to the one library with files in its folder. Prints every wrong arrow and
exits with 1 when there is one.
"""

import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)


def read_table(path):
    below = {}
    with open(path, encoding="utf-8") as table:
        for line in table:
            line = line.split("#", 1)[0].strip()
            if line:
                library, _, uses = line.partition(":")
                below[library.strip()] = uses.split()
    return below


def read_build(path):
    libraries, owner, links = [], {}, []
    with open(path, encoding="utf-8") as build:
        for line in build:
            kind, library, *rest = line.split()
            if kind == "library":
                libraries.append(library)
            elif kind == "source":
                owner[rest[0]] = library
            elif kind == "link":
                links.append((library, rest[0]))
    return libraries, owner, links


def reachable(below):
    """Every library each one may use: those below it, directly or through others. A cycle in
    the table is an error of its own."""
    closure, errors = {}, []

    def visit(library, path):
        if library in path:
            errors.append("the table has a cycle: " + " -> ".join(path + [library]))
            return set()
        if library not in closure:
            found = set()
            for lower in below.get(library, []):
                found |= {lower} | visit(lower, path + [library])
            closure[library] = found
        return closure[library]

    for library in below:
        visit(library, [])
    return closure, errors


def owner_of(path, owner, folders):
    """The library a file belongs to, or None."""
    if path in owner:
        return owner[path]
    stem, extension = os.path.splitext(path)
    if extension == ".h" and stem + ".cpp" in owner:
        return owner[stem + ".cpp"]
    candidates = folders.get(os.path.dirname(path), set())
    return next(iter(candidates)) if len(candidates) == 1 else None


def main(root, table_path, build_path):
    below = read_table(table_path)
    libraries, owner, links = read_build(build_path)
    may_use, errors = reachable(below)
    for library in libraries:
        if library not in below:
            errors.append(f"{library} is not in {table_path}: give it its place there")
    for library in below:
        if library not in libraries:
            errors.append(f"{table_path} names {library}, which the build does not have")
        for lower in below[library]:
            if lower not in below:
                errors.append(f"{table_path}: {library} builds on {lower}, which it does not list")
    for library, lower in links:
        if lower not in may_use.get(library, set()):
            errors.append(f"{library} links {lower}, which is not below it")

    folders = {}
    for path, library in owner.items():
        folders.setdefault(os.path.dirname(path), set()).add(library)
    # The library's listed files and every header in their folders that belongs to it.
    files = set(owner)
    for folder in folders:
        for name in os.listdir(os.path.join(root, folder)):
            path = os.path.join(folder, name)
            if name.endswith(".h") and path not in owner:
                if owner_of(path, owner, folders) is None:
                    errors.append(f"{path} belongs to no library: list it in its library's sources")
                else:
                    files.add(path)

    for path in sorted(files):
        library = owner_of(path, owner, folders)
        with open(os.path.join(root, path), encoding="utf-8") as source:
            text = source.read()
        for included in INCLUDE.findall(text):
            if not os.path.isfile(os.path.join(root, included)):
                errors.append(f"{path} includes \"{included}\": not a path from the source root")
                continue
            other = owner_of(included, owner, folders)
            if other is None:
                errors.append(f"{path} includes {included}, which belongs to no library")
            elif other != library and other not in may_use.get(library, set()):
                errors.append(f"{path} ({library}) includes {included} ({other}), "
                              f"which is not below it")

    for error in errors:
        print(error)
    print(f"{len(files)} files of {len(libraries)} libraries checked, "
          f"{len(errors)} errors")
    return 1 if errors else 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
