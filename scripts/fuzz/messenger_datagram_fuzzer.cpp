// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds outside bytes to the messenger datagram split and to the messenger endpoint's repeat
// filter, checking both against what a reader of the datagram expects.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "platform/call_loop.h"
#include "transport/md_winpopup.h"
#include "transport/messenger_datagram.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

class NoMailslots : public lyr::MailslotSystem {
public:
    std::unique_ptr<lyr::MailslotReceiver> Create(const std::string&, int32_t,
                                                  lyr::MailslotCreateError& error) override {
        error = lyr::MailslotCreateError::CannotOpen;
        return nullptr;
    }
    std::unique_ptr<lyr::MailslotWriteHandle> OpenForWrite(const std::string&) override {
        return nullptr;
    }
};

class Endpoint : public lyr::TmdCustomWinPopup {
public:
    using TmdCustomWinPopup::DoBinMessageAvail;
    using TmdCustomWinPopup::TmdCustomWinPopup;
};

void CheckSplit(std::string_view data) {
    // An exact-size copy, so reading one byte too far is caught.
    std::unique_ptr<char[]> exact(new char[data.size()]);
    std::memcpy(exact.get(), data.data(), data.size());
    auto fields = lyr::SplitMessengerDatagram(std::string_view(exact.get(), data.size()));
    for (const std::string* field : {&fields.sender, &fields.receiver, &fields.text}) {
        Check(field->find('\0') == std::string::npos);
    }
    // The fields are the datagram's own bytes, in order, each ended by a 0x00 or the end.
    std::string rebuilt = lyr::BuildMessengerDatagram(fields);
    Check(rebuilt.size() <= data.size() + 2);
    Check(data.substr(0, std::min(rebuilt.size(), data.size())) ==
          rebuilt.substr(0, std::min(rebuilt.size(), data.size())));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    std::string_view input(reinterpret_cast<const char*>(bytes), size);
    CheckSplit(input);

    // Records of [tick step: 2 bytes][length: 1 byte][datagram], fed to the endpoint in turn.
    NoMailslots mailslots;
    lyr::CallLoop loop;
    uint32_t tick = 0xFFFFF000u;  // near the wrap, so long inputs cross it
    Endpoint endpoint(mailslots, loop, [&tick] { return tick; });
    int raised = 0;
    std::string last_fields;
    endpoint.OnMessage = [&](lyr::TmdCustomWinPopup&, const lyr::MessengerMessage& message) {
        ++raised;
        last_fields = lyr::BuildMessengerDatagram(message);
    };
    std::string previous_crc;
    uint32_t previous_tick = 0;
    while (input.size() >= 3) {
        uint32_t step = static_cast<uint8_t>(input[0]) |
                        static_cast<uint32_t>(static_cast<uint8_t>(input[1])) << 8;
        size_t length = std::min<size_t>(static_cast<uint8_t>(input[2]), input.size() - 3);
        std::string datagram(input.substr(3, length));
        input.remove_prefix(3 + length);
        tick += step * 16;  // steps of up to about 17 minutes

        std::string crc = lyr::CrcText(lyr::Crc16Arc(datagram));
        bool expect_repeat = crc == previous_crc && tick - previous_tick < 2000;
        int before = raised;
        endpoint.DoBinMessageAvail(datagram.data(), static_cast<int32_t>(datagram.size()));
        Check(raised == before + (expect_repeat ? 0 : 1));
        Check(endpoint.LastCrc() == crc && endpoint.LastTick() == tick);
        Check(crc.size() == 4 && crc.find_first_not_of("0123456789ABCDEF") == std::string::npos);
        if (!expect_repeat) {
            Check(last_fields ==
                  lyr::BuildMessengerDatagram(lyr::SplitMessengerDatagram(datagram)));
        }
        previous_crc = crc;
        previous_tick = tick;
    }
    return 0;
}
