// How MqttClient ends a connection on purpose: paused for a while, or finished for good,
// each with a goodbye, so that the broker does not publish the will.
#include "mqtt_client.h"

#include "mosquitto_library.h"

#include <poll.h>

namespace card_mqtt {
namespace {

// How long a goodbye may take to leave when the connection is paused.
constexpr std::chrono::milliseconds kPauseGoodbye{300};

} // namespace

void MqttClient::pause(std::chrono::milliseconds wait)
{
    if (!connected_)
        return;
    connected_ = false;
    forgetConnection();
    addresses_.clear();  // looked up anew, next time
    nextAddress_ = 0;
    // From the event loop, not from the library's callback that may have led here, where
    // the goodbye would only be queued.
    QTimer::singleShot(0, this, [this, wait] {
        if (ending_ || retry_.isActive())
            return;
        ending_ = true;  // what the library says of this end is no loss
        goodbye(kPauseGoodbye);
        ending_ = false;
        connectTimeout_.stop();
        unwatchSocket();
        retry_.start(wait);
    });
}

void MqttClient::finish(const QList<std::pair<QString, QByteArray>>& last, std::chrono::milliseconds wait)
{
    if (!connected_)
        return;
    // What waits, then the last words: at QoS 0, so that none waits for the broker's
    // acknowledgement of another; they go out in order, all before the goodbye, with
    // nothing left to read.
    while (!outbox_.isEmpty())
        send(0, outbox_.take());
    for (const auto& [topic, payload] : last)
        send(0, {topic, payload, true});
    ending_ = true;
    goodbye(wait);
    connected_ = false;
}

void MqttClient::goodbye(std::chrono::milliseconds wait)
{
    lib_->disconnect(mosq_);
    // Out before going on: a little loop of its own, since the event loop may be done.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (lib_->want_write(mosq_) && lib_->socket(mosq_) >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd out{lib_->socket(mosq_), POLLOUT, 0};
        if (left.count() <= 0 || ::poll(&out, 1, int(left.count())) <= 0)
            break;
        if (lib_->loop_write(mosq_, 1) != MOSQ_ERR_SUCCESS)
            break;
    }
}

} // namespace card_mqtt
