#!/usr/bin/env python3
"""Writes the winget manifests of a release beside its installer: the
version, installer and default-locale files of a multi-file manifest
(schema 1.10.0) for the package Nimbrel.Velthra.

    make-winget.py --msi build/dist/velthra-1.0.0-x64.msi --out build/dist/winget [--url URL]

Version, ProductCode, publisher and name are read back from the built
installer (msiinfo), its SHA-256 from its bytes, so the manifest describes
exactly the file beside it. The download URL is known only where the file is
published: without --url the installer manifest holds a placeholder under
the reserved .invalid domain and a comment saying what goes there.
The files are written byte for byte the same from the same installer.
"""
import argparse
import hashlib
import os
import subprocess
import sys

PACKAGE = "Nimbrel.Velthra"
LOCALE = "en-US"
MANIFEST_VERSION = "1.10.0"
SCHEMA = "https://aka.ms/winget-manifest.{kind}.1.10.0.schema.json"
PLACEHOLDER_URL = "https://download.invalid/velthra/{name}"
# The silent lines of the README: no window, and never a restart by itself
# (a file in use is replaced at the next restart instead).
SILENT = "/qn /norestart"
SILENT_WITH_PROGRESS = "/passive /norestart"
LICENSE = "Proprietary"  # no licence file in the repository yet
SHORT_DESCRIPTION = "A 3-D screen saver: three scenes of a symbol made of three rings."


def msi_properties(msi):
    out = subprocess.run(["msiinfo", "export", msi, "Property"], check=True, capture_output=True,
                         text=True).stdout
    rows = (line.rstrip("\r").split("\t", 1) for line in out.splitlines()[3:])
    return {row[0]: row[1] for row in rows if len(row) == 2}


def quoted(text):
    """A YAML single-quoted scalar: nothing in it is read as syntax."""
    return "'" + text.replace("'", "''") + "'"


def header(kind):
    return f"# yaml-language-server: $schema={SCHEMA.format(kind=kind)}\n\n"


def identity(version):
    return f"PackageIdentifier: {PACKAGE}\nPackageVersion: {quoted(version)}\n"


def footer(kind):
    return f"ManifestType: {kind}\nManifestVersion: {MANIFEST_VERSION}\n"


def manifests(msi, url):
    props = msi_properties(msi)
    version = props["ProductVersion"]
    with open(msi, "rb") as f:
        sha256 = hashlib.sha256(f.read()).hexdigest().upper()
    url_line = f"    InstallerUrl: {quoted(url)}\n"
    if not url:
        url_line = (f"    # The download URL of {os.path.basename(msi)} goes here: make dist WINGET_URL=https://...\n"
                    f"    InstallerUrl: {quoted(PLACEHOLDER_URL.format(name=os.path.basename(msi)))}\n")
    return {
        f"{PACKAGE}.yaml": header("version") + identity(version) + f"DefaultLocale: {LOCALE}\n" + footer("version"),
        f"{PACKAGE}.installer.yaml": header("installer") + identity(version) +
        "InstallerType: wix\n"
        "Scope: machine\n"
        "InstallModes:\n- interactive\n- silent\n- silentWithProgress\n"
        "InstallerSwitches:\n"
        f"  Silent: {quoted(SILENT)}\n"
        f"  SilentWithProgress: {quoted(SILENT_WITH_PROGRESS)}\n"
        "UpgradeBehavior: install\n"
        f"ProductCode: {quoted(props['ProductCode'])}\n"
        "Installers:\n"
        "  - Architecture: x64\n" + url_line +
        f"    InstallerSha256: {sha256}\n" + footer("installer"),
        f"{PACKAGE}.locale.{LOCALE}.yaml": header("defaultLocale") + identity(version) +
        f"PackageLocale: {LOCALE}\n"
        f"Publisher: {quoted(props['Manufacturer'])}\n"
        f"PackageName: {quoted(props['ProductName'])}\n"
        f"License: {quoted(LICENSE)}\n"
        f"ShortDescription: {quoted(SHORT_DESCRIPTION)}\n" + footer("defaultLocale"),
    }


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--msi", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--url", default="")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    for name, text in manifests(args.msi, args.url).items():
        path = os.path.join(args.out, name)
        with open(path + ".tmp", "w", encoding="utf-8", newline="\n") as f:
            f.write(text)
        os.replace(path + ".tmp", path)
    if not args.url:
        print(f"make-winget: no WINGET_URL given; {os.path.join(args.out, PACKAGE + '.installer.yaml')} "
              "says where the installer's download URL goes", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
