// SPDX-License-Identifier: GPL-3.0-or-later
#include "netbios/session_conversation.h"

#include "netbios/byte_io.h"

namespace lyr::netbios {

SessionConversation::SessionConversation(Settings settings) : settings_(std::move(settings)) {}

SessionConversation::Step SessionConversation::OnPacket(const SessionHeader& header,
                                                        std::string_view payload) {
    switch (static_cast<SessionType>(header.type)) {
        case SessionType::Request:
            // A second request on an established session is a broken peer.
            if (established_) {
                return {{}, true, {}};
            }
            return OnSessionRequest(payload);
        case SessionType::KeepAlive:
            return {*BuildSessionPacket(SessionType::KeepAlive), false, {}};
        case SessionType::Message:
            if (!established_) {
                return {{}, true, {}};
            }
            return OnSmb(payload);
        default:
            return {{}, true, {}};
    }
}

SessionConversation::Step SessionConversation::OnSessionRequest(std::string_view payload) {
    auto request = ParseSessionRequest(payload);
    if (!request) {
        return {*BuildSessionPacket(SessionType::Negative,
                                    std::string(1, static_cast<char>(kNotListeningOnCalledName))),
                true,
                {}};
    }
    const auto ours = NetbiosName::Make(settings_.computer_name, kMessengerSuffix);
    if (request->called.name != ours || request->called.scope != settings_.scope ||
        !(settings_.holds_name && settings_.holds_name(ours))) {
        return {*BuildSessionPacket(SessionType::Negative,
                                    std::string(1, static_cast<char>(kCalledNameNotPresent))),
                true,
                {}};
    }
    established_ = true;
    calling_ = request->calling.name;
    return {*BuildSessionPacket(SessionType::Positive), false, {}};
}

std::string SessionConversation::Reply(const SmbFrame& request, SmbError error,
                                       std::string_view words) {
    return *BuildSessionPacket(SessionType::Message, BuildSmbReply(request, error, words));
}

bool SessionConversation::IsOurDestination(std::string_view destination) const {
    std::string name(destination);
    while (!name.empty() && name.back() == ' ') {
        name.pop_back();
    }
    return NetbiosUpper(name) == settings_.computer_name;
}

SessionConversation::Step SessionConversation::OnSmb(std::string_view smb) {
    auto frame = ParseSmb(smb);
    if (!frame) {
        // Not even an SMB header to answer to.
        return {{}, true, {}};
    }
    Step step;
    switch (frame->command) {
        case kSmbSendMessage: {
            auto message = ParseSendMessage(*frame);
            if (!message) {
                step.reply = Reply(*frame, kSmbInvalid);
            } else if (!IsOurDestination(message->names.destination)) {
                step.reply = Reply(*frame, kSmbNotReceiving);
            } else {
                step.reply = Reply(*frame, kSmbSuccess);
                step.message =
                    SessionMessage{SessionSenderName(message->names.originator, calling_),
                                   message->names.destination, std::move(message->text), calling_};
            }
            break;
        }
        case kSmbSendStartMessage: {
            // A new start abandons a message that was never ended.
            pending_.reset();
            pending_text_.clear();
            auto names = ParseSendStart(*frame);
            if (!names) {
                step.reply = Reply(*frame, kSmbInvalid);
            } else if (!IsOurDestination(names->destination)) {
                step.reply = Reply(*frame, kSmbNotReceiving);
            } else {
                pending_ = std::move(*names);
                ++group_;
                ByteWriter words;
                words.U16LE(group_);
                step.reply = Reply(*frame, kSmbSuccess, words.Take());
            }
            break;
        }
        case kSmbSendTextMessage: {
            auto block = ParseSendText(*frame);
            if (!block || !pending_ || block->group != group_) {
                step.reply = Reply(*frame, kSmbInvalid);
            } else if (pending_text_.size() + block->text.size() > kMaxSessionMessageText) {
                // The whole message is dropped: its end will find nothing to deliver.
                step.refused_length = pending_text_.size() + block->text.size();
                pending_.reset();
                pending_text_.clear();
                step.reply = Reply(*frame, kSmbNoRoom);
            } else {
                pending_text_ += block->text;
                step.reply = Reply(*frame, kSmbSuccess);
            }
            break;
        }
        case kSmbSendEndMessage: {
            auto group = ParseSendEnd(*frame);
            if (!group || !pending_ || *group != group_) {
                step.reply = Reply(*frame, kSmbInvalid);
            } else {
                step.reply = Reply(*frame, kSmbSuccess);
                step.message =
                    SessionMessage{SessionSenderName(pending_->originator, calling_),
                                   pending_->destination, std::move(pending_text_), calling_};
                pending_.reset();
                pending_text_.clear();
            }
            break;
        }
        default:
            step.reply = Reply(*frame, kSmbUnknownCommand);
            break;
    }
    return step;
}

}  // namespace lyr::netbios
