#!/usr/bin/python3
"""Builds the skin package velin.dll and the resource folder beside it.

The package is a plain ZIP: XML deflated and pictures stored, no password, ASCII entry names in
sorted order, every entry dated 1980-01-01 with fixed attributes, so the same
sources give the same bytes. It holds every XML entry of the skin folder and
the pictures that draw_images.py makes. Files are written to a temporary name
and moved into place only when complete, so a failed build never leaves half
a package behind.

usage: make_package.py SKIN_DIR OUT_PACKAGE [--resource SOURCE=NAME ...]
"""
import argparse
import os
import pathlib
import shutil
import sys
import tempfile
import zipfile

# The build runs this from the source tree: leave no __pycache__ there.
sys.dont_write_bytecode = True
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import draw_images  # noqa: E402

FIXED_TIME = (1980, 1, 1, 0, 0, 0)


def package_entries(skin_dir):
    entries = {}
    for path in sorted(pathlib.Path(skin_dir).glob("*.xml")):
        entries[path.name] = path.read_bytes()
    for name, data in draw_images.draw_all().items():
        if name in entries:
            raise SystemExit(f"make_package: picture {name} clashes with a source entry")
        entries[name] = data
    for name in entries:
        if not name.isascii() or "/" in name or "\\" in name:
            raise SystemExit(f"make_package: entry name {name!r} must be plain ASCII without folders")
    return entries


def write_atomically(target, write):
    target = pathlib.Path(target)
    target.parent.mkdir(parents=True, exist_ok=True)
    fd, tmp = tempfile.mkstemp(prefix=target.name + ".", suffix=".tmp", dir=target.parent)
    try:
        with os.fdopen(fd, "wb") as out:
            write(out)
        os.chmod(tmp, 0o644)
        os.replace(tmp, target)
    except BaseException:
        os.unlink(tmp)
        raise


def write_zip(out, entries):
    with zipfile.ZipFile(out, "w") as z:
        for name in sorted(entries):
            info = zipfile.ZipInfo(name, date_time=FIXED_TIME)
            # PNG data is deflated already: storing it keeps it smaller.
            stored = name.lower().endswith(".png")
            info.compress_type = zipfile.ZIP_STORED if stored else zipfile.ZIP_DEFLATED
            info.create_system = 0
            info.external_attr = 0
            z.writestr(info, entries[name], compresslevel=9)


def copy_resource(source, target):
    data = pathlib.Path(source).read_bytes()
    target = pathlib.Path(target)
    if target.exists() and target.read_bytes() == data:
        return
    write_atomically(target, lambda out: out.write(data))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("skin_dir")
    ap.add_argument("package")
    ap.add_argument("--resource", action="append", default=[], metavar="SOURCE=NAME",
                    help="a file copied into the resource folder beside the package")
    args = ap.parse_args()

    entries = package_entries(args.skin_dir)
    write_atomically(args.package, lambda out: write_zip(out, entries))

    resource = pathlib.Path(args.package).parent / "resource"
    for item in args.resource:
        source, sep, name = item.partition("=")
        if not sep or not name:
            raise SystemExit(f"make_package: --resource wants SOURCE=NAME, not {item!r}")
        if not pathlib.Path(source).is_file():
            raise SystemExit(f"make_package: {source} is missing (tools/setup.sh installs the font packages)")
        copy_resource(source, resource / name)


if __name__ == "__main__":
    main()
