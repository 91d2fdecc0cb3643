#!/usr/bin/env python3
"""The release's own files, written so that the same inputs always give
the same bytes: no dates but the release's (SOURCE_DATE_EPOCH), no owners,
members in a fixed order.

  release_files.py gzip SOURCE OUTPUT
      SOURCE compressed at the highest level, without name or date.
  release_files.py zip --output ZIP --folder NAME --epoch SECONDS FILE...
      The Windows archive: the files in one folder, in the order given,
      text files (.txt) with Windows line ends, and SHA256SUMS.txt with the
      SHA-256 sum of each program (.exe).
  release_files.py tar --output TAR_GZ --epoch SECONDS --root DIR NAME
      DIR/NAME and all below it, in name order, owned by root, dated as the
      release, modes 755 (folders, programs) or 644.
  release_files.py sums --output FILE FILE...
      The SHA-256 sums of the files that exist, as sha256sum writes them."""
import argparse
import gzip
import hashlib
import os
import sys
import tarfile
import time
import zipfile

sys.dont_write_bytecode = True  # no byte code written into the source tree


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def write_gzip(options):
    with open(options.source, "rb") as source:
        data = source.read()
    with open(options.output, "wb") as output:
        # No file name in the header, and a zero date.
        with gzip.GzipFile(filename="", mode="wb", fileobj=output, compresslevel=9, mtime=0) as compressed:
            compressed.write(data)


def write_zip(options):
    # A zip member's date is a local date without a zone: the release's, in UTC.
    date = time.gmtime(max(options.epoch, 315532800))[:6]  # zip dates begin in 1980
    members = []
    sums = ""
    for path in options.files:
        with open(path, "rb") as member:
            data = member.read()
        name = os.path.basename(path)
        if name.endswith(".txt"):
            data = data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")
        if name.endswith(".exe"):
            sums += "%s *%s\n" % (sha256(data), name)
        members.append((name, data))
    members.append(("SHA256SUMS.txt", sums.encode("ascii")))
    partial = options.output + ".part"
    with zipfile.ZipFile(partial, "w", compression=zipfile.ZIP_DEFLATED, compresslevel=9) as archive:
        for name, data in members:
            info = zipfile.ZipInfo(options.folder + "/" + name, date_time=date)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS: no Unix owner or mode bits
            info.external_attr = 0x20  # the archive attribute, as Windows sets it
            archive.writestr(info, data)
    os.replace(partial, options.output)


def write_tar(options):
    def member(path):
        info = tarfile.TarInfo(os.path.relpath(path, options.root))
        info.mtime = options.epoch
        info.uid = info.gid = 0
        info.uname = info.gname = "root"
        if os.path.islink(path):
            info.type = tarfile.SYMTYPE
            info.linkname = os.readlink(path)
            info.mode = 0o777
            return info, None
        if os.path.isdir(path):
            info.type = tarfile.DIRTYPE
            info.mode = 0o755
            return info, None
        info.mode = 0o755 if os.access(path, os.X_OK) else 0o644
        info.size = os.path.getsize(path)
        return info, path

    paths = []
    for folder, folders, files in os.walk(os.path.join(options.root, options.name)):
        folders.sort()
        paths.append(folder)
        paths.extend(os.path.join(folder, name) for name in sorted(files))
    partial = options.output + ".part"
    with open(partial, "wb") as output:
        with gzip.GzipFile(filename="", mode="wb", fileobj=output, compresslevel=9, mtime=0) as compressed:
            with tarfile.open(fileobj=compressed, mode="w", format=tarfile.GNU_FORMAT) as archive:
                for path in paths:
                    info, source = member(path)
                    if source is None:
                        archive.addfile(info)
                    else:
                        with open(source, "rb") as data:
                            archive.addfile(info, data)
    os.replace(partial, options.output)


def write_sums(options):
    lines = ""
    for path in options.files:
        if os.path.isfile(path):
            with open(path, "rb") as member:
                lines += "%s  %s\n" % (sha256(member.read()), os.path.basename(path))
    with open(options.output, "w") as output:
        output.write(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    command = commands.add_parser("gzip")
    command.add_argument("source")
    command.add_argument("output")
    command.set_defaults(run=write_gzip)
    command = commands.add_parser("zip")
    command.add_argument("--output", required=True)
    command.add_argument("--folder", required=True)
    command.add_argument("--epoch", type=int, required=True)
    command.add_argument("files", nargs="+")
    command.set_defaults(run=write_zip)
    command = commands.add_parser("tar")
    command.add_argument("--output", required=True)
    command.add_argument("--epoch", type=int, required=True)
    command.add_argument("--root", required=True)
    command.add_argument("name")
    command.set_defaults(run=write_tar)
    command = commands.add_parser("sums")
    command.add_argument("--output", required=True)
    command.add_argument("files", nargs="+")
    command.set_defaults(run=write_sums)
    options = parser.parse_args()
    options.run(options)
    return 0


if __name__ == "__main__":
    sys.exit(main())
