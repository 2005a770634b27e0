#!/usr/bin/env python3
"""velthra.scr's application manifest (resources/velthra.manifest): well-formed
XML that declares per-monitor v2 DPI awareness with the older per-monitor
fallback, Common Controls 6, every Windows from Vista to 11, and asInvoker.

    manifest_test.py [MANIFEST]
"""
import os
import sys
import xml.etree.ElementTree as ET

ASM1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT = "{urn:schemas-microsoft-com:compatibility.v1}"
WS2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
WS2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"

SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  # Vista
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
}
COMMON_CONTROLS = {
    "type": "win32",
    "name": "Microsoft.Windows.Common-Controls",
    "version": "6.0.0.0",
    "processorArchitecture": "*",
    "publicKeyToken": "6595b64144ccf1df",
    "language": "*",
}


def check(root):
    """Returns the list of faults (empty when the manifest is right)."""
    faults = []

    def expect(what, got, want):
        if got != want:
            faults.append(f"{what}: {got!r}, expected {want!r}")

    expect("root", root.tag, ASM1 + "assembly")
    expect("manifestVersion", root.get("manifestVersion"), "1.0")

    settings = root.findall(f"{ASM3}application/{ASM3}windowsSettings")
    expect("windowsSettings blocks", len(settings), 1)
    if settings:
        aware = [e.text.strip() for e in settings[0].findall(WS2005 + "dpiAware")]
        expect("dpiAware", aware, ["true/pm"])
        awareness = [e.text for e in settings[0].findall(WS2016 + "dpiAwareness")]
        expect("dpiAwareness", [[v.strip() for v in a.split(",")] for a in awareness],
               [["PerMonitorV2", "PerMonitor"]])

    deps = [dict(e.attrib) for e in root.iterfind(
        f"{ASM1}dependency/{ASM1}dependentAssembly/{ASM1}assemblyIdentity")]
    expect("dependencies", deps, [COMMON_CONTROLS])

    os_ids = [e.get("Id") for e in root.iterfind(
        f"{COMPAT}compatibility/{COMPAT}application/{COMPAT}supportedOS")]
    expect("supportedOS", sorted(os_ids), sorted(SUPPORTED_OS))

    levels = [dict(e.attrib) for e in root.iterfind(
        f"{ASM3}trustInfo/{ASM3}security/{ASM3}requestedPrivileges/{ASM3}requestedExecutionLevel")]
    expect("requestedExecutionLevel", levels, [{"level": "asInvoker", "uiAccess": "false"}])
    return faults


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(__file__), "..", "..", "resources", "velthra.manifest")
    try:
        root = ET.parse(path).getroot()
    except ET.ParseError as error:
        print(f"{path}: not well-formed XML: {error}")
        return 1
    faults = check(root)
    for fault in faults:
        print(f"{path}: {fault}")
    print("manifest: " + ("FAILED" if faults else "ok"))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
