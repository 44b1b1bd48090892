#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Sends one popup message of any length over the NetBIOS session service, as a peer that does
not keep to the usual limits would.

Usage: session_message_forger.py TARGET NAME LENGTH [--one-packet]
  TARGET  the receiver's address (TCP 139); the session is called NAME<03>, from FORGER<03>
  LENGTH  bytes of text: sent in blocks of 128 (a multi-block message, as smbclient -M sends),
          or with --one-packet as a single-block message in one session packet of that size
Prints one line per answer: "session positive", then "status 0xSSSSSSSS" per SMB reply, or
"closed" when the receiver hung up. The frames are written here byte by byte: the session
packets of RFC 1002 (4.3) around the SMB message commands (SEND_START_MB_MESSAGE 0xD5,
SEND_TEXT_MB_MESSAGE 0xD7, SEND_END_MB_MESSAGE 0xD6, SEND_MESSAGE 0xD0).
"""
import socket
import struct
import sys

from mailslot_write_forger import encoded_name


def session_packet(kind, payload):
    # RFC 1002 4.3.1: type, flags (the top bit of the flags extends the length), length.
    return struct.pack(">BBH", kind, (len(payload) >> 16) & 1, len(payload) & 0xFFFF) + payload


def smb(command, words, data):
    # The 32-byte SMB header, everything but the command zero, then the words and the bytes.
    header = b"\xffSMB" + bytes([command]) + bytes(27)
    return header + bytes([len(words) // 2]) + words + struct.pack("<H", len(data)) + data


def receive_packet(connection):
    head = b""
    while len(head) < 4:
        more = connection.recv(4 - len(head))
        if not more:
            return None
        head += more
    length = ((head[1] & 1) << 16) | struct.unpack(">H", head[2:4])[0]
    body = b""
    while len(body) < length:
        more = connection.recv(length - len(body))
        if not more:
            return None
        body += more
    return head[0], body


def exchange(connection, packet):
    try:
        connection.sendall(packet)
        answer = receive_packet(connection)
    except OSError:
        answer = None
    if answer is None:
        print("closed", flush=True)
        return None
    kind, body = answer
    if kind == 0x82:
        print("session positive", flush=True)
    elif kind == 0x00 and len(body) >= 9:
        print("status 0x%08x" % struct.unpack("<I", body[5:9]), flush=True)
    else:
        print("answer 0x%02x" % kind, flush=True)
    return body


def main():
    target, name, length = sys.argv[1], sys.argv[2], int(sys.argv[3])
    one_packet = "--one-packet" in sys.argv[4:]
    text = (b"long message " * (length // 13 + 1))[:length]
    names = b"\x04FORGER\x00\x04" + name.upper().encode("ascii") + b"\x00"
    with socket.create_connection((target, 139), timeout=10) as connection:
        if exchange(connection,
                    session_packet(0x81, encoded_name(name, 3) + encoded_name("FORGER", 3))) is None:
            return
        if one_packet:
            block = b"\x01" + struct.pack("<H", len(text)) + text
            exchange(connection, session_packet(0x00, smb(0xD0, b"", names + block)))
            return
        answer = exchange(connection, session_packet(0x00, smb(0xD5, b"", names)))
        if answer is None:
            return
        group = answer[33:35]  # the one word of the reply: the message group
        for start in range(0, len(text), 128):
            block = text[start:start + 128]
            data = b"\x01" + struct.pack("<H", len(block)) + block
            if exchange(connection, session_packet(0x00, smb(0xD7, group, data))) is None:
                return
        exchange(connection, session_packet(0x00, smb(0xD6, group, b"")))


if __name__ == "__main__":
    main()
