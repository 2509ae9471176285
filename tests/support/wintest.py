"""What the Python tests of Windows programs share: paths as Wine sees them, the signed
form of a CRC-32, and their options."""
import argparse
import os
import sys


def win(path):
    """The Windows form of a Linux path: drive Z: is the Linux root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def signed(crc):
    return crc - (1 << 32) if crc >= 1 << 31 else crc


def options(*names):
    """The values of the options names ("--name PATH", made absolute; None when not given)
    and the arguments left for unittest.main."""
    parser = argparse.ArgumentParser()
    for name in names:
        parser.add_argument(name, type=os.path.abspath)
    values, rest = parser.parse_known_args()
    return values, sys.argv[:1] + rest
