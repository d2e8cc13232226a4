"""Prints where the interpreter finds platform-specific modules, relative to the install
prefix given: module_dir.py PREFIX.

Debian's interpreter reads its packages' modules from /usr/lib/python3/dist-packages and
locally installed ones from /usr/local/lib/python3.X/dist-packages; elsewhere the
interpreter's own scheme says."""

import os
import sys
import sysconfig

prefix = os.path.normpath(sys.argv[1])
if "deb_system" in sysconfig.get_scheme_names():
    if prefix == "/usr":
        path = sysconfig.get_path("platlib", "deb_system", vars={"platbase": "/usr", "base": "/usr"})
    else:
        path = sysconfig.get_path("platlib", "posix_local", vars={"platbase": "/usr", "base": "/usr"})
        prefix = "/usr/local"
else:
    path = sysconfig.get_path("platlib", vars={"platbase": prefix, "base": prefix})
print(os.path.relpath(path, prefix))
