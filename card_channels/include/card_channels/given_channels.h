#pragma once
// The channel settings among those given: output-N-name, input-N-name, analog-N-name,
// analog-N-scale, analog-N-precision, analog-N-device-class and analog-N-deadband, each read
// with where it was given, a refusal saying where to look.

#include "channel_settings.h"

#include "platform/process/given_settings.h"

#include <QStringList>

namespace card_channels {

// Every channel key as a command line's option and a file's key takes it, N written out:
// output-1-name to output-8-name, analog-1-scale, ...
const QStringList& channelOptionKeys();
// A key of the channel settings' form, whatever its N (output-9-name is one, to be refused
// for its channel rather than as an unknown key).
bool isChannelKey(const QString& key);

// Empty when they are good, else "WHERE: what is wrong".
QString settleChannels(const GivenSettings& given, ChannelSettings& channels);

} // namespace card_channels
