#!/usr/bin/env python3
"""The Windows packages as a user meets them, under Wine in a prefix of their own.

usage: package_test.py --build WINBUILD --version VERSION --results XML

Makes both packages from the Windows build, then: runs the portable zip from a folder of its own; installs
silently for the current user, runs the installed program's /csv report, installs again over it, and
uninstalls through the uninstall entry's QuietUninstallString; the same for all users and for a folder
given with /D=. After each step it reads the prefix's registry files (user.reg is HKEY_CURRENT_USER,
system.reg HKEY_LOCAL_MACHINE) and its folders. Each check is one test case in GoogleTest-style XML.
"""
import argparse
import getpass
import os
import re
import shutil
import subprocess
import sys
import time
import traceback
import xml.etree.ElementTree as ET
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CLSID = "{6C1E4F2A-9D37-4B58-A0E1-3F7C82D5B914}"
UNINSTALL = r"software\microsoft\windows\currentversion\uninstall\voluscope"
FILES = ["Voluscope.exe", "VoluscopeShell.dll", "readme.txt", "vscan.exe"]


def extension_keys(folder):
    """The context-menu extension's keys below Software\\Classes, as the program's register command writes them."""
    classes = r"software\classes"
    return {
        "ClassKey": (rf"{classes}\clsid\{CLSID}".lower(), {"@": "Voluscope Context Menu Shell Extension"}),
        "ServerKey": (rf"{classes}\clsid\{CLSID}\inprocserver32".lower(),
                      {"@": folder + r"\VoluscopeShell.dll", "threadingmodel": "Apartment"}),
        "HandlerKey": (rf"{classes}\folder\shellex\contextmenuhandlers\{CLSID}".lower(), {}),
    }


def hive(path):
    """A Wine registry file as {lower-case key: {lower-case value name or "@": str or int}}."""
    keys, current = {}, None
    unescape = lambda s: re.sub(r"\\(.)", r"\1", s)
    for line in open(path, encoding="utf-8", errors="replace"):
        line = line.rstrip("\n")
        if line.startswith("["):
            current = keys.setdefault(unescape(line[1:line.rindex("]")]).lower(), {})
            continue
        m = re.match(r'^(@|"((?:[^"\\]|\\.)*)")=(.*)$', line)
        if current is None or not m:
            continue
        name, data = ("@" if m.group(1) == "@" else unescape(m.group(2)).lower()), m.group(3)
        if data.startswith('"'):
            current[name] = unescape(data[1:-1])
        elif data.startswith("dword:"):
            current[name] = int(data[6:], 16)
        else:
            current[name] = data
    return keys


class TSession:
    def __init__(self, args):
        self.build, self.version = os.path.abspath(args.build), args.version
        self.work = os.path.join(self.build, "package-test")
        self.prefix = os.path.join(self.work, "prefix")
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEARCH="win64", WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        self.suites, self.suite = {}, None
        self.user = getpass.getuser()
        self.local = rf"C:\users\{self.user}\AppData\Local\Programs\Voluscope"

    def check(self, name, ok, detail=""):
        self.suites.setdefault(self.suite, []).append((name, bool(ok), "" if ok else detail))

    def wine(self, *args, wait=True):
        run = subprocess.run(["wine", *args], env=self.env, capture_output=True, timeout=180)
        if wait:  # until the prefix's server ends: every process is done and the registry is saved
            subprocess.run(["wineserver", "-w"], env=self.env, timeout=60)
        return run

    def unix(self, windows_path):
        path = windows_path.replace("\\", "/")
        return os.path.join(self.prefix, "drive_c", path[3:]) if path[:2].upper() == "C:" else path[2:]

    def registry(self):
        return hive(os.path.join(self.prefix, "user.reg")), hive(os.path.join(self.prefix, "system.reg"))

    def shortcut(self, all_users):
        base = "ProgramData" if all_users else rf"users\{self.user}\AppData\Roaming"
        return self.unix(rf"C:\{base}\Microsoft\Windows\Start Menu\Programs\Voluscope.lnk")

    def csv_report(self, exe, name):
        tree = os.path.join(self.work, "tree")
        os.makedirs(tree, exist_ok=True)
        open(os.path.join(tree, "report probe.txt"), "w").write("12345")
        report = os.path.join(self.work, name)
        run = self.wine(exe, "/csv", "Z:" + report.replace("/", "\\"), "Z:" + tree.replace("/", "\\"))
        text = open(report, encoding="latin-1").read() if os.path.exists(report) else ""
        self.check(f"{name}Written", run.returncode == 0 and "report probe.txt" in text,
                   f"exit {run.returncode}, {run.stderr.decode(errors='replace')[-300:]}, report: {text[:200]!r}")

    def installed(self, folder, all_users, label):
        """Checks one installation in its scope: files, shortcut, extension keys and the uninstall entry."""
        own, other = self.registry()[::-1] if all_users else self.registry()
        present = [f for f in FILES + ["Uninstall.exe"] if os.path.isfile(os.path.join(self.unix(folder), f))]
        self.check(f"{label}Files", present == FILES + ["Uninstall.exe"], f"in {folder}: {present}")
        lnk = self.shortcut(all_users)
        self.check(f"{label}Shortcut", os.path.isfile(lnk) and b"Voluscope.exe" in open(lnk, "rb").read(), lnk)
        keys = extension_keys(folder)
        for name, (key, values) in keys.items():
            self.check(label + name, own.get(key) == values, f"{key}: {own.get(key)} != {values}")
        self.check(f"{label}NoKeyInOtherScope", not any(key in other for key, _ in keys.values()))
        entry = own.get(UNINSTALL, {})
        expected = {"displayname": "Voluscope", "displayversion": self.version, "publisher": "Voluscope Software",
                    "installlocation": folder, "uninstallstring": f'"{folder}\\Uninstall.exe"',
                    "quietuninstallstring": f'"{folder}\\Uninstall.exe" /S',
                    "displayicon": folder + r"\Voluscope.exe,0"}
        self.check(f"{label}UninstallEntry", {k: entry.get(k) for k in expected} == expected, f"{entry}")
        size = sum(os.path.getsize(os.path.join(self.unix(folder), f)) for f in os.listdir(self.unix(folder)))
        self.check(f"{label}EstimatedSize", abs(entry.get("estimatedsize", 0) - size // 1024) <= 8,
                   f"{entry.get('estimatedsize')} KB for {size} bytes")
        return entry.get("quietuninstallstring", "")

    def uninstall(self, quiet, folder, all_users, label, kept):
        m = re.match(r'^"([^"]+)"\s*(.*)$', quiet)
        run = self.wine(m.group(1), *m.group(2).split()) if m else None
        self.check(f"{label}ExitStatus", run is not None and run.returncode == 0, quiet)
        left = sorted(os.listdir(self.unix(folder))) if os.path.isdir(self.unix(folder)) else []
        self.check(f"{label}{'KeepsOnlySettings' if kept else 'LeavesNoFile'}", left == kept, f"{left}")
        self.check(f"{label}RemovesShortcut", not os.path.exists(self.shortcut(all_users)))
        for scope, keys in zip(("HKCU", "HKLM"), self.registry()):
            stale = [k for k, _ in extension_keys(folder).values() if k in keys] + [UNINSTALL] * (UNINSTALL in keys)
            self.check(f"{label}RemovesKeys{scope}", not stale, f"{stale}")


def run_tests(s):
    shutil.rmtree(s.work, ignore_errors=True)
    os.makedirs(s.work)
    subprocess.run(["wineboot", "-i"], env=s.env, capture_output=True, timeout=300)
    subprocess.run(["wineserver", "-w"], env=s.env, timeout=60)

    s.suite = "Files"
    out = os.path.join(s.work, "out")
    made = subprocess.run([sys.executable, os.path.join(ROOT, "scripts", "package.py"), "--build", s.build,
                           "--out", out], env=s.env, capture_output=True, timeout=300)
    setup = os.path.join(out, f"Voluscope-{s.version}-setup.exe")
    portable = os.path.join(out, f"Voluscope-{s.version}-portable.zip")
    s.check("BothFilesNamedByTheProjectVersion", os.path.isfile(setup) and os.path.isfile(portable),
            made.stderr.decode(errors="replace")[-600:] + f" {os.listdir(out) if os.path.isdir(out) else ''}")
    with zipfile.ZipFile(portable) as z:
        s.check("ZipHoldsTheProgramFiles", z.namelist() == sorted(FILES), f"{z.namelist()}")
    # The same files with other times and modes, in another folder, packed again: the same bytes.
    again = os.path.join(s.work, "again")
    for rel in ["Voluscope.exe", "VoluscopeShell.dll", "readme.txt", "tools/vscan.exe", "shellext-nsis.exe"]:
        os.makedirs(os.path.dirname(os.path.join(again, rel)), exist_ok=True)
        shutil.copyfile(os.path.join(s.build, rel), os.path.join(again, rel))
        os.utime(os.path.join(again, rel), (time.time() - 86400 * 400, time.time() - 86400 * 400))
        os.chmod(os.path.join(again, rel), 0o700)
    subprocess.run([sys.executable, os.path.join(ROOT, "scripts", "package.py"), "--build", again, "--out",
                    os.path.join(again, "out")], env=s.env, capture_output=True, timeout=300)
    for name, made in (("ZipIsReproducible", portable), ("InstallerIsReproducible", setup)):
        copy = os.path.join(again, "out", os.path.basename(made))
        s.check(name, os.path.isfile(copy) and open(copy, "rb").read() == open(made, "rb").read())

    s.suite = "Portable"
    folder = os.path.join(s.work, "any folder", "Voluscope")
    with zipfile.ZipFile(portable) as z:
        z.extractall(folder)
    s.csv_report("Z:" + os.path.join(folder, "Voluscope.exe").replace("/", "\\"), "PortableCsv")
    hkcu, hklm = s.registry()
    s.check("NothingRegistered", not any(CLSID.lower() in k or k == UNINSTALL for k in list(hkcu) + list(hklm)))

    s.suite = "PerUser"
    run = s.wine(setup, "/S")
    s.check("SilentInstallExitStatus", run.returncode == 0, f"exit {run.returncode}")
    quiet = s.installed(s.local, False, "")
    s.csv_report(s.local + r"\Voluscope.exe", "InstalledCsv")
    html = os.path.join(s.work, "vscan.html")
    s.wine(s.local + r"\vscan.exe", "--html", "Z:" + html.replace("/", "\\"), "Z:" + s.work.replace("/", "\\"))
    page = open(html, encoding="latin-1").read() if os.path.exists(html) else ""
    s.check("VscanCarriesTheSameVersion", f"Voluscope v{s.version}<" in page, page[-200:])
    ini = os.path.join(s.unix(s.local), "voluscope.ini")
    open(ini, "w", newline="").write("[filters]\r\n0=*.changed\r\n")
    run = s.wine(setup, "/S")
    s.check("InstallOverExitStatus", run.returncode == 0, f"exit {run.returncode}")
    s.check("InstallOverKeepsChangedSettings", open(ini).read() == "[filters]\n0=*.changed\n")
    s.installed(s.local, False, "Over")
    s.uninstall(quiet, s.local, False, "Uninstall", ["voluscope.ini"])

    s.suite = "AllUsers"
    machine = r"C:\Program Files\Voluscope"
    run = s.wine(setup, "/S", "/ALLUSERS")
    s.check("SilentInstallExitStatus", run.returncode == 0, f"exit {run.returncode}")
    s.uninstall(s.installed(machine, True, ""), machine, True, "Uninstall", [])

    s.suite = "ChosenFolder"
    chosen = r"C:\Tools\My Voluscope"
    # As typed at a prompt: /D= last and unquoted, blanks and all (wine quotes no argument without a blank).
    run = s.wine(setup, "/S", *("/D=" + chosen).split(" "))
    s.check("SilentInstallExitStatus", run.returncode == 0, f"exit {run.returncode}")
    s.uninstall(s.installed(chosen, False, ""), chosen, False, "Uninstall", [])


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--results", required=True)
    args = parser.parse_args()
    s = TSession(args)
    try:
        run_tests(s)
    except Exception:  # a step that could not run fails in its suite; the checks after it are not reached
        s.check("StepRaised", False, traceback.format_exc()[-1500:])
    finally:
        subprocess.run(["wineserver", "-k"], env=s.env, capture_output=True)
        if not os.environ.get("VS_KEEP_PACKAGE_TEST"):
            shutil.rmtree(s.work, ignore_errors=True)
    root = ET.Element("testsuites")
    failed = 0
    for suite, cases in s.suites.items():
        node = ET.SubElement(root, "testsuite", name=f"Package{suite}", tests=str(len(cases)))
        for name, ok, detail in cases:
            case = ET.SubElement(node, "testcase", name=name, classname=f"Package{suite}", status="run")
            if not ok:
                failed += 1
                ET.SubElement(case, "failure", message=detail or "failed")
                print(f"FAILED Package{suite}.{name}: {detail}")
    os.makedirs(os.path.dirname(os.path.abspath(args.results)), exist_ok=True)
    ET.ElementTree(root).write(args.results, encoding="utf-8", xml_declaration=True)
    total = sum(len(c) for c in s.suites.values())
    print(f"{total - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
