#pragma once

#include "netbios/netbios_service.h"

namespace lyr {

// The NetBIOS service settings of this computer: our computer name and workgroup
// (host_identity.h), the standard ports. The environment may change them, for test hosts and
// for running beside another NetBIOS stack:
//   LYR_NETBIOS_NS_PORT, LYR_NETBIOS_DGM_PORT   name service and datagram ports (137, 138)
//   LYR_NETBIOS_SSN_PORT                        session service port (TCP 139)
//   LYR_NETBIOS_COMPUTER_NAME, LYR_NETBIOS_WORKGROUP
netbios::ServiceConfig MakeNetbiosServiceConfig(netbios::ServiceMode mode);

}  // namespace lyr
