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
win (win):      core base QtCore QtWidgets
win[job]:       core base QtCore
app:            win core base QtCore QtWidgets
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
        write(source, {"cmake/layers.txt": table, **files})
        if built_from:
            reply(build, Path(temp) / built_from, targets)
        out, err = io.StringIO(), io.StringIO()
        with contextlib.redirect_stdout(out), contextlib.redirect_stderr(err):
            status = check_layers.main(["check", str(source), str(build)])
        return status, out.getvalue().splitlines(), err.getvalue()


LIBS = {
    "core": ("STATIC_LIBRARY", "core", ["core/a.cpp"], []),
    "win": ("STATIC_LIBRARY", "win", ["win/w.cpp"], ["core"]),
    "job": ("STATIC_LIBRARY", "win", ["win/j.cpp"], ["core"]),
}
FILES = {"core/a.h": "", "core/a.cpp": "", "win/j.cpp": "", "win/w.h": '#include "core/a.h"\n#include <QWidget>\n',
         "win/w.cpp": '#include "win/w.h"\n', "app/m.cpp": '#include "app/m.h"\n',
         "app/m.h": '#include "core/a.h"\n#include "win/w.h"\n', "tests/t.cpp": '#include "app/m.h"\n'}


class CheckTest(unittest.TestCase):
    def test_each_kind_of_fault_is_named(self):
        cases = [
            # (what, files over FILES, "app": its dependencies and sources, "table": a line
            # replaced; the first line printed or None)
            ("the tree as it is", {}, None),
            ("upward", {"core/a.cpp": '#include <string>\n#include "win/w.h"\n'},
             "core/a.cpp:2: includes win/w.h, but core may use only: base"),
            ("a Qt module the line does not name", {"core/a.cpp": "#include <QWidget>\n"},
             "core/a.cpp:1: includes <QWidget> of QtWidgets, but core may use only: base"),
            ("an unknown folder beside known ones", {"tools/new/x.cpp": ""},
             "tools/new/x.cpp: is in no module of cmake/layers.txt"),
            ("a target's line, in a header its source includes", {"win/j.cpp": '#include "win/w.h"\n'},
             "win/w.h:2: includes <QWidget> of QtWidgets, but win[job] may use only: QtCore, base, core"),
            ("not linked", {"app": (["core"], ["app/m.cpp"])},
             "app/m.h:2: includes win/w.h, but target app links no target of win (job, win); it links: core"),
            ("a library the build does not make", {"table": "core (gone):"},
             "cmake/layers.txt: core (gone): the build has no library gone in core"),
        ]
        for what, change, expected in cases:
            with self.subTest(what):
                dependencies, sources = change.pop("app", (["win"], ["app/m.cpp"]))
                table = TABLE.replace("core (core):", change.pop("table", "core (core):"))
                targets = dict(LIBS, app=("EXECUTABLE", "app", sources, dependencies))
                status, lines, _ = run({**FILES, **change}, targets, table)
                self.assertEqual(lines[0] if status else None, expected)
                self.assertEqual(status, 1 if expected else 0)

    def test_a_table_or_build_it_cannot_use_stops_the_check(self):
        cases = [("core base\n", "src", "expected 'module"), (TABLE, "other", "is a build of"),
                 (TABLE, None, "configure the build again")]
        for table, built_from, expected in cases:
            with self.subTest(expected):
                status, _, err = run({"core/a.cpp": '#include "win/w.h"\n'}, LIBS, table, built_from)
                self.assertEqual(status, 2)
                self.assertIn(expected, err)


if __name__ == "__main__":
    unittest.main()
