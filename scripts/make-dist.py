#!/usr/bin/env python3
"""Builds the release: the archive velthra-VERSION-win64.zip (velthra.scr, a
read-me in CRLF with the version filled in, and SHA256SUMS of both), the
installer velthra-VERSION-x64.msi (scripts/make-msi.py), SHA256SUMS of
those two beside them, and the installer's winget manifests in winget/
(scripts/make-winget.py; its download URL from WINGET_URL).

    make-dist.py --scr velthra.scr --version 1.0.0 --readme resources/release-readme.txt --out build/dist

Both are reproducible: the archive's entries are sorted, every entry has the
same permissions and the time of SOURCE_DATE_EPOCH (default: the time of the
last commit), so the same commit gives the same bytes.

With SIGN_PFX (a PKCS#12 file) in the environment, osslsigncode signs
velthra.scr before it goes into the archive and the installer, and then the
installer itself (Authenticode, SHA-256), with the password SIGN_PASSWORD and
a time stamp from SIGN_TIMESTAMP_URL where given. Signing stamps the time, so
signed output differs from run to run; without SIGN_PFX nothing is signed.
"""
import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
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
    files["SHA256SUMS"] = sums_text(files).encode("ascii")
    return files


def sums_text(files):
    """SHA256SUMS lines for {name: bytes}, sorted by name."""
    return "".join(f"{hashlib.sha256(data).hexdigest()}  {name}\n" for name, data in sorted(files.items()))


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


def sign(path, signed_path, pfx):
    """Authenticode-signs path into signed_path. The password goes through a
    file, so that it shows in no process list."""
    with tempfile.NamedTemporaryFile("w", suffix=".pw") as password:
        password.write(os.environ.get("SIGN_PASSWORD", ""))
        password.flush()
        command = ["osslsigncode", "sign", "-pkcs12", pfx, "-readpass", password.name,
                   "-h", "sha256", "-n", "Velthra"]
        if os.environ.get("SIGN_TIMESTAMP_URL"):
            command += ["-ts", os.environ["SIGN_TIMESTAMP_URL"]]
        result = subprocess.run(command + ["-in", path, "-out", signed_path], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"make-dist: signing {os.path.basename(path)} failed:\n{result.stdout}{result.stderr}")


def write_sums(path, files):
    contents = {}
    for name, file_path in files.items():
        with open(file_path, "rb") as f:
            contents[name] = f.read()
    with open(path + ".tmp", "w", encoding="ascii") as out:
        out.write(sums_text(contents))
    os.replace(path + ".tmp", path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scr", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--readme", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    source_dir = os.path.dirname(os.path.abspath(args.readme))
    epoch = source_date_epoch(source_dir)
    os.makedirs(args.out, exist_ok=True)
    zip_name = f"velthra-{args.version}-win64.zip"
    msi_name = f"velthra-{args.version}-x64.msi"
    pfx = os.environ.get("SIGN_PFX")
    with tempfile.TemporaryDirectory() as work:
        scr = args.scr
        if pfx:
            scr = os.path.join(work, "velthra.scr")
            sign(args.scr, scr, pfx)
        write_zip(os.path.join(args.out, zip_name), build_entries(scr, args.readme, args.version), epoch)
        msi = os.path.join(args.out, msi_name)
        make_msi = os.path.join(os.path.dirname(os.path.abspath(__file__)), "make-msi.py")
        if subprocess.run([sys.executable, make_msi, "--scr", scr, "--version", args.version,
                           "--out", msi, "--epoch", str(epoch)], stdout=subprocess.DEVNULL).returncode:
            return 1
        if pfx:
            sign(msi, os.path.join(work, msi_name), pfx)
            shutil.move(os.path.join(work, msi_name), msi)
    write_sums(os.path.join(args.out, "SHA256SUMS"),
               {name: os.path.join(args.out, name) for name in (zip_name, msi_name)})
    make_winget = os.path.join(os.path.dirname(os.path.abspath(__file__)), "make-winget.py")
    if subprocess.run([sys.executable, make_winget, "--msi", msi, "--out", os.path.join(args.out, "winget"),
                       "--url", os.environ.get("WINGET_URL", "")]).returncode:
        return 1
    print(os.path.join(args.out, zip_name))
    print(msi)
    return 0


if __name__ == "__main__":
    sys.exit(main())
