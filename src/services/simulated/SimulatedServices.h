// The demonstration table of services (PALOMET_SERVICES=simulated): a machine without
// systemd can show the Services dialog and the service commands at work. Tests and the
// programs of a build tree link it; the installed packages do not carry it.
#pragma once

#include <memory>

#include "services/ServicesContext.h"

namespace services {

// This machine with a few services in every state, and a fixed list of accounts.
std::unique_ptr<ServicesContext> MakeSimulatedServicesContext();

// Offers it as PALOMET_SERVICES=simulated.
void OfferSimulatedServices();

}  // namespace services
