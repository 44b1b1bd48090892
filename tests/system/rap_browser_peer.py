#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A browser server made of impacket's SMB1 server: the session service, negotiation, sessions,
IPC$ and transactions are impacket's; only the RAP call NetServerEnum2 is answered here, with
the records MS-RAP (2.5.5.2, SERVER_INFO_1) describes.

Usage: rap_browser_peer.py ADDRESS PORT WORKGROUP COUNT
  Lists COUNT computers PEER0000, PEER0001, ... of WORKGROUP (comment "peer N"), as many as
  fit the buffer the client gives, and the workgroups WORKGROUP and FARAWAY for the
  domain-enumeration type. Prints "ready" once it
  listens.
"""
import struct
import sys

from impacket import smbserver
from impacket.nt_errors import STATUS_NOT_SUPPORTED, STATUS_SUCCESS

SV_TYPE_DOMAIN_ENUM = 0x80000000
NET_SERVER_ENUM2 = 104


def server_info_1(entries, converter):
    # 26-byte records, then their NUL-terminated comments; a comment's place is given as
    # its offset in the data plus the converter.
    records = b""
    comments = b""
    start = 26 * len(entries)
    for name, server_type, comment in entries:
        records += name.encode().ljust(16, b"\0")[:16] + struct.pack(
            "<BBII", 6, 1, server_type, converter + start + len(comments))
        comments += comment.encode() + b"\0"
    return records + comments


def main():
    address, port, workgroup, count = sys.argv[1], int(sys.argv[2]), sys.argv[3], int(sys.argv[4])
    server = smbserver.SimpleSMBServer(address, port)
    server.setSMB2Support(False)
    inner = server._SimpleSMBServer__server
    original = inner.hookTransaction("\\PIPE\\LANMAN", None)

    def lanman(conn_id, smb_server, packet, parameters, data, max_data_count=0):
        if struct.unpack("<H", parameters[:2])[0] != NET_SERVER_ENUM2:
            return original(conn_id, smb_server, packet, parameters, data, max_data_count)
        descriptor_end = parameters.index(b"\0", 2)
        data_descriptor_end = parameters.index(b"\0", descriptor_end + 1)
        level, receive_buffer, server_type = struct.unpack_from("<HHI", parameters,
                                                                data_descriptor_end + 1)
        if level != 1:
            return b"", b"", b"", STATUS_NOT_SUPPORTED
        if server_type == SV_TYPE_DOMAIN_ENUM:
            entries = [(workgroup, SV_TYPE_DOMAIN_ENUM, "PEER"), ("FARAWAY", SV_TYPE_DOMAIN_ENUM, "X")]
        else:
            entries = [("PEER%04d" % i, 0x1003, "peer %d" % i) for i in range(count)]
        # As many as fit the client's buffer, with "more data" (234) when not all do.
        converter = 0x1234
        returned = len(entries)
        while len(server_info_1(entries[:returned], converter)) > receive_buffer:
            returned -= max(1, returned // 20)
        status = 0 if returned == len(entries) else 234
        response = struct.pack("<HHHH", status, converter, returned, len(entries))
        return b"", response, server_info_1(entries[:returned], converter), STATUS_SUCCESS

    inner.hookTransaction("\\PIPE\\LANMAN", lanman)
    print("ready", flush=True)
    server.start()


if __name__ == "__main__":
    main()
