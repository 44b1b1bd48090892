#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Sends messenger mailslot writes of any size as fast as it can, as a flooding peer would.

Usage: mailslot_write_forger.py TARGET NAME COUNT SIZE [TEXT]
  TARGET  the receiver's address; the datagram goes to NAME<03>, DIRECT_UNIQUE, from port 138
  COUNT   how many copies of the one datagram to send
  SIZE    bytes of mailslot data: sender "FLOOD", receiver NAME, then the text padded to SIZE
Prints "sent COUNT" at the end. The frame is written here byte by byte: the NetBIOS datagram
header from RFC 1002 (4.4.2) around an SMB_COM_TRANSACTION mailslot write (\\MAILSLOT\\MESSNGR).
"""
import socket
import struct
import sys


def encoded_name(name, suffix):
    # RFC 1001 14.1: first-level encoding, 32 half-bytes as letters, no scope.
    raw = name.upper().ljust(15).encode("ascii")[:15] + bytes([suffix])
    letters = bytearray()
    for byte in raw:
        letters += bytes([ord("A") + (byte >> 4), ord("A") + (byte & 0x0F)])
    return bytes([32]) + bytes(letters) + b"\x00"


def mailslot_write(data):
    name = b"\\MAILSLOT\\MESSNGR\x00"
    header = b"\xffSMB" + bytes([0x25]) + bytes(27)  # command TRANSACTION, the rest zero
    words_length = 1 + 2 * 17 + 2  # WordCount, 17 words, ByteCount
    data_offset = 32 + words_length + len(name)
    words = struct.pack("<HHHHBBHIHHHHHBB", 0, len(data), 0, 0, 0, 0, 0, 0, 0, 0, 0,
                        len(data), data_offset, 3, 0)
    setup = struct.pack("<HHH", 1, 1, 2)  # write mailslot, priority 1, second class
    return header + bytes([17]) + words + setup + struct.pack("<H", len(name) + len(data)) + \
        name + data


def main():
    target, name, count, size = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    text = (sys.argv[5] if len(sys.argv) > 5 else "big").encode("ascii")
    data = b"FLOOD\x00" + name.encode("ascii") + b"\x00" + text
    data += b"x" * max(0, size - len(data))
    names = encoded_name("FLOOD", 0) + encoded_name(name, 3)
    user_data = mailslot_write(data)
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sender:
        sender.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        sender.bind(("", 138))
        sender.connect((target, 138))
        source = socket.inet_aton(sender.getsockname()[0])
        for number in range(count):
            # MSG_TYPE DIRECT_UNIQUE, F (first) set, B node; the length counts names and data.
            frame = struct.pack(">BBH4sHHH", 0x10, 0x02, number & 0xFFFF, source, 138,
                                len(names) + len(user_data), 0) + names + user_data
            sender.send(frame)
    print("sent", count, flush=True)


if __name__ == "__main__":
    main()
