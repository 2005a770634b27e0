#!/usr/bin/env python3
"""Builds velthra-VERSION-x64.msi from resources/velthra.wxs with wixl
(Debian package wixl) and makes it reproducible.

    make-msi.py --scr velthra.scr --version 1.0.0 --icon resources/app.ico --out build/dist/x.msi --epoch N

wixl 0.101 picks a random package code, writes the current time into the
summary information and the file's time into the cabinet. Here the file goes
in with the time of EPOCH (make-dist.py passes SOURCE_DATE_EPOCH or the last commit's),
msibuild (msitools) sets the package code, and the summary information's two
times are rewritten in place. Product and package codes are name-based UUIDs
of the version, so the same version always gives the same codes.

msibuild also sets the file's Language (0, neutral; wixl leaves it empty
beside a Version, which ICE60 reports) and moves RemoveExistingProducts to just after InstallValidate (wixl
puts it after InstallFinalize): an upgrade removes the old version before it
installs the new one, whatever the file versions say.
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import uuid

try:
    import olefile
except ImportError:  # a Python of its own (pyenv) does not see Debian's python3-olefile
    sys.path.append("/usr/lib/python3/dist-packages")
    import olefile

HERE = os.path.dirname(os.path.abspath(__file__))
WXS = os.path.join(HERE, "..", "resources", "velthra.wxs")
# Never change: the namespace of the name-based product and package codes.
CODE_NAMESPACE = uuid.UUID("0b6f3a8e-4c1d-5e27-a9f0-7d2c1b845e63")

SUMMARY_STREAM = "\x05SummaryInformation"
PID_REVNUMBER, PID_CREATE_DTM, PID_LASTSAVE_DTM = 9, 12, 13
VT_FILETIME = 64
FILETIME_UNIX_EPOCH = 116444736000000000  # 1970-01-01 in 100 ns since 1601


def product_code(version):
    return str(uuid.uuid5(CODE_NAMESPACE, f"Velthra {version} product")).upper()


def package_code(version):
    return str(uuid.uuid5(CODE_NAMESPACE, f"Velthra {version} package")).upper()


def run(*command, env=None, cwd=None):
    result = subprocess.run(command, capture_output=True, text=True, env=env, cwd=cwd)
    if result.returncode != 0:
        sys.exit(f"make-msi: {command[0]} failed:\n{result.stdout}{result.stderr}")


def set_summary_times(summary, epoch):
    """The summary information with both times set to epoch. A property set
    stream: a header, one section, and (id, offset) pairs naming the values."""
    data = bytearray(summary)
    (section,) = struct.unpack_from("<I", data, 44)
    _, count = struct.unpack_from("<II", data, section)
    stamp = FILETIME_UNIX_EPOCH + epoch * 10_000_000
    found = 0
    for i in range(count):
        pid, offset = struct.unpack_from("<II", data, section + 8 + 8 * i)
        if pid in (PID_CREATE_DTM, PID_LASTSAVE_DTM):
            vt, = struct.unpack_from("<I", data, section + offset)
            if vt != VT_FILETIME:
                sys.exit(f"make-msi: summary property {pid} is not a time")
            struct.pack_into("<Q", data, section + offset + 4, stamp)
            found += 1
    if found != 2:
        sys.exit("make-msi: the summary information lacks its times")
    return bytes(data)


def build(scr, icon, version, out, epoch):
    env = dict(os.environ, TZ="UTC", SOURCE_DATE_EPOCH=str(epoch))
    with tempfile.TemporaryDirectory() as stage:
        # The cabinet keeps the file's time: a copy with the pinned one.
        # wixl takes source files by names relative to where it runs.
        shutil.copyfile(scr, os.path.join(stage, "velthra.scr"))
        shutil.copyfile(icon, os.path.join(stage, "velthra.ico"))
        os.utime(os.path.join(stage, "velthra.scr"), (epoch, epoch))
        msi = os.path.join(stage, "velthra.msi")
        run("wixl", "--arch", "x64", "-D", f"Version={version}", "-D", f"ProductCode={product_code(version)}",
            "-D", "Saver=velthra.scr", "-D", "Icon=velthra.ico", "-o", msi, os.path.abspath(WXS), env=env, cwd=stage)
        run("msibuild", msi,
            "-q", "UPDATE InstallExecuteSequence SET Sequence = 1401 WHERE Action = 'RemoveExistingProducts'",
            "-q", f"UPDATE File SET Version = '{version}.0', Language = '0' WHERE File = 'velthra.scr'",
            "-q", "DELETE FROM MsiFileHash WHERE File_ = 'velthra.scr'",  # for unversioned files only
            "-s", "Velthra screen saver", "Nimbrel", "x64;1033", "{" + package_code(version) + "}", env=env)
        ole = olefile.OleFileIO(msi, write_mode=True)
        ole.write_stream(SUMMARY_STREAM, set_summary_times(ole.openstream(SUMMARY_STREAM).read(), epoch))
        ole.close()
        tmp = out + ".tmp"
        shutil.copyfile(msi, tmp)
        os.replace(tmp, out)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scr", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--icon", default=os.path.join(HERE, "..", "resources", "app.ico"))
    parser.add_argument("--out", required=True)
    parser.add_argument("--epoch", type=int, required=True)
    args = parser.parse_args()
    build(args.scr, args.icon, args.version, args.out, args.epoch)
    print(args.out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
