#pragma once
// The service's face on a bus: the user's session bus, or the system bus when asked. A bus
// that cannot be reached, or that refuses the card's name, is not the end of the service:
// it says why once and goes on polling without it.

#include "card_bus/card_bus_service.h"

// Offers `face` on the system bus or the session bus under the card's own name; empty when
// it is there, else why not, in a line for the log.
QString offerOnBus(card_bus::CardBusService& face, const QString& cardName, bool systemBus);
