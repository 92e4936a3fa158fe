#!/usr/bin/env python3
"""Makes Voluscope's Windows packages from a built Windows tree.

usage: package.py --build DIR --out DIR

DIR is a Windows build folder (Voluscope.exe, VoluscopeShell.dll, readme.txt, tools/vscan.exe and
shellext-nsis.exe). Writes Voluscope-<version>-portable.zip and Voluscope-<version>-setup.exe (makensis)
into the output folder and prints their paths; the same files give the same bytes of both. The version,
publisher and copyright come from Voluscope.exe's version resource. shellext-nsis.exe runs under Wine
(the caller's WINEPREFIX) to give the installer the program's own registry entries.
"""
import argparse
import os
import struct
import subprocess
import sys
import tempfile
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# The files of both packages: name in the package -> path in the build folder.
PAYLOAD = {
    "Voluscope.exe": "Voluscope.exe",
    "VoluscopeShell.dll": "VoluscopeShell.dll",
    "readme.txt": "readme.txt",
    "vscan.exe": "tools/vscan.exe",
}


def version_resource(path):
    """The fixed file version ("1.4.1.108") and the string table of a PE file's version resource."""
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError(f"{path}: not a PE file")
    sections, opt_size = struct.unpack_from("<H12xH", data, pe + 6)
    opt = pe + 24
    dirs = opt + (112 if struct.unpack_from("<H", data, opt)[0] == 0x20B else 96)
    res_rva = struct.unpack_from("<I", data, dirs + 2 * 8)[0]
    table = [struct.unpack_from("<8xIIII", data, opt + opt_size + 40 * i) for i in range(sections)]

    def offset(rva):
        for vsize, vaddr, rsize, raw in table:
            if vaddr <= rva < vaddr + max(vsize, rsize):
                return raw + rva - vaddr
        raise ValueError(f"{path}: address {rva:#x} outside every section")

    base = offset(res_rva)

    def entry(directory, wanted=None):
        named, ids = struct.unpack_from("<12xHH", data, directory)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, directory + 16 + 8 * i)
            if wanted is None or name == wanted:
                return base + (target & 0x7FFFFFFF)
        raise ValueError(f"{path}: no version resource")

    leaf = entry(entry(entry(base, 16)))  # RT_VERSION, first name, first language
    rva, size = struct.unpack_from("<II", data, leaf)
    block = data[offset(rva):offset(rva) + size]

    def node(pos):
        length, value_len, kind = struct.unpack_from("<HHH", block, pos)
        end = block.index(b"\0\0", pos + 6)
        while (end - pos - 6) % 2:
            end = block.index(b"\0\0", end + 1)
        key = block[pos + 6:end].decode("utf-16-le")
        value_pos = (end + 2 + 3) & ~3
        value_size = value_len * 2 if kind == 1 else value_len
        value = block[value_pos:value_pos + value_size]
        children, child = [], (value_pos + value_size + 3) & ~3
        while child < pos + length:
            children.append(node(child))
            child = (child + children[-1][3] + 3) & ~3
        return key, value, children, length

    _, fixed, children, _ = node(0)
    signature, _, ms, ls = struct.unpack_from("<IIII", fixed)
    if signature != 0xFEEF04BD:
        raise ValueError(f"{path}: damaged version resource")
    strings = {}
    for key, _, tables, _ in children:
        if key == "StringFileInfo":
            for _, _, entries, _ in tables:
                for name, value, _, _ in entries:
                    strings[name] = value.decode("utf-16-le").rstrip("\0")
    return f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}", strings


def write_zip(path, files):
    """A zip of the same bytes for the same contents: sorted entries, a fixed time and fixed attributes."""
    partial = path + ".part"
    with zipfile.ZipFile(partial, "w") as z:
        for name in sorted(files):
            info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0  # MS-DOS attributes
            info.external_attr = 0x20  # archive
            with open(files[name], "rb") as f:
                z.writestr(info, f.read(), compresslevel=9)
    os.replace(partial, path)


def shellext_macros(build):
    """The installer's registry macros, printed by the program's own registration code."""
    tool = os.path.join(build, "shellext-nsis.exe")
    run = subprocess.run(["wine", tool], stdout=subprocess.PIPE, stderr=subprocess.PIPE, check=False)
    text = run.stdout.decode("ascii").replace("\r\n", "\n")
    if run.returncode != 0 or "!macro VsRegisterShellExt" not in text:
        sys.stderr.write(run.stderr.decode(errors="replace"))
        raise RuntimeError(f"{tool} did not print the registry macros (exit status {run.returncode})")
    return text


def payload_macros(files):
    """VsInstallFiles and VsDeleteFiles: the package's files, into and out of $INSTDIR."""
    install = "".join(f'    File "/oname={name}" "{path}"\n' for name, path in sorted(files.items()))
    delete = "".join(f'    Delete /REBOOTOK "$INSTDIR\\{name}"\n' for name in sorted(files))
    return f"!macro VsInstallFiles\n{install}!macroend\n!macro VsDeleteFiles\n{delete}!macroend\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    build, out = os.path.abspath(args.build), os.path.abspath(args.out)
    files = {name: os.path.join(build, rel) for name, rel in PAYLOAD.items()}
    missing = [p for p in files.values() if not os.path.isfile(p)]
    if missing:
        sys.exit("package: not built: " + ", ".join(missing))
    if any('"' in p or "$" in p for p in files.values()):
        sys.exit("package: the build folder's path may not hold \" or $")
    version, strings = version_resource(files["Voluscope.exe"])
    os.makedirs(out, exist_ok=True)

    portable = os.path.join(out, f"Voluscope-{version}-portable.zip")
    write_zip(portable, files)
    setup = os.path.join(out, f"Voluscope-{version}-setup.exe")
    with tempfile.TemporaryDirectory(dir=out) as work:
        macros = os.path.join(work, "Generated.nsh")
        with open(macros, "w") as f:
            f.write(payload_macros(files) + shellext_macros(build))
        defines = {
            "VS_VERSION": version,
            "VS_PUBLISHER": strings.get("CompanyName", ""),
            "VS_COPYRIGHT": strings.get("LegalCopyright", ""),
            "VS_MACROS": macros,
            "VS_ICON": os.path.join(ROOT, "res", "Voluscope.ico"),
            "VS_OUTFILE": setup,
        }
        command = ["makensis", "-V2", "-INPUTCHARSET", "UTF8"]
        command += [f"-D{k}={v}" for k, v in defines.items()]
        command.append(os.path.join(ROOT, "installer", "Voluscope.nsi"))
        subprocess.run(command, check=True, stdout=sys.stderr)  # its notes are not package paths
    print(portable)
    print(setup)


if __name__ == "__main__":
    main()
