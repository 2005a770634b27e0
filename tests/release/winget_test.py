#!/usr/bin/env python3
"""The winget manifests of `make dist`, parsed with a YAML reader and checked
field by field against the installer beside them (msiinfo reads its
properties) and the README's silent install line. Run by dist_test.sh.

    winget_test.py DIST_DIR MSI [URL]   (no URL: the placeholder is expected)
"""
import hashlib
import os
import re
import subprocess
import sys

try:
    import yaml
except ImportError:  # a Python of its own (pyenv) does not see Debian's python3-yaml
    sys.path.append("/usr/lib/python3/dist-packages")
    import yaml

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
FILES = {"version": "Nimbrel.Velthra.yaml", "installer": "Nimbrel.Velthra.installer.yaml",
         "defaultLocale": "Nimbrel.Velthra.locale.en-US.yaml"}


def main():
    dist, msi = sys.argv[1], sys.argv[2]
    url = sys.argv[3] if len(sys.argv) > 3 else None
    out = subprocess.run(["msiinfo", "export", msi, "Property"], check=True, capture_output=True, text=True).stdout
    props = dict(line.rstrip("\r").split("\t", 1) for line in out.splitlines()[3:] if "\t" in line)
    with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as f:
        silent = re.search(r"^ +msiexec /i velthra-[0-9.]+-x64\.msi ([^#\n]*?) +#", f.read(), re.M).group(1)
    with open(msi, "rb") as f:
        sha256 = hashlib.sha256(f.read()).hexdigest().upper()
    folder = os.path.join(dist, "winget")
    texts = {kind: open(os.path.join(folder, name), encoding="utf-8").read() for kind, name in FILES.items()}
    docs = {kind: yaml.safe_load(text) for kind, text in texts.items()}
    inst, locale = docs["installer"], docs["defaultLocale"]
    entry = inst["Installers"][0]
    placeholder = "https://download.invalid/velthra/" + os.path.basename(msi)
    checks = [  # (what, found, expected)
        ("files", sorted(os.listdir(folder)), sorted(FILES.values())),
        ("one ManifestVersion", len({d["ManifestVersion"] for d in docs.values()}), 1),
        ("DefaultLocale", docs["version"]["DefaultLocale"], "en-US"),
        ("PackageLocale", locale["PackageLocale"], "en-US"),
        ("Publisher", locale["Publisher"], props["Manufacturer"]),
        ("PackageName", locale["PackageName"], props["ProductName"]),
        ("License and ShortDescription", bool(locale["License"] and locale["ShortDescription"]), True),
        ("InstallerType, Scope", (inst["InstallerType"], inst["Scope"]), ("wix", "machine")),
        ("ProductCode", inst["ProductCode"], props["ProductCode"]),
        ("Silent switches", inst["InstallerSwitches"]["Silent"], silent),
        ("README install line", silent, "/qn /norestart"),
        ("SilentWithProgress", inst["InstallerSwitches"]["SilentWithProgress"], "/passive /norestart"),
        ("Installers", [sorted(e) for e in inst["Installers"]],
         [["Architecture", "InstallerSha256", "InstallerUrl"]]),
        ("Architecture", entry["Architecture"], "x64"),
        ("InstallerSha256", entry["InstallerSha256"], sha256),
        ("InstallerUrl", entry["InstallerUrl"], url or placeholder),
        ("where the URL goes", "goes here: make dist WINGET_URL=" in texts["installer"], not url),
    ]
    for kind, doc in docs.items():
        checks += [
            (kind + " ManifestType", doc["ManifestType"], kind),
            (kind + " ManifestVersion at least 1.6.0", tuple(map(int, doc["ManifestVersion"].split("."))) >= (1, 6, 0),
             True),
            (kind + " schema line", texts[kind].splitlines()[0],
             f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.{doc['ManifestVersion']}.schema.json"),
            (kind + " PackageIdentifier", doc["PackageIdentifier"], "Nimbrel.Velthra"),
            (kind + " PackageVersion", doc["PackageVersion"], props["ProductVersion"]),
        ]
    failures = [f"{what}: {found!r}, expected {expected!r}" for what, found, expected in checks if found != expected]
    for failure in failures:
        print(f"winget_test: {failure}", file=sys.stderr)
    if not failures:
        print(f"winget_test: ok ({props['ProductVersion']}, {props['ProductCode']}, {entry['InstallerUrl']})")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
