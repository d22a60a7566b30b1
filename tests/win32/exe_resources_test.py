#!/usr/bin/env python3
"""What Windows reads from torven.exe before a line of the clock runs: its manifest
(Wine forgives a broken one; Windows refuses to start the program or runs it blurred)
and its version resource. Resources are read with wrestool (icoutils).

Usage: exe_resources_test.py TORVEN_EXE VERSION [OTHER_EXE...]
VERSION is the one `torven --version` prints; each OTHER_EXE must carry the same manifest.
The checks are also run on copies of a sound TORVEN_EXE whose manifest is broken, which
must fail.
"""
import os
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

RT_VERSION, RT_MANIFEST = 16, 24
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT = "{urn:schemas-microsoft-com:compatibility.v1}"
DPI_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
WINDOWS_10 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"


def resources(exe, kind):
    """The names of exe's resources of one type, and the first one's bytes."""
    listing = subprocess.run(["wrestool", "-l", f"--type={kind}", exe], capture_output=True,
                             text=True, check=True).stdout.splitlines()
    names = [line.split()[1].removeprefix("--name=") for line in listing]
    data = subprocess.run(["wrestool", "-x", "--raw", f"--type={kind}", exe],
                          capture_output=True, check=True).stdout if names else b""
    return names, data


def version_nodes(data, at=0):
    """A VS_VERSIONINFO node as (key, value, children, length): the version resource's tree."""
    length, value_length, is_text = struct.unpack_from("<3H", data, at)
    end = at + 6
    while data[end:end + 2] != b"\0\0":
        end += 2
    key = data[at + 6:end].decode("utf-16-le")
    value_at = (end + 2 + 3) & ~3
    size = value_length * 2 if is_text else value_length
    value = data[value_at:value_at + size]
    if is_text:
        value = value.decode("utf-16-le").split("\0")[0]
    children, child = [], (value_at + size + 3) & ~3
    while child < at + length:
        children.append(version_nodes(data, child))
        child = (child + children[-1][3] + 3) & ~3
    return key, value, children, length


def faults(exe, version):
    """What Windows would find wrong in exe, as sentences; none when it is sound."""
    found = []
    names, manifest = resources(exe, RT_MANIFEST)
    if names != ["1"]:
        return [f"manifest resources {names}, not exactly one, named 1"]
    try:
        root = ET.fromstring(manifest)
    except ET.ParseError as error:
        return [f"manifest is not well-formed XML: {error}"]
    identity = root.find(ASM_V1 + "assemblyIdentity")
    if root.tag != ASM_V1 + "assembly" or identity is None:
        return ["manifest is not an assembly with an identity"]
    if identity.get("version") != version + ".0":
        found.append(f"manifest version {identity.get('version')}, not {version}.0")
    controls = root.find(f"{ASM_V1}dependency/{ASM_V1}dependentAssembly/{ASM_V1}assemblyIdentity")
    if controls is None or (controls.get("name"), controls.get("version")) != (
            "Microsoft.Windows.Common-Controls", "6.0.0.0"):
        found.append("manifest does not ask for common controls 6.0.0.0")
    dpi = root.findtext(f"{ASM_V3}application/{ASM_V3}windowsSettings/{DPI_2016}dpiAwareness")
    # Windows takes the first value of the list that it knows.
    if dpi is None or dpi.split(",")[0].strip() != "PerMonitorV2":
        found.append(f"manifest dpiAwareness {dpi!r}, not PerMonitorV2")
    systems = [system.get("Id") for system in root.iterfind(
        f"{COMPAT}compatibility/{COMPAT}application/{COMPAT}supportedOS")]
    if WINDOWS_10 not in systems:
        found.append(f"manifest supportedOS {systems} lacks Windows 10/11 {WINDOWS_10}")

    names, data = resources(exe, RT_VERSION)
    if len(names) != 1:
        return found + [f"version resources {names}, not exactly one"]
    key, fixed, children, _ = version_nodes(data)
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
    dotted = lambda ms, ls: f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
    if key != "VS_VERSION_INFO" or signature != 0xFEEF04BD:
        return found + ["the version resource is not a VS_VERSION_INFO"]
    for name, value in (("FILEVERSION", dotted(file_ms, file_ls)),
                        ("PRODUCTVERSION", dotted(product_ms, product_ls))):
        if value != version + ".0":
            found.append(f"{name} {value}, not {version}.0")
    strings = {name: value for block, _, tables, _ in children if block == "StringFileInfo"
               for _, _, table, _ in tables for name, value, _, _ in table}
    for name in ("FileVersion", "ProductVersion"):
        if strings.get(name) != version:
            found.append(f"{name} {strings.get(name)!r}, not {version!r}")
    return found


def broken_copies(exe, folder):
    """Copies of exe with the manifest patched in place: (what, path, the fault expected)."""
    original = open(exe, "rb").read()
    for what, old, new, fault in (
            ("malformed", b"</dependency>", b"</dependencx>", "not well-formed"),
            ("without PerMonitorV2", b">PerMonitorV2<", b">PerMonitor  <", "not PerMonitorV2")):
        assert original.count(old) == 1, f"{old} not once in {exe}"
        path = os.path.join(folder, what.replace(" ", "_") + ".exe")
        with open(path, "wb") as copy:
            copy.write(original.replace(old, new))
        yield what, path, fault


def main():
    exe, version, others = sys.argv[1], sys.argv[2], sys.argv[3:]
    problems = [f"{exe}: {fault}" for fault in faults(exe, version)]
    for other in others:
        if resources(other, RT_MANIFEST)[1] != resources(exe, RT_MANIFEST)[1]:
            problems.append(f"{other}: not the manifest of {exe}")
    # On a sound torven.exe, the checks must find out a broken copy.
    with tempfile.TemporaryDirectory() as folder:
        for what, copy, fault in [] if problems else broken_copies(exe, folder):
            if not any(fault in found for found in faults(copy, version)):
                problems.append(f"a manifest {what} was not found out")
    for problem in problems:
        print("FAIL:", problem)
    if not problems:
        print(f"{exe}: one manifest, sound; version {version}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
