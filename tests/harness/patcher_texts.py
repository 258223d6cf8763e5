"""What hf41.exe prints and what the build says its fix changes, for the
scenarios that compare them byte for byte."""
import os

BANNER = b"=== ZEP patcher hf41 ===\r\n"
HELP = (b"\r\nZEP patcher parameters:\r\n"
        b"\t[/when now] - apply patch now\r\n"
        b"\t[/when reboot] - apply patch at reboot\r\n"
        b"\tdefaut: /when reboot\r\n"
        b"\t[/showui] - show user interface during installation\r\n"
        b"\t[/uninstall] - uninstall patch\r\n"
        b"Press 'Enter' to return...")
CLOSING = b"\r\nZEP Patch successfully installed."
AT_RESTART = b"Patches will be installed when the operating system restarts."


def fix_files():
    """The fix's changed files: (File table key, new content), from ZEP_FIX_FILES."""
    items = []
    for item in os.environ["ZEP_FIX_FILES"].split(";"):
        key, path = item.split("=", 1)
        with open(path, "rb") as f:
            items.append((key, f.read()))
    return items
