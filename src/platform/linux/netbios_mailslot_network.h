// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "netbios/name_resolver.h"
#include "netbios/netbios_service.h"
#include "netbios/session_client.h"
#include "platform/linux/local_mailslot_delivery.h"
#include "platform/mailslot_network.h"
#include "platform/messenger_message.h"

namespace lyr {

// Mailslot writes over NetBIOS datagrams, and the receiving half: every mailslot write that
// reaches one of our names goes into this computer's queue of its slot.
//   a computer  -> DIRECT_UNIQUE to NAME<03> at the address the name resolves to; a computer
//                  given by its IPv4 address, to the <03> name its node status tells
//   a group     -> DIRECT_GROUP to GROUP<00> on every interface's broadcast address
//   "*"         -> DIRECT_GROUP to our workgroup<00>, the same way
// Group and "*" writes go into our own queue too, as Windows delivers them to itself.
// Why a write to another computer, a group or "*" failed.
enum class RemoteWriteFailure {
    None,
    NoNetwork,     // no UDP socket could be opened (the service's status says why)
    NameNotFound,  // nobody answered a name query for it, and DNS does not know it; for an
                   // address, the node there told no messenger name (or did not answer)
    TooLarge,      // more than one datagram can carry
    NotSent,       // the datagram to a computer could not go out: no interface reaches it
    NoBroadcast,   // a group write: no interface carries broadcasts, and nobody on this computer
                   // holds the slot either
};

// Turns a popup message that came over a NetBIOS session into the datagram of the messenger
// slot, so that it takes the road of every other message.
using SessionDatagramBuilder = std::function<std::string(const MessengerMessage& message)>;

class NetbiosMailslotNetwork : public MailslotNetwork {
public:
    // With a `session_datagram`, an owner of the ports also receives popup messages over TCP
    // sessions and hands them into the "messngr" queue.
    explicit NetbiosMailslotNetwork(netbios::ServiceConfig config,
                                    SessionDatagramBuilder session_datagram = {});

    bool WriteRemote(const std::string& server, const std::string& slot,
                     std::string_view data) override;
    // The reason of the latest write that failed, of any thread (a program that writes from one
    // thread, as lyrnet does, can tell its user why).
    RemoteWriteFailure LastFailure() const { return last_failure_; }

    // One popup message to one computer over the NetBIOS session service (for peers that take
    // messages only that way), the computer found as for a mailslot write. Failures to find it
    // are kept as LastFailure and reported as NotSent here; the outcome says how the session went.
    struct SessionWrite {
        RemoteWriteFailure failure = RemoteWriteFailure::None;
        netbios::SessionSendOutcome outcome;
    };
    SessionWrite WriteOverSession(const std::string& server, std::string_view sender,
                                  std::string_view text);

    netbios::NetbiosService& Service() { return service_; }
    LocalMailslotDelivery& Delivery() { return delivery_; }

private:
    // What the service brought for the slots of this computer, into their queues.
    void Deliver(std::vector<netbios::ArrivedMailslotWrite> writes);
    RemoteWriteFailure Write(const std::string& server, const std::string& slot,
                             std::string_view data);
    RemoteWriteFailure WriteToAddress(uint32_t address, const std::string& mailslot_name,
                                      std::string_view data);
    RemoteWriteFailure WriteToGroup(const netbios::NetbiosName& group,
                                    const std::string& mailslot_name, const std::string& slot,
                                    std::string_view data);
    RemoteWriteFailure SentOrNot(bool sent) const;

    LocalMailslotDelivery delivery_;  // outlives the service that feeds it
    netbios::NetbiosService service_;
    netbios::NameResolver resolver_;
    std::atomic<RemoteWriteFailure> last_failure_{RemoteWriteFailure::None};
};

}  // namespace lyr
