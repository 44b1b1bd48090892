#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "netbios/name_resolver.h"
#include "netbios/netbios_service.h"
#include "platform/linux/local_mailslot_delivery.h"
#include "platform/mailslot_network.h"

namespace lyr {

// Mailslot writes over NetBIOS datagrams, and the receiving half: every mailslot write that
// reaches one of our names goes into this computer's queue of its slot.
//   a computer  -> DIRECT_UNIQUE to NAME<03> at the address the name resolves to
//   a group     -> DIRECT_GROUP to GROUP<00> on every interface's broadcast address
//   "*"         -> DIRECT_GROUP to our workgroup<00>, the same way
// Group and "*" writes go into our own queue too, as Windows delivers them to itself.
class NetbiosMailslotNetwork : public MailslotNetwork {
public:
    explicit NetbiosMailslotNetwork(netbios::ServiceConfig config);

    bool WriteRemote(const std::string& server, const std::string& slot,
                     std::string_view data) override;

    netbios::NetbiosService& Service() { return service_; }
    LocalMailslotDelivery& Delivery() { return delivery_; }

private:
    bool WriteToGroup(const netbios::NetbiosName& group, const std::string& mailslot_name,
                      const std::string& slot, std::string_view data);

    LocalMailslotDelivery delivery_;  // outlives the service that feeds it
    netbios::NetbiosService service_;
    netbios::NameResolver resolver_;
};

}  // namespace lyr
