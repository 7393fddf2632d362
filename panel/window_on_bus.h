#pragma once
// The window behind its service on the session bus: the service follows what the window
// shows, and a request that comes over the bus goes to the window's own handlers, so an
// output switched from outside is exactly an output clicked.

namespace panel {

class CardBusService;
class Form1;

void connectWindowToService(Form1& window, CardBusService& service);

// Offers the service on the user's session bus. Where there is no bus at all the panel
// simply runs without it; a bus that is named but cannot be reached or refuses the panel
// is said once on standard error.
void offerOnSessionBus(CardBusService& service);

} // namespace panel
