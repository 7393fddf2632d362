#pragma once
// The panel window in this process on its real serial layer, polling a virtual
// card of its own that it opens as COM1.

#include "card_and_panel_processes.h"
#include "panel/form1.h"

#include <memory>

class InProcessPanel {
public:
    explicit InProcessPanel(const QStringList& cardOptions);
    // False when the card did not start or the window could not open it.
    bool ready() const;
    panel::Form1& form() { return *form_; }

private:
    VirtualCard card_;
    std::unique_ptr<panel::Form1> form_;
};
