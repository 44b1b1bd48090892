// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/datagram.h"

#include "netbios/byte_io.h"

namespace lyr::netbios {

std::optional<std::string> BuildDatagram(const Datagram& datagram) {
    return BuildDatagram(datagram, datagram.user_data);
}

std::optional<std::string> BuildDatagram(const Datagram& datagram, std::string_view user_data) {
    auto source = EncodeName(datagram.source, datagram.scope);
    auto destination = EncodeName(datagram.destination, datagram.scope);
    if (!source || !destination) {
        return std::nullopt;
    }
    size_t length = source->size() + destination->size() + user_data.size();
    if (length > 0xFFFF) {
        return std::nullopt;
    }
    ByteWriter writer;
    writer.Reserve(kDatagramHeaderLength + length);
    writer.U8(static_cast<uint8_t>(datagram.type));
    writer.U8(datagram.flags);
    writer.U16BE(datagram.id);
    writer.U32BE(datagram.source_ip);
    writer.U16BE(datagram.source_port);
    writer.U16BE(static_cast<uint16_t>(length));
    writer.U16BE(datagram.packet_offset);
    writer.Raw(*source);
    writer.Raw(*destination);
    writer.Raw(user_data);
    return writer.Take();
}

std::optional<Datagram> ParseDatagram(std::string_view packet) {
    ByteReader reader(packet);
    Datagram datagram;
    uint8_t type = reader.U8();
    if (type != static_cast<uint8_t>(DatagramType::DirectUnique) &&
        type != static_cast<uint8_t>(DatagramType::DirectGroup) &&
        type != static_cast<uint8_t>(DatagramType::Broadcast)) {
        return std::nullopt;
    }
    datagram.type = static_cast<DatagramType>(type);
    datagram.flags = reader.U8();
    datagram.id = reader.U16BE();
    datagram.source_ip = reader.U32BE();
    datagram.source_port = reader.U16BE();
    uint16_t length = reader.U16BE();
    datagram.packet_offset = reader.U16BE();
    if (!reader.Ok() || length > reader.Remaining()) {
        return std::nullopt;
    }
    // Only the bytes DGM_LENGTH counts belong to the datagram.
    std::string_view body = packet.substr(0, kDatagramHeaderLength + length);
    size_t offset = kDatagramHeaderLength;
    auto source = DecodeName(body, offset, false);
    if (!source) {
        return std::nullopt;
    }
    auto destination = DecodeName(body, offset, false);
    if (!destination || destination->scope != source->scope) {
        return std::nullopt;
    }
    datagram.source = source->name;
    datagram.destination = destination->name;
    datagram.scope = source->scope;
    datagram.user_data = std::string(body.substr(offset));
    return datagram;
}

std::string BuildDatagramError(const DatagramError& error) {
    ByteWriter writer;
    writer.U8(static_cast<uint8_t>(DatagramType::Error));
    writer.U8(error.flags);
    writer.U16BE(error.id);
    writer.U32BE(error.source_ip);
    writer.U16BE(error.source_port);
    writer.U8(error.error_code);
    return writer.Take();
}

std::optional<DatagramError> ParseDatagramError(std::string_view packet) {
    ByteReader reader(packet);
    if (reader.U8() != static_cast<uint8_t>(DatagramType::Error)) {
        return std::nullopt;
    }
    DatagramError error;
    error.flags = reader.U8();
    error.id = reader.U16BE();
    error.source_ip = reader.U32BE();
    error.source_port = reader.U16BE();
    error.error_code = reader.U8();
    if (!reader.Ok()) {
        return std::nullopt;
    }
    return error;
}

}  // namespace lyr::netbios
