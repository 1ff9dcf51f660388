"""What the end-to-end scenarios read back from a Wine prefix, independently
of the installer: the registry files, files on drive C:, shortcuts (through
lnkinfo) and the trace that Wine prints for OutputDebugStringA."""
import os
import re
import subprocess

REG_SZ, REG_EXPAND_SZ, REG_DWORD = "REG_SZ", "REG_EXPAND_SZ", "REG_DWORD"


def _unescape(s):
    out, i = [], 0
    while i < len(s):
        c = s[i]
        if c == "\\" and i + 1 < len(s):
            n = s[i + 1]
            if n == "x":
                m = re.match(r"[0-9a-fA-F]{1,4}", s[i + 2:])
                out.append(chr(int(m.group(0), 16)))
                i += 2 + len(m.group(0))
                continue
            out.append({"n": "\n", "r": "\r", "t": "\t", "0": "\0"}.get(n, n))
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


def _quoted(s):
    """The text of a leading quoted string and what follows it."""
    assert s[0] == '"'
    i = 1
    while s[i] != '"':
        i += 2 if s[i] == "\\" else 1
    return _unescape(s[1:i]), s[i + 1:]


def load_reg(path):
    """{key (lower case): {value name (lower case): (type, data)}}"""
    keys, cur = {}, None
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            line = line.rstrip("\n")
            m = re.match(r"^\[(.*)\](?: \d+)?$", line)
            if m:
                cur = keys.setdefault(_unescape(m.group(1)).lower(), {})
                continue
            if cur is None or not line or line[0] not in '"@':
                continue
            if line[0] == "@":
                name, rest = "", line[1:]
            else:
                name, rest = _quoted(line)
            rest = rest[1:]  # "="
            if rest.startswith('"'):
                cur[name.lower()] = (REG_SZ, _quoted(rest)[0])
            elif rest.startswith("str(2):"):
                cur[name.lower()] = (REG_EXPAND_SZ, _quoted(rest[7:])[0])
            elif rest.startswith("dword:"):
                cur[name.lower()] = (REG_DWORD, int(rest[6:], 16))
            else:
                cur[name.lower()] = ("other", rest)
    return keys


class Prefix:
    def __init__(self, path, view32=False):
        """view32: the programs under test are 32-bit in a 64-bit prefix
        (WoW64): their HKLM\\Software lies under Software\\Wow6432Node,
        all but Software\\Classes, which both views share."""
        self.path = path
        self.view32 = view32

    def stored(self, name):
        """Where an HKLM key of the programs under test is stored."""
        low = name.lower()
        if self.view32 and low.startswith("software\\") and not low.startswith("software\\classes"):
            return "software\\wow6432node\\" + low[len("software\\"):]
        return low

    def flush(self):
        """Waits for the wine server to end, which writes the registry files."""
        subprocess.run(["/usr/lib/wine/wineserver64", "-w"],
                       env=dict(os.environ, WINEPREFIX=self.path), check=False)

    def machine(self):
        return load_reg(os.path.join(self.path, "system.reg"))

    def key(self, hive, name):
        """Values of HKLM (hive 'm') or HKCR (hive 'c') key name, or None."""
        full = self.stored(name) if hive == "m" else "software\\classes\\" + name
        return self.machine().get(full.lower())

    def c(self, windows_path):
        """A C: path as a host path."""
        assert windows_path[:3].lower() == "c:\\"
        return os.path.join(self.path, "drive_c", *[p for p in windows_path[3:].split("\\") if p])


def lnkinfo(path):
    out = subprocess.run(["lnkinfo", path], capture_output=True, text=True, check=True).stdout
    fields = {}
    for line in out.splitlines():
        m = re.match(r"^\t+([A-Za-z ]+?)\s*: ?(.*)$", line)
        if m and m.group(1) not in fields:
            fields[m.group(1)] = m.group(2)
    return fields


def trace(stderr):
    """OutputDebugStringA lines from Wine's +debugstr channel, unescaped; a
    line Wine cut short ends in "..." after its closing quote."""
    lines = []
    for line in stderr.splitlines():
        m = re.search(r':debugstr:OutputDebugStringA "(.*)"(?:\.\.\.)?$', line)
        if m:
            lines.append(_unescape(m.group(1)))
    return lines
