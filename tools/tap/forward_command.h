#pragma once
// pelmora-tap forwarding between the panel and the card: opens both ends and the
// recording, starts the panel (--panel) and the live chart's process (--live) when asked, and
// forwards until stopped or until the panel ends. Returns the exit status.

#include "tap_options.h"

int runForwardCommand(const TapOptions& options);
