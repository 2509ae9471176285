"""What the Python tests of Windows programs share: paths as Wine sees them, the signed
form of a CRC-32, folders of files, and their options."""
import argparse
import os
import sys


def win(path):
    """The Windows form of a Linux path: drive Z: is the Linux root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def signed(crc):
    return crc - (1 << 32) if crc >= 1 << 31 else crc


def make_tree(folder, files):
    """files: {entry name with backslashes: bytes}."""
    for name, data in files.items():
        path = os.path.join(folder, *name.split("\\"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)


def tree(folder):
    """Every file below folder: {relative name with backslashes: bytes}."""
    found = {}
    for top, _, names in os.walk(folder):
        for name in names:
            with open(os.path.join(top, name), "rb") as f:
                found[os.path.relpath(f.name, folder).replace(os.sep, "\\")] = f.read()
    return found


def options(*names):
    """The values of the options names ("--name PATH", made absolute; None when not given)
    and the arguments left for unittest.main."""
    parser = argparse.ArgumentParser()
    for name in names:
        parser.add_argument(name, type=os.path.abspath)
    values, rest = parser.parse_known_args()
    return values, sys.argv[:1] + rest
