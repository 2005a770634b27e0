#!/usr/bin/env python3
"""The winget manifests of `make dist`, parsed with a YAML reader and checked
against the installer beside them (msiinfo reads its properties) and the
README's silent lines. Run by tests/release/dist_test.sh.

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
IDENTIFIER_RE = r"^[^.\s\\/:*?\"<>|\x01-\x1f]{1,32}(\.[^.\s\\/:*?\"<>|\x01-\x1f]{1,32}){1,7}$"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def msi_properties(msi):
    out = subprocess.run(["msiinfo", "export", msi, "Property"], check=True, capture_output=True, text=True).stdout
    return dict(line.rstrip("\r").split("\t", 1) for line in out.splitlines()[3:] if "\t" in line)


def readme_switches(verb):
    """The switches of the README's silent `msiexec VERB velthra-...msi` line."""
    with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as f:
        match = re.search(r"^\s+msiexec " + verb + r" velthra-[0-9.]+-x64\.msi ([^#\n]*?)\s+#", f.read(), re.M)
    return match.group(1) if match else None


def main():
    dist, msi = sys.argv[1], sys.argv[2]
    url = sys.argv[3] if len(sys.argv) > 3 else None
    props = msi_properties(msi)
    folder = os.path.join(dist, "winget")
    names = {"version": "Nimbrel.Velthra.yaml", "installer": "Nimbrel.Velthra.installer.yaml",
             "defaultLocale": "Nimbrel.Velthra.locale.en-US.yaml"}
    check(sorted(os.listdir(folder)) == sorted(names.values()), f"files: {sorted(os.listdir(folder))}")
    texts = {kind: open(os.path.join(folder, name), encoding="utf-8").read() for kind, name in names.items()}
    docs = {kind: yaml.safe_load(text) for kind, text in texts.items()}

    for kind, doc in docs.items():
        check(doc["ManifestType"] == kind, f"{kind}: ManifestType {doc['ManifestType']}")
        version = tuple(int(n) for n in doc["ManifestVersion"].split("."))
        check(version >= (1, 6, 0) and len(version) == 3, f"{kind}: ManifestVersion {doc['ManifestVersion']}")
        check(f"winget-manifest.{kind}.{doc['ManifestVersion']}.schema.json" in texts[kind].splitlines()[0],
              f"{kind}: schema line")
        check(doc["PackageIdentifier"] == "Nimbrel.Velthra" and re.match(IDENTIFIER_RE, doc["PackageIdentifier"]),
              f"{kind}: PackageIdentifier {doc['PackageIdentifier']}")
        check(doc["PackageVersion"] == props["ProductVersion"], f"{kind}: PackageVersion {doc['PackageVersion']}")
    check(len({doc["ManifestVersion"] for doc in docs.values()}) == 1, "the files differ in ManifestVersion")

    locale = docs["defaultLocale"]
    check(docs["version"]["DefaultLocale"] == locale["PackageLocale"] == "en-US", "DefaultLocale/PackageLocale")
    check(locale["Publisher"] == props["Manufacturer"], f"Publisher {locale['Publisher']}")
    check(locale["PackageName"] == props["ProductName"], f"PackageName {locale['PackageName']}")
    check(bool(locale["License"]) and bool(locale["ShortDescription"]), "License and ShortDescription required")

    inst = docs["installer"]
    check(inst["InstallerType"] == "wix" and inst["Scope"] == "machine", "InstallerType wix, Scope machine")
    check(inst["ProductCode"] == props["ProductCode"], f"ProductCode {inst['ProductCode']} vs {props['ProductCode']}")
    switches = inst["InstallerSwitches"]
    check(switches["Silent"] == readme_switches("/i") == "/qn /norestart", f"Silent {switches['Silent']}")
    check("/norestart" in switches["SilentWithProgress"], f"SilentWithProgress {switches['SilentWithProgress']}")
    check(len(inst["Installers"]) == 1, "one installer")
    entry = inst["Installers"][0]
    check(entry["Architecture"] == "x64", f"Architecture {entry['Architecture']}")
    with open(msi, "rb") as f:
        check(entry["InstallerSha256"] == hashlib.sha256(f.read()).hexdigest().upper(), "InstallerSha256")
    check(re.match(r"^https?://.+$", entry["InstallerUrl"]) is not None, f"InstallerUrl {entry['InstallerUrl']}")
    if url:
        check(entry["InstallerUrl"] == url and "WINGET_URL" not in texts["installer"], "the given URL")
    else:
        check(entry["InstallerUrl"].startswith("https://download.invalid/") and
              "# The download URL of " + os.path.basename(msi) + " goes here: make dist WINGET_URL=" in
              texts["installer"], "the placeholder and where the URL goes")

    for failure in failures:
        print(f"winget_test: {failure}", file=sys.stderr)
    if not failures:
        print(f"winget_test: ok ({props['ProductVersion']}, {props['ProductCode']}, url {entry['InstallerUrl']})")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
