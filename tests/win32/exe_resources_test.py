#!/usr/bin/env python3
"""What Windows reads from torven.exe before a line of the clock runs, read with wrestool
(icoutils): its one manifest (Wine forgives a broken one; Windows refuses the program or
runs it blurred) and its version resource.

Usage: exe_resources_test.py TORVEN_EXE VERSION [OTHER_EXE...]
VERSION is the one `torven --version` prints; each OTHER_EXE must carry the same manifest."""
import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

NS = {"a": "urn:schemas-microsoft-com:asm.v1", "b": "urn:schemas-microsoft-com:asm.v3",
      "c": "urn:schemas-microsoft-com:compatibility.v1",
      "d": "http://schemas.microsoft.com/SMI/2016/WindowsSettings"}


def resource(exe, kind):
    """How many resources of the type exe holds, and the first one's bytes."""
    run = lambda *args: subprocess.run(["wrestool", *args, f"--type={kind}", exe],
                                       capture_output=True, check=True).stdout
    return len(run("-l").splitlines()), run("-x", "--raw")


def faults(exe, version):
    count, manifest = resource(exe, 24)
    if count != 1:
        return [f"{count} manifests, not one"]
    try:
        root = ET.fromstring(manifest)
    except ET.ParseError as error:
        return [f"the manifest is not well-formed XML: {error}"]
    found = lambda path: root.find(path, NS)
    dpi = root.findtext("b:application/b:windowsSettings/d:dpiAwareness", "", NS)
    systems = [s.get("Id") for s in root.iterfind("c:compatibility/c:application/c:supportedOS", NS)]
    _, data = resource(exe, 16)
    fixed = data.find(struct.pack("<I", 0xFEEF04BD))  # VS_FIXEDFILEINFO
    ms, ls, product_ms, product_ls = struct.unpack_from("<4I", data, fixed + 8)
    dotted = lambda ms, ls: f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
    text = lambda key: re.search(key.encode("utf-16-le") + rb"\0\0(?:\0\0)?((?:[^\0]\0)*)\0\0",
                                 data)
    checks = {  # what Windows reads: what it must be
        "manifest version": (found("a:assemblyIdentity").get("version"), version + ".0"),
        "common controls": (found("a:dependency/a:dependentAssembly/a:assemblyIdentity")
                            .get("version"), "6.0.0.0"),
        "dpiAwareness": (dpi.split(",")[0].strip(), "PerMonitorV2"),  # the first one it knows
        "Windows 10/11": ("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}" in systems, True),
        "FILEVERSION": (dotted(ms, ls), version + ".0"),
        "PRODUCTVERSION": (dotted(product_ms, product_ls), version + ".0"),
        "FileVersion": (text("FileVersion") and text("FileVersion")[1].decode("utf-16-le"), version),
        "ProductVersion": (text("ProductVersion") and text("ProductVersion")[1].decode("utf-16-le"),
                           version),
    }
    return [f"{name} {got!r}, not {want!r}" for name, (got, want) in checks.items() if got != want]


exe, version, others = sys.argv[1], sys.argv[2], sys.argv[3:]
problems = faults(exe, version) + [f"{other}: not the manifest of {exe}" for other in others
                                   if resource(other, 24)[1] != resource(exe, 24)[1]]
for problem in problems:
    print("FAIL:", problem)
if not problems:
    print(f"{exe}: one sound manifest, version {version}")
sys.exit(1 if problems else 0)
