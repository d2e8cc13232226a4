#!/usr/bin/env python3
"""The layer check on small made-up trees and builds: what it lets pass, what it names."""

import contextlib
import io
import json
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import check_layers  # noqa: E402

TABLE = """\
base:
core (core):    base
core/io (io):   base
win (win):      core core/io base QtCore QtWidgets
win[job]:       core base QtCore
app:            win core base QtCore QtWidgets
tool:           win[job] core base
tools/old:      base
tests:          *
"""


def write(root, files):
    for name, text in files.items():
        path = root / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text)


def reply(build, source, targets):
    """A codemodel-v2 reply as CMake's file API writes it, for `targets`:
    name -> (type, folder, sources, names of direct dependencies)."""
    folder = build / ".cmake" / "api" / "v1" / "reply"
    folder.mkdir(parents=True)
    qt = source.parent / "qt" / "QtWidgets"
    entries = []
    for name, (kind, where, sources, _) in targets.items():
        target = {
            "name": name, "id": name + "::@1", "type": kind,
            "paths": {"source": where, "build": where},
            "sources": [{"path": s} for s in sources],
            "compileGroups": [{"includes": [{"path": str(source)}, {"path": str(qt)}],
                               "sourceIndexes": list(range(len(sources)))}],
            "dependencies": [{"id": d + "::@1"} for d in targets[name][3]],
        }
        (folder / f"target-{name}.json").write_text(json.dumps(target))
        entries.append({"name": name, "id": target["id"], "jsonFile": f"target-{name}.json"})
    codemodel = {"paths": {"source": str(source), "build": str(build)},
                 "configurations": [{"name": "", "targets": entries}]}
    (folder / "codemodel-v2-1.json").write_text(json.dumps(codemodel))
    index = {"reply": {"codemodel-v2": {"kind": "codemodel", "jsonFile": "codemodel-v2-1.json"}}}
    (folder / "index-1.json").write_text(json.dumps(index))


def run(files, targets, table=TABLE, built_from="src"):
    """Exit status, printed lines and messages of the check over a made-up tree in src/,
    with a build of the tree in `built_from` (None: a build without a reply)."""
    with tempfile.TemporaryDirectory() as temp:
        source, build = Path(temp) / "src", Path(temp) / "build"
        write(Path(temp), {"qt/QtWidgets/QWidget": ""})
        write(source, {"layers.txt": table, **files})
        if built_from:
            reply(build, Path(temp) / built_from, targets)
        out, err = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
            status = check_layers.main(["check", str(source), str(build),
                                        "--table", str(source / "layers.txt")])
        return status, out.getvalue().splitlines(), err.getvalue()


LIBS = {
    "core": ("STATIC_LIBRARY", "core", ["core/a.cpp"], []),
    "io": ("STATIC_LIBRARY", "core/io", ["core/io/f.cpp"], []),
    "win": ("STATIC_LIBRARY", "win", ["win/w.cpp"], ["core"]),
    "job": ("STATIC_LIBRARY", "win", ["win/j.cpp"], ["core"]),
}


class TableTest(unittest.TestCase):
    def test_includes_against_the_table(self):
        cases = [
            # (what, file, its text, expected line or None)
            ("own module and the one below", "win/w.cpp",
             '#include "win/w.h"\n#include "core/a.h"\n', None),
            ("a module that does not exist yet", "core/a.cpp", '#include "base/calendar.h"\n', None),
            ("a header that is not in the tree", "core/a.cpp", "#include <vector>\n", None),
            ("upward", "core/a.cpp", '#include <string>\n#include "win/w.h"\n',
             "core/a.cpp:2: includes win/w.h, but core may use only: base"),
            ("the longest folder decides", "core/io/f.cpp", '#include "core/a.h"\n',
             "core/io/f.cpp:1: includes core/a.h, but core/io may use only: base"),
            ("beside the file, in another module", "core/io/f.cpp", '#include "../a.h"\n',
             "core/io/f.cpp:1: includes core/a.h, but core/io may use only: base"),
            ("a Qt module the line does not name", "core/a.cpp", "#include <QWidget>\n",
             "core/a.cpp:1: includes <QWidget> of QtWidgets, but core may use only: base"),
            ("Qt by its module folder", "core/a.cpp", "#include <QtWidgets/QWidget>\n",
             "core/a.cpp:1: includes <QtWidgets/QWidget> of QtWidgets, but core may use only: base"),
            ("tests may use anything", "tests/t.cpp", '#include "app/m.h"\n#include <QWidget>\n', None),
            ("a folder the table does not know", "extra/x.cpp", "", "extra/x.cpp: is in no module of cmake/layers.txt"),
            ("an unknown folder beside known ones", "tools/new/x.cpp", '#include "app/m.h"\n',
             "tools/new/x.cpp: is in no module of cmake/layers.txt"),
            ("the module's line for its other target", "win/w.cpp", "#include <QWidget>\n", None),
            ("a target's line, in its source", "win/j.cpp", "#include <QWidget>\n",
             "win/j.cpp:1: includes <QWidget> of QtWidgets, but win[job] may use only: QtCore, base, core"),
            ("a target's line, in a header its source includes", "win/j.cpp", '#include "win/w.h"\n',
             "win/w.h:1: includes <QWidget> of QtWidgets, but win[job] may use only: QtCore, base, core"),
            ("a module the target's line does not name", "win/j.cpp", '#include "core/io/f.h"\n',
             "win/j.cpp:1: includes core/io/f.h, but win[job] may use only: QtCore, base, core"),
            ("a target named on another line", "tool/t.cpp", '#include "win/w.h"\n', None),
        ]
        for what, name, text, expected in cases:
            with self.subTest(what):
                files = {"core/a.h": "", "core/a.cpp": "", "core/io/f.cpp": "", "core/io/f.h": "", "win/j.cpp": "",
                         "win/w.h": "#include <QWidget>\n", "win/w.cpp": "", "app/m.h": "",
                         name: text}
                status, lines, _ = run(files, LIBS)
                self.assertEqual(lines[0] if status else None, expected)
                self.assertEqual(status, 1 if expected else 0)

    def test_a_table_it_cannot_use_stops_the_check(self):
        for table in ["core: nowhere\n", "core base\n", "base:\nbase:\n", "core[x: base\n",
                      "base:\ncore[x]: base\n", "base:\ncore (x: base\n", "base:\ncore: base[x]\n"]:
            with self.subTest(table):
                status, lines, err = run({"core/a.cpp": ""}, LIBS, table)
                self.assertEqual(status, 2)
                self.assertIn("check_layers:", err)


class TargetTest(unittest.TestCase):
    def test_includes_against_the_links(self):
        app = '#include "app/m.h"\n'
        cases = [
            # (what, app's dependencies, app's sources, expected line or None)
            ("linked directly", ["win", "core"], ["app/m.cpp"], None),
            ("linked through another library", ["win"], ["app/m.cpp"], None),
            ("its own copy of the module's source", [], ["app/m.cpp", "core/a.cpp", "win/w.cpp"], None),
            ("not linked", ["core"], ["app/m.cpp"],
             "app/m.h:2: includes win/w.h, but target app links no target of win (job, win); it links: core"),
        ]
        for what, dependencies, sources, expected in cases:
            with self.subTest(what):
                files = {"core/a.h": "", "core/a.cpp": "", "core/io/f.cpp": "", "win/w.cpp": "",
                         "win/w.h": '#include "core/a.h"\n', "app/m.cpp": app,
                         "app/m.h": '#include "core/a.h"\n#include "win/w.h"\n'}
                targets = dict(LIBS, app=("EXECUTABLE", "app", sources, dependencies))
                status, lines, _ = run(files, targets)
                self.assertEqual(lines[0] if status else None, expected)

    def test_each_library_the_table_names_is_one_its_module_makes(self):
        for line, expected in [("core (core):", None),
                               ("core (io):", "cmake/layers.txt: core (io): the build has no library io in core"),
                               ("core (gone):", "cmake/layers.txt: core (gone): the build has no library gone in core")]:
            with self.subTest(line):
                status, lines, _ = run({"core/a.cpp": ""}, LIBS, TABLE.replace("core (core):", line))
                self.assertEqual(lines[0] if status else None, expected)

    def test_a_build_it_cannot_use_stops_the_check(self):
        for built_from, expected in [("other", "is a build of"), (None, "configure the build again")]:
            with self.subTest(built_from):
                status, _, err = run({"core/a.cpp": '#include "win/w.h"\n'}, LIBS, built_from=built_from)
                self.assertEqual(status, 2)
                self.assertIn(expected, err)


if __name__ == "__main__":
    unittest.main()
