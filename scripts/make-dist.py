#!/usr/bin/env python3
"""Builds the release archive velthra-VERSION-win64.zip: velthra.scr, a
read-me (CRLF, the version filled in) and SHA256SUMS of both.

    make-dist.py --scr velthra.scr --version 1.0.0 --readme resources/release-readme.txt --out build/dist

The archive is reproducible: its entries are sorted, every entry has the same
permissions and the time of SOURCE_DATE_EPOCH (default: the time of the last
commit), so the same commit gives the same bytes.
"""
import argparse
import hashlib
import os
import subprocess
import sys
import time
import zipfile

ZIP_EPOCH_MIN = 315532800  # 1980-01-01, the earliest time a zip entry can hold


def source_date_epoch(source_dir):
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    out = subprocess.run(["git", "-C", source_dir, "log", "-1", "--format=%ct"],
                         check=True, capture_output=True, text=True).stdout
    return int(out.strip())


def build_entries(scr_path, readme_path, version):
    with open(scr_path, "rb") as f:
        scr = f.read()
    with open(readme_path, encoding="utf-8") as f:
        readme = f.read().replace("@VERSION@", version)
    readme = readme.replace("\r\n", "\n").replace("\n", "\r\n").encode("utf-8")
    files = {"velthra.scr": scr, "README.txt": readme}
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in sorted(files.items()))
    files["SHA256SUMS"] = sums.encode("ascii")
    return files


def write_zip(path, files, epoch):
    stamp = time.gmtime(max(epoch, ZIP_EPOCH_MIN))[:6]
    tmp = path + ".tmp"
    with zipfile.ZipFile(tmp, "w") as archive:
        for name in sorted(files):
            info = zipfile.ZipInfo(name, date_time=stamp)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3                  # Unix, so that the mode below counts
            info.external_attr = 0o100644 << 16     # regular file, rw-r--r--
            archive.writestr(info, files[name], compresslevel=9)
    os.replace(tmp, path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scr", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--readme", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    source_dir = os.path.dirname(os.path.abspath(args.readme))
    files = build_entries(args.scr, args.readme, args.version)
    os.makedirs(args.out, exist_ok=True)
    path = os.path.join(args.out, f"velthra-{args.version}-win64.zip")
    write_zip(path, files, source_date_epoch(source_dir))
    print(path)
    return 0


if __name__ == "__main__":
    sys.exit(main())
