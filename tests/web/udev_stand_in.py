#!/usr/bin/env python3
"""The udev of a browser case's namespace, for one device's unplugging:

    udev_stand_in.py MODULE_LOG DEVPATH

waits until the virtual module's log says its node was removed, then tells
libudev's listeners (chromium among them) that the device DEVPATH (below
/sys) is gone, as udevd does: one "remove" message in libudev's own format
to the netlink group of udev's events. libudev listens for them only where
/run/udev/control exists, and takes them only from root. Run it in the
case's own network namespace: the message goes to every listener there.
"""
import os
import socket
import struct
import sys
import time

NETLINK_KOBJECT_UEVENT = 15
UDEV_GROUP = 2
MONITOR_MAGIC = 0xFEEDCAFE


def murmur_hash2(data):
    """libudev's hash of a subsystem name (MurmurHash2, seed 0), which its
    listeners' socket filters compare."""
    m, length = 0x5BD1E995, len(data)
    h = length
    full = length - length % 4
    for i in range(0, full, 4):
        k = int.from_bytes(data[i:i + 4], 'little')
        k = (k * m) & 0xFFFFFFFF
        k ^= k >> 24
        k = (k * m) & 0xFFFFFFFF
        h = ((h * m) & 0xFFFFFFFF) ^ k
    rest = data[full:]
    if len(rest) == 3:
        h ^= rest[2] << 16
    if len(rest) >= 2:
        h ^= rest[1] << 8
    if rest:
        h ^= rest[0]
        h = (h * m) & 0xFFFFFFFF
    h ^= h >> 13
    h = (h * m) & 0xFFFFFFFF
    h ^= h >> 15
    return h


def remove_message(devpath, subsystem, devname):
    properties = b''.join(
        f'{key}={value}'.encode() + b'\0'
        for key, value in (('ACTION', 'remove'), ('DEVPATH', devpath), ('SUBSYSTEM', subsystem),
                           ('DEVNAME', devname), ('SEQNUM', '1')))
    header_size = 40
    # "libudev", the magic and the hashes in network order, the rest as
    # the machine keeps them.
    header = (b'libudev\0' + struct.pack('>I', MONITOR_MAGIC) +
              struct.pack('=III', header_size, header_size, len(properties)) +
              struct.pack('>IIII', murmur_hash2(subsystem.encode()), 0, 0, 0))
    return header + properties


def main():
    log, devpath = sys.argv[1], sys.argv[2]
    while True:
        try:
            with open(log, encoding='utf-8') as f:
                if any(line.endswith(' removed\n') for line in f):
                    break
        except FileNotFoundError:
            pass
        time.sleep(0.005)
    name = os.path.basename(devpath)
    with socket.socket(socket.AF_NETLINK, socket.SOCK_RAW, NETLINK_KOBJECT_UEVENT) as s:
        s.bind((0, 0))
        s.sendto(remove_message(devpath, 'hidraw', '/dev/' + name), (0, UDEV_GROUP))


if __name__ == '__main__':
    main()
