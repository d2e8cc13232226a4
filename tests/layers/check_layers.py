#!/usr/bin/env python3
"""Holds the tree to the layer table (cmake/layers.txt) and the build to its links.

Every #include of every source under a module folder that resolves into another module
must be one the table allows that module; every target of the build that includes a
library module (in its sources or the headers they include) must link a target of that
module, directly or through others, or compile that module's sources itself. The targets
come from CMake's file API (codemodel-v2); with --cmake, a build without a reply yet is
generated once more. Exit status 0 when all holds, 1 with one line per fault, 2 when it
cannot check.
"""

import argparse
import json
import os
import re
import subprocess
import sys
from pathlib import Path

SOURCE_SUFFIXES = {".c", ".cc", ".cpp", ".cxx", ".h", ".hh", ".hpp", ".inc"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
LIBRARY_TYPES = {"STATIC_LIBRARY", "SHARED_LIBRARY", "MODULE_LIBRARY", "OBJECT_LIBRARY",
                 "INTERFACE_LIBRARY"}


class Unchecked(Exception):
    """The check cannot run: a missing or malformed table or reply."""


class NoReply(Unchecked):
    """The build has not answered the codemodel query yet."""


TARGET = re.compile(r"([^\[\]]+?)\s*\[\s*([\w.+-]+)\s*\]")
LINE = re.compile(r"([^\[\]():]+?)\s*(?:\[\s*([\w.+-]+)\s*\])?\s*(?:\(\s*([\w.+-]+)\s*\))?\s*:(.*)")


def read_table(path):
    """The table as ({module: allowed}, {target: (module, allowed)}, {module: library}),
    in file order; `allowed` is a set of modules (and Qt modules), or None for any. The
    head of cmake/layers.txt says what its lines mean."""
    table, targets, libraries, used_targets = {}, {}, {}, []
    try:
        lines = Path(path).read_text(encoding="utf-8").splitlines()
    except OSError as error:
        raise Unchecked(f"cannot read the layer table: {error}")
    for number, line in enumerate(lines, 1):
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        match = LINE.fullmatch(line)
        module = match and match.group(1).strip("/")
        if not module:
            raise Unchecked(f"{path}:{number}: expected 'module[target] (library): allowed modules'")
        _, target, library, rest = match.groups()
        if (target or module) in (targets if target else table):
            raise Unchecked(f"{path}:{number}: {target or module} is named twice")
        allowed = rest.split()
        if allowed == ["*"]:
            allowed = None
        else:
            named = [TARGET.fullmatch(a) for a in allowed]
            used_targets += [m.group(2) for m in named if m]
            allowed = set((m.group(1) if m else a).strip("/") for m, a in zip(named, allowed))
        if target:
            targets[target] = (module, allowed)
        else:
            table[module] = allowed
            if library:
                libraries[module] = library
    for module, allowed in list(table.items()) + list(targets.values()):
        if module not in table:
            raise Unchecked(f"{path}: {module} has a target line but no line of its own")
        for other in allowed or ():
            if other not in table and not is_qt(other):
                raise Unchecked(f"{path}: {module} may use {other}, which has no line of its own")
    for target in used_targets:
        if target not in targets:
            raise Unchecked(f"{path}: [{target}] is used, but has no line of its own")
    return table, targets, libraries


def is_qt(name):
    """Qt's own modules (QtCore, QtWidgets, ...) are named in the table by their folders."""
    return re.fullmatch(r"Qt[A-Z]\w*", name) is not None


def module_of(relative, modules):
    """The module holding a source-relative path: the longest folder that matches."""
    return max((m for m in modules if relative == m or relative.startswith(m + "/")),
               key=len, default=None)


class Tree:
    """The source tree: which file is in which module, and where its includes lead."""

    def __init__(self, root, modules, qt_dirs=()):
        self.root = Path(root).resolve()
        self.modules = modules
        self.qt_dirs = [Path(d) for d in qt_dirs]
        self._includes = {}
        self._qt = {}

    def qt_module(self, name):
        """The Qt module (QtWidgets, ...) whose header `name` is, or None."""
        if name not in self._qt:
            first = name.split("/", 1)[0]
            if "/" in name and any(d.name == first for d in self.qt_dirs):
                self._qt[name] = first
            else:
                self._qt[name] = next((d.name for d in self.qt_dirs if (d / name).is_file()), None)
        return self._qt[name]

    def relative(self, path):
        try:
            return Path(path).resolve().relative_to(self.root).as_posix()
        except ValueError:
            return None

    def module(self, path):
        relative = self.relative(path)
        return None if relative is None else module_of(relative, self.modules)

    def includes(self, path, include_dirs):
        """(line, written name, resolved path or None) for each #include of `path`."""
        key = (path, include_dirs)
        if key not in self._includes:
            found = []
            try:
                text = Path(path).read_text(encoding="utf-8", errors="replace")
            except OSError:
                text = ""
            for number, line in enumerate(text.splitlines(), 1):
                match = INCLUDE.match(line)
                if match:
                    kind, name = match.groups()
                    found.append((number, name, self.resolve(path, kind, name, include_dirs)))
            self._includes[key] = found
        return self._includes[key]

    def resolve(self, path, kind, name, include_dirs):
        """Where the compiler finds `name`, if that is inside the source tree."""
        places = ([Path(path).parent] if kind == '"' else []) + list(include_dirs)
        for place in places:
            candidate = Path(place) / name
            if candidate.is_file():
                return candidate.resolve() if self.relative(candidate) is not None else None
        return None

    def sources(self):
        """Every C and C++ source and header under the tree, build folders left out."""
        for folder, subfolders, files in os.walk(self.root):
            subfolders[:] = sorted(d for d in subfolders
                                   if not d.startswith(".")
                                   and not (Path(folder) / d / "CMakeCache.txt").exists())
            for name in sorted(files):
                if Path(name).suffix in SOURCE_SUFFIXES:
                    yield Path(folder) / name


def allowed_text(allowed):
    return ", ".join(sorted(allowed)) if allowed else "nothing of another module"


def include_fault(tree, relative, number, name, target, module, label, allowed):
    """The fault of one include of a file of `module` held to `allowed`, or None."""
    if allowed is None:
        return None
    if target is None:
        qt = tree.qt_module(name)
        what = f"<{name}> of {qt}" if qt and qt not in allowed else None
    else:
        other = tree.module(target)
        what = None if other is None or other == module or other in allowed else tree.relative(target)
    return what and f"{relative}:{number}: includes {what}, but {label} may use only: {allowed_text(allowed)}"


def check_table(tree, table, include_dirs):
    """Faults of the includes against the module lines of the table, one line each."""
    faults = []
    for path in tree.sources():
        relative = tree.relative(path)
        module = module_of(relative, table)
        if module is None:
            faults.append(f"{relative}: is in no module of cmake/layers.txt")
            continue
        for number, name, target in tree.includes(path, include_dirs):
            fault = include_fault(tree, relative, number, name, target, module, module,
                                  table[module])
            if fault:
                faults.append(fault)
    return faults


def absolute(root, path):
    return Path(path) if os.path.isabs(path) else Path(root) / path


def target_module(tree, source_root, target):
    return tree.module(absolute(source_root, target["paths"]["source"]))


def target_sources(source_root, target):
    """(path, include folders) of each source of the target the build does not generate."""
    dirs = {}
    for group in target.get("compileGroups", []):
        for index in group.get("sourceIndexes", []):
            dirs[index] = tuple(str(absolute(source_root, i["path"])) for i in group.get("includes", []))
    return [(absolute(source_root, s["path"]), dirs.get(index, ()))
            for index, s in enumerate(target.get("sources", [])) if not s.get("isGenerated")]


def reached(tree, sources, inside=lambda path: True):
    """(file, line, written name, included file) of every include the sources reach,
    through the files `inside` holds, each file once."""
    todo, visited = [(path.resolve(), dirs) for path, dirs in sources], set()
    while todo:
        path, dirs = todo.pop()
        if path in visited or not inside(path):
            continue
        visited.add(path)
        for number, written, included in tree.includes(path, dirs):
            yield path, number, written, included
            if included is not None:
                todo.append((included, dirs))


def check_libraries(tree, libraries, source_root, targets):
    """Faults of the libraries the table names: each must be a library of its module."""
    made = {t["name"]: target_module(tree, source_root, t)
            for t in targets.values() if t["type"] in LIBRARY_TYPES}
    return [f"cmake/layers.txt: {module} ({library}): the build has no library {library} in {module}"
            for module, library in libraries.items() if made.get(library) != module]


def check_target_lines(tree, target_lines, source_root, targets):
    """Faults against the lines of single targets: every file of the target's module
    that the target's own sources reach, through includes inside that module."""
    faults = []
    by_name = {t["name"]: t for t in targets.values()}
    for name, (module, allowed) in target_lines.items():
        label = f"{module}[{name}]"
        target = by_name.get(name)
        if target is None or target_module(tree, source_root, target) != module:
            faults.append(f"cmake/layers.txt: {label}: the build has no target {name} in {module}")
            continue
        for path, number, written, included in reached(tree, target_sources(source_root, target),
                                                       lambda p: tree.module(p) == module):
            fault = include_fault(tree, tree.relative(path), number, written, included,
                                  module, label, allowed)
            if fault:
                faults.append(fault)
    return faults


def read_codemodel(build):
    """The targets of the build's codemodel reply, by id."""
    reply = Path(build) / ".cmake" / "api" / "v1" / "reply"
    indexes = sorted(reply.glob("index-*.json"))
    if not indexes:
        raise NoReply(f"no CMake file API reply in {reply}: configure the build again")
    index = json.loads(indexes[-1].read_text(encoding="utf-8"))
    entry = index.get("reply", {}).get("codemodel-v2")
    if not entry or "jsonFile" not in entry:
        raise Unchecked(f"{indexes[-1]} holds no codemodel-v2 reply: configure the build again")
    codemodel = json.loads((reply / entry["jsonFile"]).read_text(encoding="utf-8"))
    source_root = codemodel["paths"]["source"]
    targets = {}
    for configuration in codemodel["configurations"][:1]:
        for summary in configuration["targets"]:
            target = json.loads((reply / summary["jsonFile"]).read_text(encoding="utf-8"))
            targets[target["id"]] = target
    return source_root, targets


def check_targets(tree, source_root, targets):
    """Faults of the targets against what they link, one line each."""
    faults = []
    library_modules = {}
    for target in targets.values():
        module = target_module(tree, source_root, target)
        if target["type"] in LIBRARY_TYPES and module:
            library_modules.setdefault(module, set()).add(target["name"])

    def closure(target_id):
        seen, todo = set(), [target_id]
        while todo:
            for dependency in targets[todo.pop()].get("dependencies", []):
                if dependency["id"] not in seen and dependency["id"] in targets:
                    seen.add(dependency["id"])
                    todo.append(dependency["id"])
        return seen

    for target_id, target in sorted(targets.items(), key=lambda item: item[1]["name"]):
        own = target_module(tree, source_root, target)
        linked = {}
        for dependency in closure(target_id):
            module = target_module(tree, source_root, targets[dependency])
            if module:
                linked.setdefault(module, set()).add(targets[dependency]["name"])
        sources = target_sources(source_root, target)
        compiled = {tree.module(path) for path, _ in sources} - {None}
        seen_lines = set()
        for path, dirs in sources:
            if tree.relative(path) is None:
                continue
            for including, number, _, included in reached(tree, [(path, dirs)]):
                other = included and tree.module(included)
                if (other is None or other == own or other not in library_modules
                        or other in linked or other in compiled):
                    continue
                where = (tree.relative(including), number)
                if where in seen_lines:
                    continue
                seen_lines.add(where)
                faults.append(
                    f"{where[0]}:{number}: includes {tree.relative(included)}, but target "
                    f"{target['name']} links no target of {other} "
                    f"({', '.join(sorted(library_modules[other]))}); it links: "
                    f"{', '.join(sorted(n for names in linked.values() for n in names)) or 'nothing'}")
    return faults


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("source")
    parser.add_argument("build")
    parser.add_argument("--cmake")
    args = parser.parse_args(argv[1:])
    source, build = args.source, args.build
    table_path = os.path.join(source, "cmake", "layers.txt")
    try:
        table, target_lines, libraries = read_table(table_path)
        tree = Tree(source, table)
        try:
            source_root, targets = read_codemodel(build)
        except NoReply:
            if not args.cmake:
                raise
            subprocess.run([args.cmake, build], check=True, stdout=subprocess.DEVNULL)
            source_root, targets = read_codemodel(build)
        if Path(source_root).resolve() != tree.root:
            # Another tree's build would pass for want of anything to check.
            raise Unchecked(f"{build} is a build of {source_root}, not of {tree.root}")
    except (Unchecked, OSError, ValueError, KeyError, subprocess.CalledProcessError) as error:
        print(f"check_layers: {error}", file=sys.stderr)
        return 2
    # The folders the build adds to the include path inside the tree, for <...> includes
    # and files not in a target; and Qt's module folders, to tell Core from Widgets.
    paths = {str(absolute(source_root, i["path"]))
             for t in targets.values()
             for g in t.get("compileGroups", [])
             for i in g.get("includes", [])}
    include_dirs = sorted(p for p in paths if tree.relative(p) is not None)
    tree.qt_dirs = [Path(p) for p in sorted(paths)
                    if tree.relative(p) is None and is_qt(Path(p).name)]
    faults = check_table(tree, table, tuple([str(tree.root)] + include_dirs))
    faults += check_target_lines(tree, target_lines, source_root, targets)
    faults += check_libraries(tree, libraries, source_root, targets)
    faults += check_targets(tree, source_root, targets)
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include(s) break the layers; the table is cmake/layers.txt",
              file=sys.stderr)
        return 1
    print(f"layers hold: {len(targets)} targets, {len(table)} modules, "
          f"{len(target_lines)} target lines")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
