"""Wine sandboxes for end-to-end tests of the patcher.

A `Prefix` is a private Wine prefix cloned from a cached template. It can set
and read registry values, place and read files on its C: drive, and run a
Windows program with a command line, capturing the full 32-bit exit code,
standard output and standard error.
"""
import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass

HERE = os.path.dirname(os.path.abspath(__file__))
PREFIX_SH = os.path.join(HERE, "..", "wine", "wine-prefix.sh")

WINE64 = "/usr/lib/wine/wine64"
WINE32 = "/usr/lib/wine/wine"

HKLM = "HKEY_LOCAL_MACHINE"
PRODUCT_ENV_KEY = HKLM + r"\Software\TorvellanLab\protected\ZEP8\environment"
# What wexec prints when Wine fails to create a process with ERROR_INTERNAL_ERROR.
WINE_INTERNAL_ERROR = b"wexec: CreateProcessW failed with 1359"


def _shell(function, *args):
    quoted = " ".join("'%s'" % a.replace("'", "'\\''") for a in args)
    out = subprocess.run(["bash", "-c", ". '%s'; %s %s" % (PREFIX_SH, function, quoted)],
                         check=True, capture_output=True, text=True)
    return out.stdout.strip()


def is_pe32_plus(path):
    with open(path, "rb") as f:
        data = f.read(4096)
    pe = int.from_bytes(data[60:64], "little")
    return data[pe + 24:pe + 26] == b"\x0b\x02"


def can_run_i386():
    try:
        return subprocess.run([WINE32, "--version"], capture_output=True).returncode == 0
    except OSError:  # the kernel refuses 32-bit programs (exec format error)
        return False


def require_runnable(*programs):
    """Ends a test module with the skip status 77 when this machine cannot run
    the given Windows programs (32-bit ones need i386 Linux support)."""
    import sys
    for program in programs:
        if program and not is_pe32_plus(program) and not can_run_i386():
            print("SKIPPED: this machine cannot execute 32-bit code, so %s cannot run under Wine" % program)
            sys.exit(77)


@dataclass
class Result:
    code: int          # the full Windows exit code
    stdout: bytes
    stderr: str


def _unlink_shared(path):
    """A file about to be replaced is removed first: the system folders are
    hard links into the shared template, which writing in place would change."""
    if os.path.lexists(path):
        os.remove(path)


def program_bits():
    """The bitness of the patcher this build made (ZEP_HF41), 64 when none is named."""
    program = os.environ.get("ZEP_HF41")
    return 64 if not program or is_pe32_plus(program) else 32


class Prefix:
    """A private Wine prefix; use as a context manager to have it removed.

    Registry values are written and read in the view the program under test
    sees: a 32-bit program under WOW64 reads HKLM\\Software through the
    32-bit view (Wow6432Node), so values set in the 64-bit view would be
    invisible to it."""

    def __init__(self, arch="win64", view=None, bits=None):
        self.arch = arch
        # The bitness of the program under test, and the registry view it reads.
        self.bits = bits or (32 if arch == "win32" else program_bits())
        self.view = view or self.bits
        self.root = tempfile.mkdtemp(prefix="zep-e2e-")
        _shell("zep_wine_clone", arch, self.root)
        self.drive_c = os.path.join(self.root, "drive_c")
        # A persistent server keeps the prefix's services up between programs;
        # otherwise every run would boot the prefix again.
        self._server = subprocess.Popen(["wineserver", "-f", "-p"], env=self.env(), stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self._wait_for_server()
        # The first program starts the prefix's background services, which
        # keep its standard handles: give them nothing a caller waits on.
        subprocess.run([WINE64, "wineboot"], env=self.env(), stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)

    def _wait_for_server(self, seconds=60):
        """Waits until the persistent server listens. A program started
        before that finds no server and starts a second one for the same
        prefix (this Wine names the server's folder in WINEPREFIX/wineserver,
        and the last server to start rewrites it): programs then split
        between two registries and two sets of named objects — a value one
        program wrote is missing for the next, an installer's custom-action
        process cannot reach the installer's pipe."""
        deadline = time.monotonic() + seconds
        named = os.path.join(self.root, "wineserver")
        while time.monotonic() < deadline:
            if self._server.poll() is not None:
                raise RuntimeError("wineserver ended at once for %s" % self.root)
            try:
                with open(named) as f:
                    folder = f.read().strip()
            except OSError:
                folder = ""
            bases = (os.environ.get("TMPDIR", "/tmp"), "/tmp", "/run/user/%d" % os.getuid())
            if folder and any(glob.glob(os.path.join(base, folder, "server-*", "socket")) for base in bases):
                return
            time.sleep(0.05)
        raise RuntimeError("wineserver did not start for %s" % self.root)

    # -- life cycle -------------------------------------------------------
    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.destroy()

    def env(self, extra=None):
        env = dict(os.environ)
        env["WINEPREFIX"] = self.root
        env.setdefault("WINEDEBUG", "-all")
        if extra:
            env.update(extra)
        return env

    def destroy(self):
        subprocess.run(["wineserver", "-k"], env=self.env(), check=False, capture_output=True)
        try:
            self._server.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self._server.kill()
        shutil.rmtree(self.root, ignore_errors=True)

    # -- files --------------------------------------------------------------
    def host_path(self, win_path):
        """Linux path of a C:\\ path inside the prefix."""
        assert win_path[:3].upper() == "C:\\", win_path
        return os.path.join(self.drive_c, *[p for p in win_path[3:].split("\\") if p])

    def write_file(self, win_path, data):
        path = self.host_path(win_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        _unlink_shared(path)
        with open(path, "wb") as f:
            f.write(data if isinstance(data, bytes) else data.encode())

    def read_file(self, win_path):
        path = self.host_path(win_path)
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def copy_in(self, host_file, win_dir):
        dest = self.host_path(win_dir)
        os.makedirs(dest, exist_ok=True)
        _unlink_shared(os.path.join(dest, os.path.basename(host_file)))
        shutil.copy(host_file, dest)
        return win_dir.rstrip("\\") + "\\" + os.path.basename(host_file)

    # -- registry -------------------------------------------------------------
    def _exec(self, argv, env=None, timeout=600):
        """Runs a Linux command line with the prefix's environment. Output goes
        through files: a pipe would stay open as long as any Wine background
        process holds it."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            proc = subprocess.run(argv, env=env or self.env(), stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                  timeout=timeout)
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(argv, proc.returncode, out.read(), err.read())

    def _reg(self, *args, check=True):
        out = self._exec([self.loader(), "reg"] + list(args) + ["/reg:%d" % self.view])
        out.stdout = out.stdout.decode(errors="replace")
        out.stderr = out.stderr.decode(errors="replace")
        if check and out.returncode != 0:
            raise RuntimeError("reg %s failed: %s %s" % (args, out.stdout, out.stderr))
        return out

    def system_folder(self):
        """Where the program under test loads system DLLs from and starts the
        engine from: for a 32-bit program in a 64-bit prefix, GetSystemDirectory
        names the prefix's 32-bit system folder."""
        if self.arch == "win64" and self.bits == 32:
            return "C:\\windows\\syswow64"
        return "C:\\windows\\system32"

    def loader(self):
        """The Wine loader whose programs see the registry through this prefix's view."""
        return WINE32 if self.view == 32 else WINE64

    def reg_set(self, key, name, value, kind="REG_SZ"):
        args = ["add", key, "/f", "/t", kind]
        args += ["/ve"] if name is None else ["/v", name]
        if isinstance(value, bytes):
            value = value.hex()
        args += ["/d", str(value)]
        self._reg(*args)

    def reg_delete(self, key, name=None):
        args = ["delete", key, "/f"] + ([] if name is None else ["/v", name])
        self._reg(*args, check=False)

    def reg_import(self, text):
        """Imports REGEDIT4 text (many values in one Wine process)."""
        fd, path = tempfile.mkstemp(suffix=".reg", dir=self.root)
        with os.fdopen(fd, "w", encoding="utf-16") as f:
            f.write("Windows Registry Editor Version 5.00\r\n\r\n" + text)
        # regedit has no view switch: the one of the view's bitness writes there.
        if self._exec([self.loader(), "regedit", "/S", "Z:" + path.replace("/", "\\")]).returncode != 0:
            raise RuntimeError("regedit could not import %s" % path)

    def reg_query(self, key, name=None):
        """The (type, data) of a value as `reg query` prints it, or None."""
        args = ["query", key] + (["/ve"] if name is None else ["/v", name])
        out = self._reg(*args, check=False)
        if out.returncode != 0:
            return None
        for line in out.stdout.splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[1].startswith("REG_") and (name is None or parts[0] == name):
                return parts[1], (parts[2] if len(parts) > 2 else "")
        return None

    def reg_key_exists(self, key):
        return self._reg("query", key, check=False).returncode == 0

    # -- programs -------------------------------------------------------------
    def run(self, exe_win_path, args="", cwd=None, env=None, timeout=600, loader=None):
        """Runs a program inside the prefix through the wexec driver."""
        driver = os.environ.get("ZEP_WEXEC")
        if not driver:
            raise RuntimeError("ZEP_WEXEC must name the wexec.exe test driver")
        result_file = os.path.join(self.root, "wexec-result.txt")
        if os.path.exists(result_file):
            os.remove(result_file)
        command = '"%s"' % exe_win_path + ((" " + args) if args else "")
        extra = {"WEXEC_CMDLINE": command, "WEXEC_RESULT": "Z:" + result_file.replace("/", "\\")}
        if cwd:
            extra["WEXEC_CWD"] = cwd
        if env:
            extra.update(env)
        loader = loader or (WINE64 if is_pe32_plus(driver) else WINE32)
        proc = self._exec([loader, driver], env=self.env(extra), timeout=timeout)
        if not os.path.exists(result_file) and WINE_INTERNAL_ERROR in proc.stderr:
            # Wine itself, now and then, fails to create a process with an
            # internal error (1359): the program never started, so starting it
            # once more repeats nothing. Said on stderr so that it stays seen.
            sys.stderr.write("wexec: Wine could not create the process for %s (1359); started once more\n" % command)
            proc = self._exec([loader, driver], env=self.env(extra), timeout=timeout)
        if not os.path.exists(result_file):
            raise RuntimeError("wexec did not run %s: %s" % (command, proc.stderr.decode(errors="replace")))
        with open(result_file) as f:
            code = int(f.read().strip())
        return Result(code, proc.stdout, proc.stderr.decode(errors="replace"))
