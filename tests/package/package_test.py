#!/usr/bin/env python3
"""The Windows packages as a user meets them, under Wine in a prefix of their own.

usage: package_test.py --build WINBUILD --version VERSION --results XML

Makes both packages (twice, the second time from copies with other times), runs the portable zip from a
folder of its own, and installs silently for the current user, for all users and into a folder given with
/D=, each uninstalled through its entry's QuietUninstallString. The registry is read from the prefix's
user.reg (HKEY_CURRENT_USER) and system.reg (HKEY_LOCAL_MACHINE). Each check is one GoogleTest-style case.
"""
import argparse, getpass, os, re, shutil, subprocess, sys, time, traceback, zipfile
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CLSID = "{6c1e4f2a-9d37-4b58-a0e1-3f7c82d5b914}"
UNINSTALL = r"software\microsoft\windows\currentversion\uninstall\voluscope"
FILES = ["Voluscope.exe", "VoluscopeShell.dll", "readme.txt", "vscan.exe"]
BUILT = ["Voluscope.exe", "VoluscopeShell.dll", "readme.txt", "tools/vscan.exe", "shellext-nsis.exe"]


def extension_keys(folder):
    """The extension's keys below Software\\Classes, as the program's own register command writes them."""
    return {"ClassKey": (rf"software\classes\clsid\{CLSID}", {"@": "Voluscope Context Menu Shell Extension"}),
            "ServerKey": (rf"software\classes\clsid\{CLSID}\inprocserver32",
                          {"@": folder + r"\VoluscopeShell.dll", "threadingmodel": "Apartment"}),
            "HandlerKey": (rf"software\classes\folder\shellex\contextmenuhandlers\{CLSID}", {})}


def win(path):
    """A Linux path as Wine's Z: drive shows it."""
    return "Z:" + path.replace("/", "\\")


def hive(path):
    """A Wine registry file as {lower-case key: {lower-case value name or "@": str or int}}."""
    keys, current, unescape = {}, None, lambda s: re.sub(r"\\(.)", r"\1", s)
    for line in open(path, encoding="utf-8", errors="replace"):
        m = re.match(r'^(@|"((?:[^"\\]|\\.)*)")=("(.*)"|dword:(\w+))$', line.rstrip("\n"))
        if line.startswith("["):
            current = keys.setdefault(unescape(line[1:line.rindex("]")]).lower(), {})
        elif current is not None and m:
            name = "@" if m.group(1) == "@" else unescape(m.group(2)).lower()
            current[name] = unescape(m.group(4)) if m.group(5) is None else int(m.group(5), 16)
    return keys


class TSession:
    def __init__(self, build, version):
        self.build, self.version, self.work = build, version, os.path.join(build, "package-test")
        self.prefix, self.cases, self.suite, self.setup = os.path.join(self.work, "prefix"), [], "", ""
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEARCH="win64", WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        self.profile = rf"C:\users\{getpass.getuser()}"

    def check(self, name, ok, detail=""):
        self.cases.append((self.suite, name, "" if ok else detail or "failed"))

    def wine(self, *args):
        run = subprocess.run(["wine", *args], env=self.env, capture_output=True, timeout=180)
        # Until the prefix's server ends: every process is done and the registry is saved.
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=60)
        return run

    def package(self, build, out):
        subprocess.run([sys.executable, os.path.join(ROOT, "scripts", "package.py"), "--build", build, "--out", out],
                       env=self.env, capture_output=True, timeout=300)
        return [os.path.join(out, f"Voluscope-{self.version}-{kind}") for kind in ("portable.zip", "setup.exe")]

    def unix(self, path):
        path = path.replace("\\", "/")
        return os.path.join(self.prefix, "drive_c", path[3:]) if path[:2] == "C:" else path[2:]

    def registry(self):
        return [hive(os.path.join(self.prefix, name)) for name in ("user.reg", "system.reg")]

    def shortcut(self, all_users):
        base = r"C:\ProgramData" if all_users else self.profile + r"\AppData\Roaming"
        return self.unix(base + r"\Microsoft\Windows\Start Menu\Programs\Voluscope.lnk")

    def csv_report(self, exe, name):
        tree, report = os.path.join(self.work, "tree"), os.path.join(self.work, name)
        os.makedirs(tree, exist_ok=True)
        open(os.path.join(tree, "report probe.txt"), "w").write("12345")
        run = self.wine(exe, "/csv", win(report), win(tree))
        text = open(report, encoding="latin-1").read() if os.path.exists(report) else ""
        self.check(name, run.returncode == 0 and "report probe.txt" in text, f"{run.stderr[-300:]} {text[:200]!r}")

    def install(self, folder, *args, label=""):
        """Installs and checks the installation in its scope: files, shortcut, keys and uninstall entry."""
        run = self.wine(self.setup, "/S", *args)
        self.check(f"{label}InstallExitStatus", run.returncode == 0, f"exit {run.returncode}")
        all_users = "/ALLUSERS" in args
        own, other = self.registry()[::-1] if all_users else self.registry()
        present = [f for f in FILES + ["Uninstall.exe"] if os.path.isfile(os.path.join(self.unix(folder), f))]
        self.check(f"{label}Files", present == FILES + ["Uninstall.exe"], f"in {folder}: {present}")
        lnk = self.shortcut(all_users)
        self.check(f"{label}Shortcut", os.path.isfile(lnk) and b"Voluscope.exe" in open(lnk, "rb").read(), lnk)
        for name, (key, values) in extension_keys(folder).items():
            self.check(label + name, own.get(key) == values, f"{key}: {own.get(key)} != {values}")
        self.check(f"{label}NoKeyInOtherScope", not any(k in other for k, _ in extension_keys(folder).values()))
        entry, exe = own.get(UNINSTALL, {}), f'"{folder}\\Uninstall.exe"'
        expected = {"displayname": "Voluscope", "displayversion": self.version, "publisher": "Voluscope Software",
                    "installlocation": folder, "uninstallstring": exe, "quietuninstallstring": exe + " /S",
                    "displayicon": folder + r"\Voluscope.exe,0"}
        self.check(f"{label}UninstallEntry", {k: entry.get(k) for k in expected} == expected, f"{entry}")
        size = sum(os.path.getsize(os.path.join(self.unix(folder), f)) for f in present)
        self.check(f"{label}EstimatedSize", abs(entry.get("estimatedsize", 0) - size // 1024) <= 8, f"{entry}")
        return entry.get("quietuninstallstring", "")

    def uninstall(self, quiet, folder, all_users, kept=()):
        m = re.match(r'^"([^"]+)"\s*(.*)$', quiet)
        run = self.wine(m.group(1), *m.group(2).split()) if m else None
        self.check("UninstallExitStatus", run is not None and run.returncode == 0, quiet)
        left = sorted(os.listdir(self.unix(folder))) if os.path.isdir(self.unix(folder)) else []
        self.check("UninstallKeepsOnlySettings" if kept else "UninstallLeavesNoFile", left == list(kept), f"{left}")
        self.check("UninstallRemovesShortcut", not os.path.exists(self.shortcut(all_users)))
        for scope, keys in zip(("HKCU", "HKLM"), self.registry()):
            stale = [k for k, _ in extension_keys(folder).values() if k in keys] + [UNINSTALL] * (UNINSTALL in keys)
            self.check(f"UninstallRemovesKeys{scope}", not stale, f"{stale}")


def run_tests(s):
    subprocess.run(["wineboot", "-i"], env=s.env, capture_output=True, timeout=300)
    s.suite = "Files"
    portable, s.setup = s.package(s.build, os.path.join(s.work, "out"))
    s.check("BothNamedByTheProjectVersion", os.path.isfile(portable) and os.path.isfile(s.setup),
            f"{os.listdir(os.path.dirname(portable)) if os.path.isdir(os.path.dirname(portable)) else 'no output'}")
    with zipfile.ZipFile(portable) as z:
        s.check("ZipHoldsTheProgramFiles", z.namelist() == sorted(FILES), f"{z.namelist()}")
    # The same files with other times and modes, in another folder: the same bytes of both packages.
    again, old = os.path.join(s.work, "again"), time.time() - 400 * 86400
    for rel in BUILT:
        os.makedirs(os.path.dirname(os.path.join(again, rel)), exist_ok=True)
        shutil.copyfile(os.path.join(s.build, rel), os.path.join(again, rel))
        os.utime(os.path.join(again, rel), (old, old))
        os.chmod(os.path.join(again, rel), 0o700)
    for name, first, second in zip(("Zip", "Installer"), (portable, s.setup), s.package(again, again + "/out")):
        s.check(f"{name}IsReproducible", os.path.isfile(second) and open(first, "rb").read() == open(second, "rb").read())

    s.suite = "Portable"
    folder = os.path.join(s.work, "any folder", "Voluscope")
    zipfile.ZipFile(portable).extractall(folder)
    s.csv_report(win(os.path.join(folder, "Voluscope.exe")), "PortableCsv")
    s.check("NothingRegistered", not any(CLSID in k or k == UNINSTALL for h in s.registry() for k in h))

    s.suite = "PerUser"
    local = s.profile + r"\AppData\Local\Programs\Voluscope"
    quiet = s.install(local)
    s.csv_report(local + r"\Voluscope.exe", "InstalledCsv")
    html = os.path.join(s.work, "vscan.html")
    s.wine(local + r"\vscan.exe", "--html", win(html), win(s.work))
    page = open(html, encoding="latin-1").read() if os.path.exists(html) else ""
    s.check("VscanCarriesTheSameVersion", f"Voluscope v{s.version}<" in page, page[-200:])
    ini = os.path.join(s.unix(local), "voluscope.ini")
    open(ini, "w", newline="").write("[filters]\r\n0=*.changed\r\n")
    s.install(local, label="Over")
    s.check("InstallOverKeepsChangedSettings", open(ini, newline="").read() == "[filters]\r\n0=*.changed\r\n")
    s.uninstall(quiet, local, False, ["voluscope.ini"])

    s.suite = "AllUsers"
    machine = r"C:\Program Files\Voluscope"
    s.uninstall(s.install(machine, "/ALLUSERS"), machine, True)

    s.suite = "ChosenFolder"
    chosen = r"C:\Tools\My Voluscope"
    # As typed at a prompt: /D= last and unquoted, blanks and all (wine quotes no argument without a blank).
    s.uninstall(s.install(chosen, *("/D=" + chosen).split(" ")), chosen, False)


def main():
    parser = argparse.ArgumentParser()
    for option in ("--build", "--version", "--results"):
        parser.add_argument(option, required=True)
    args = parser.parse_args()
    s = TSession(os.path.abspath(args.build), args.version)
    shutil.rmtree(s.work, ignore_errors=True)
    try:
        run_tests(s)
    except Exception:  # a step that could not run fails; the checks after it are not reached
        s.check("StepRaised", False, traceback.format_exc()[-1500:])
    finally:
        subprocess.run(["wineserver", "-k"], env=s.env, capture_output=True)
        if not os.environ.get("VS_KEEP_PACKAGE_TEST"):
            shutil.rmtree(s.work, ignore_errors=True)
    root, suites = ET.Element("testsuites"), {}
    for suite, name, failure in s.cases:
        if suite not in suites:
            suites[suite] = ET.SubElement(root, "testsuite", name=f"Package{suite}")
        case = ET.SubElement(suites[suite], "testcase", name=name, classname=f"Package{suite}")
        if failure:
            ET.SubElement(case, "failure", message=failure)
            print(f"FAILED Package{suite}.{name}: {failure}")
    ET.ElementTree(root).write(args.results, encoding="utf-8", xml_declaration=True)
    failed = sum(1 for c in s.cases if c[2])
    print(f"{len(s.cases) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
