#pragma once
// The window behind its face on the session bus: the face follows what the window shows,
// and a request that comes over the bus goes to the window's own handlers (WindowHolder),
// so an output switched from outside is exactly an output clicked.

namespace card_bus {
class CardBusService;
}

namespace panel {

class Form1;

void connectWindowToService(Form1& window, card_bus::CardBusService& service);

// Offers the face on the user's session bus. Where there is no bus at all the panel simply
// runs without it; a bus that is named but cannot be reached or refuses the panel is said
// once on standard error.
void offerOnSessionBus(card_bus::CardBusService& service);

} // namespace panel
