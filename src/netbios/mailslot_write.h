// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lyr::netbios {

// SMB_COM_TRANSACTION carrying a class-2 (datagram) mailslot write: the user data of a
// NetBIOS datagram to a mailslot.
struct MailslotWrite {
    std::string mailslot_name;  // "\MAILSLOT\MESSNGR", as it stood
    std::string data;
    uint16_t priority = 0;
    uint16_t mailslot_class = 2;
    bool operator==(const MailslotWrite&) const = default;
};

// Receivers ignore the header and transaction fields that are not lengths or offsets, and
// senders disagree on them, so the two forms in use are offered: the one Windows messenger
// clients send (header flags set, data 4-byte aligned) and the one of browser frames (all zero,
// no alignment padding).
enum class MailslotWriteStyle { Messenger, Browser };

inline constexpr std::string_view kMailslotPrefix = "\\MAILSLOT\\";

// Nothing when the name or data cannot be carried (a name with a NUL, more than 64 KiB).
std::optional<std::string> BuildMailslotWrite(
    std::string_view mailslot_name, std::string_view data,
    MailslotWriteStyle style = MailslotWriteStyle::Messenger);
// Locates the data by DataOffset/DataCount only. Nothing for anything but a whole, single-part
// mailslot write that lies inside `smb`.
std::optional<MailslotWrite> ParseMailslotWrite(std::string_view smb);

// The slot of a mailslot name: the part after "\MAILSLOT\" (prefix compared without case);
// nothing for a name outside the mailslot tree or with nothing after it.
std::optional<std::string> SlotOfMailslotName(std::string_view mailslot_name);
// The mailslot name of a slot as Windows writes it: "messngr" is "\MAILSLOT\MESSNGR".
std::string MailslotNameOf(std::string_view slot);

// The most data one write to `slot` (the part after "\MAILSLOT\") may carry: a datagram holds at
// most 512 bytes of SMB, which leaves 432 bytes less the slot name rounded up to 4 bytes
// (424 for "MESSNGR"). Writes are never split into fragments.
size_t MaxMailslotDataSize(std::string_view slot);

}  // namespace lyr::netbios
