// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/name_packet.h"

#include "netbios/byte_io.h"

namespace lyr::netbios {
namespace {

constexpr size_t kHeaderLength = 12;
constexpr uint16_t kPointerToFirstQuestion = 0xC000 | kHeaderLength;
constexpr size_t kStatisticsLength = 46;

uint16_t OpcodeBits(NameOpcode opcode) {
    return static_cast<uint16_t>(opcode) << 11;
}

bool WriteRecords(ByteWriter& writer, const std::vector<ResourceRecord>& records,
                  const NamePacket& packet, bool point_to_question) {
    for (const auto& record : records) {
        if (point_to_question && !packet.questions.empty() &&
            record.name == packet.questions.front().name) {
            writer.U16BE(kPointerToFirstQuestion);
        } else {
            auto encoded = EncodeName(record.name.name, record.name.scope);
            if (!encoded) {
                return false;
            }
            writer.Raw(*encoded);
        }
        if (record.data.size() > 0xFFFF) {
            return false;
        }
        writer.U16BE(record.type);
        writer.U16BE(record.record_class);
        writer.U32BE(record.ttl);
        writer.U16BE(static_cast<uint16_t>(record.data.size()));
        writer.Raw(record.data);
    }
    return true;
}

bool ReadRecords(std::string_view bytes, ByteReader& reader, uint16_t count,
                 std::vector<ResourceRecord>& records) {
    for (uint16_t i = 0; i < count; ++i) {
        size_t offset = reader.Position();
        auto name = DecodeName(bytes, offset, true);
        if (!name) {
            return false;
        }
        reader.SetPosition(offset);
        ResourceRecord record;
        record.name = std::move(*name);
        record.type = reader.U16BE();
        record.record_class = reader.U16BE();
        record.ttl = reader.U32BE();
        uint16_t length = reader.U16BE();
        record.data = std::string(reader.Raw(length));
        if (!reader.Ok()) {
            return false;
        }
        records.push_back(std::move(record));
    }
    return true;
}

ResourceRecord OwnerRecord(const ScopedName& name, uint32_t ttl, NameOwner owner) {
    return {name, kTypeNb, kClassIn, ttl, BuildNameOwners({owner})};
}

NamePacket RegistrationLike(uint16_t id, uint16_t flags, const ScopedName& name, NameOwner owner,
                            uint32_t ttl) {
    NamePacket packet;
    packet.transaction_id = id;
    packet.flags = flags;
    packet.questions.push_back({name, kTypeNb, kClassIn});
    packet.additional.push_back(OwnerRecord(name, ttl, owner));
    return packet;
}

NamePacket AnswerOnly(uint16_t id, uint16_t flags, ResourceRecord answer) {
    NamePacket packet;
    packet.transaction_id = id;
    packet.flags = flags;
    packet.answers.push_back(std::move(answer));
    return packet;
}

}  // namespace

std::optional<std::string> BuildNamePacket(const NamePacket& packet) {
    if (packet.questions.size() > 0xFFFF || packet.answers.size() > 0xFFFF ||
        packet.authority.size() > 0xFFFF || packet.additional.size() > 0xFFFF) {
        return std::nullopt;
    }
    ByteWriter writer;
    writer.U16BE(packet.transaction_id);
    writer.U16BE(packet.flags);
    writer.U16BE(static_cast<uint16_t>(packet.questions.size()));
    writer.U16BE(static_cast<uint16_t>(packet.answers.size()));
    writer.U16BE(static_cast<uint16_t>(packet.authority.size()));
    writer.U16BE(static_cast<uint16_t>(packet.additional.size()));
    for (const auto& question : packet.questions) {
        auto encoded = EncodeName(question.name.name, question.name.scope);
        if (!encoded) {
            return std::nullopt;
        }
        writer.Raw(*encoded);
        writer.U16BE(question.type);
        writer.U16BE(question.record_class);
    }
    if (!WriteRecords(writer, packet.answers, packet, false) ||
        !WriteRecords(writer, packet.authority, packet, false) ||
        !WriteRecords(writer, packet.additional, packet, true)) {
        return std::nullopt;
    }
    return writer.Take();
}

std::optional<NamePacket> ParseNamePacket(std::string_view bytes) {
    ByteReader reader(bytes);
    NamePacket packet;
    packet.transaction_id = reader.U16BE();
    packet.flags = reader.U16BE();
    uint16_t question_count = reader.U16BE();
    uint16_t answer_count = reader.U16BE();
    uint16_t authority_count = reader.U16BE();
    uint16_t additional_count = reader.U16BE();
    if (!reader.Ok()) {
        return std::nullopt;
    }
    for (uint16_t i = 0; i < question_count; ++i) {
        size_t offset = reader.Position();
        auto name = DecodeName(bytes, offset, true);
        if (!name) {
            return std::nullopt;
        }
        reader.SetPosition(offset);
        NameQuestion question{std::move(*name), reader.U16BE(), reader.U16BE()};
        if (!reader.Ok()) {
            return std::nullopt;
        }
        packet.questions.push_back(std::move(question));
    }
    if (!ReadRecords(bytes, reader, answer_count, packet.answers) ||
        !ReadRecords(bytes, reader, authority_count, packet.authority) ||
        !ReadRecords(bytes, reader, additional_count, packet.additional)) {
        return std::nullopt;
    }
    return packet;
}

std::string BuildNameOwners(const std::vector<NameOwner>& owners) {
    ByteWriter writer;
    for (const auto& owner : owners) {
        writer.U16BE(owner.flags);
        writer.U32BE(owner.address);
    }
    return writer.Take();
}

std::optional<std::vector<NameOwner>> ParseNameOwners(std::string_view rdata) {
    if (rdata.empty() || rdata.size() % 6 != 0) {
        return std::nullopt;
    }
    ByteReader reader(rdata);
    std::vector<NameOwner> owners;
    while (reader.Remaining() > 0) {
        NameOwner owner;
        owner.flags = reader.U16BE();
        owner.address = reader.U32BE();
        owners.push_back(owner);
    }
    return owners;
}

std::optional<std::string> BuildNodeStatus(const NodeStatus& status) {
    if (status.names.size() > 0xFF || status.unit_id.size() != 6) {
        return std::nullopt;
    }
    ByteWriter writer;
    writer.U8(static_cast<uint8_t>(status.names.size()));
    for (const auto& entry : status.names) {
        writer.Raw(std::string_view(entry.name.bytes.data(), entry.name.bytes.size()));
        writer.U16BE(entry.flags);
    }
    writer.Raw(status.unit_id);
    writer.Zeros(kStatisticsLength - status.unit_id.size());
    return writer.Take();
}

std::optional<NodeStatus> ParseNodeStatus(std::string_view rdata) {
    ByteReader reader(rdata);
    uint8_t count = reader.U8();
    NodeStatus status;
    for (uint8_t i = 0; i < count && reader.Ok(); ++i) {
        NodeStatusEntry entry;
        auto raw = reader.Raw(16);
        for (size_t j = 0; j < raw.size(); ++j) {
            entry.name.bytes[j] = raw[j];
        }
        entry.flags = reader.U16BE();
        status.names.push_back(entry);
    }
    if (!reader.Ok()) {
        return std::nullopt;
    }
    // Some nodes cut the statistics short; the unit id is kept when it is there.
    if (reader.Remaining() >= 6) {
        status.unit_id = std::string(reader.Raw(6));
    }
    return status;
}

NamePacket MakeNameQuery(uint16_t id, const ScopedName& name, bool broadcast) {
    NamePacket packet;
    packet.transaction_id = id;
    packet.flags = static_cast<uint16_t>(OpcodeBits(NameOpcode::Query) | kFlagRecursionDesired |
                                         (broadcast ? kFlagBroadcast : 0));
    packet.questions.push_back({name, kTypeNb, kClassIn});
    return packet;
}

NamePacket MakePositiveQueryResponse(uint16_t id, const ScopedName& name, uint32_t ttl,
                                     const std::vector<NameOwner>& owners) {
    return AnswerOnly(id, kFlagResponse | kFlagAuthoritative | kFlagRecursionDesired,
                      {name, kTypeNb, kClassIn, ttl, BuildNameOwners(owners)});
}

NamePacket MakeNegativeQueryResponse(uint16_t id, const ScopedName& name) {
    return AnswerOnly(id,
                      kFlagResponse | kFlagAuthoritative | kFlagRecursionDesired | kRcodeNameError,
                      {name, kTypeNull, kClassIn, 0, {}});
}

NamePacket MakeRegistrationRequest(uint16_t id, const ScopedName& name, NameOwner owner,
                                   uint32_t ttl, bool broadcast) {
    return RegistrationLike(id,
                            OpcodeBits(NameOpcode::Registration) | kFlagRecursionDesired |
                                (broadcast ? kFlagBroadcast : 0),
                            name, owner, ttl);
}

NamePacket MakeRefreshRequest(uint16_t id, const ScopedName& name, NameOwner owner, uint32_t ttl) {
    return RegistrationLike(id, OpcodeBits(NameOpcode::Refresh), name, owner, ttl);
}

NamePacket MakeOverwriteDemand(uint16_t id, const ScopedName& name, NameOwner owner, uint32_t ttl) {
    return RegistrationLike(id, OpcodeBits(NameOpcode::Registration) | kFlagBroadcast, name, owner,
                            ttl);
}

NamePacket MakeNegativeRegistrationResponse(uint16_t id, const ScopedName& name,
                                            NameOwner claimant) {
    return AnswerOnly(id,
                      kFlagResponse | OpcodeBits(NameOpcode::Registration) | kFlagAuthoritative |
                          kFlagRecursionDesired | kFlagRecursionAvailable | kRcodeActive,
                      OwnerRecord(name, 0, claimant));
}

NamePacket MakeReleaseRequest(uint16_t id, const ScopedName& name, NameOwner owner,
                              bool broadcast) {
    return RegistrationLike(id, OpcodeBits(NameOpcode::Release) | (broadcast ? kFlagBroadcast : 0),
                            name, owner, 0);
}

NamePacket MakeConflictDemand(uint16_t id, const ScopedName& name, NameOwner holder) {
    return AnswerOnly(id,
                      kFlagResponse | OpcodeBits(NameOpcode::Registration) | kFlagAuthoritative |
                          kFlagRecursionDesired | kFlagRecursionAvailable | kRcodeConflict,
                      OwnerRecord(name, 0, holder));
}

NamePacket MakeNodeStatusRequest(uint16_t id, const ScopedName& name) {
    NamePacket packet;
    packet.transaction_id = id;
    packet.questions.push_back({name, kTypeNbStat, kClassIn});
    return packet;
}

std::optional<NamePacket> MakeNodeStatusResponse(uint16_t id, const ScopedName& question,
                                                 const NodeStatus& status) {
    auto rdata = BuildNodeStatus(status);
    if (!rdata) {
        return std::nullopt;
    }
    return AnswerOnly(id, kFlagResponse | kFlagAuthoritative,
                      {question, kTypeNbStat, kClassIn, 0, std::move(*rdata)});
}

}  // namespace lyr::netbios
