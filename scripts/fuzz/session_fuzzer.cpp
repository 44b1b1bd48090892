// SPDX-License-Identifier: GPL-3.0-or-later
// The NetBIOS session service and the SMB message commands it carries: packets are cut from the
// input as a peer would send them and played through one conversation.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "netbios/session_conversation.h"
#include "netbios/session_packet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lyr::netbios;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (auto frame = ParseSmb(bytes)) {
        auto rebuilt = BuildSmb(*frame);
        if (!rebuilt || ParseSmb(*rebuilt) != frame) {
            std::abort();
        }
        ParseSendMessage(*frame);
        ParseSendStart(*frame);
        ParseSendText(*frame);
        ParseSendEnd(*frame);
    }
    ParseSessionRequest(bytes);
    // Every name is ours, so that the input reaches the SMB commands.
    SessionConversation conversation({"PC1", "", [](const NetbiosName&) { return true; }});
    size_t text = 0;
    // An odd first byte opens the session first, so that the rest reaches the SMB commands.
    if (!bytes.empty() && (bytes.front() & 1)) {
        auto request = BuildSessionRequest({{NetbiosName::Make("PC1", kMessengerSuffix), ""},
                                            {NetbiosName::Make("ANNA", kWorkstationSuffix), ""}});
        conversation.OnPacket(*ParseSessionHeader(*request),
                              std::string_view(*request).substr(kSessionHeaderSize));
        bytes.remove_prefix(1);
    }
    while (bytes.size() >= kSessionHeaderSize) {
        auto header = ParseSessionHeader(bytes);
        if (!header || header->length > kMaxSessionPayload ||
            header->length > bytes.size() - kSessionHeaderSize) {
            break;
        }
        auto step =
            conversation.OnPacket(*header, bytes.substr(kSessionHeaderSize, header->length));
        bytes.remove_prefix(kSessionHeaderSize + header->length);
        if (step.message) {
            text = step.message->text.size();
        }
        if (text > kMaxSessionMessageText) {
            std::abort();
        }
        if (step.close) {
            break;
        }
    }
    return 0;
}
