#pragma once
// One MQTT connection (version 5) on libmosquitto (loaded then, see mosquitto_library.h),
// driven by Qt's event loop in the caller's thread: a read notifier on the library's
// socket, a write notifier enabled only while the library has something to send, a timer
// for its keepalive; the notifiers are made anew for the socket of each connection. The
// broker's name is looked up by Qt in the background, so the caller's thread never waits
// on the network, and each of its addresses is tried in the resolver's order until one
// answers (over TLS the certificate is checked against the name, see tls_context.h). A
// connection that fails, drops or is taken over is tried again after a wait (see
// MqttBackoff); while nothing listens on the broker's port the waits stop growing at
// kRefusedLongest. What is published goes out at once while the connection keeps up, and
// waits in an Outbox, one message a topic, while it does not.

#include "mqtt_backoff.h"
#include "mqtt_settings.h"
#include "outbox.h"

#include <QByteArray>
#include <QHash>
#include <QHostInfo>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>
#include <utility>

class QSocketNotifier;
struct mosquitto;
struct mosquitto_message;
typedef struct mqtt5__property mosquitto_property;

namespace card_mqtt {

struct MosquittoLibrary;

class MqttClient : public QObject {
    Q_OBJECT
public:
    static constexpr int kKeepaliveSeconds = 60;
    // For each of the broker's addresses.
    static constexpr std::chrono::milliseconds kConnectTimeout{10000};
    static constexpr std::chrono::milliseconds kRefusedLongest{4000};
    // Messages sent and not yet acknowledged by the broker, beyond which the next wait in
    // the outbox: well under the 20 that brokers take in flight by default.
    static constexpr int kMostUnacknowledged = 10;

    struct Options {
        QString host;
        quint16 port = 1883;
        bool tls = false;
        QString caFile;  // empty: the system's certificate authorities
        QString user;
        QString password;
        QString clientId;
        QString willTopic;  // retained, QoS 1, when the connection ends without a goodbye
        QByteArray willPayload;
    };

    // The options for reaching the broker as `settings` name it, under `clientId`.
    static Options optionsFor(const MqttSettings& settings, const QString& clientId);

    explicit MqttClient(const Options& options, QObject* parent = nullptr);
    ~MqttClient() override;

    // Looks the broker up and connects, in the background; tries again until it is there.
    void start();
    bool isConnected() const { return connected_; }
    // "HOST:PORT", for messages.
    QString where() const;
    // QoS 1. False when not connected: nothing is kept for a later connection, since
    // everything goes out anew at each.
    bool publish(const QString& topic, const QByteArray& payload, bool retain);
    // QoS 1; a message published with the retain flag comes with it, even while subscribed.
    // The retained messages the broker holds for `pattern` come first with `retainedToo`.
    bool subscribe(const QString& pattern, bool retainedToo = false);
    // Connected, and everything published acknowledged by the broker.
    bool allAcknowledged() const { return connected_ && outbox_.isEmpty() && unacknowledged_.isEmpty(); }
    // Ends this connection with a goodbye (no will) and connects again after `wait`,
    // saying nothing of it.
    void pause(std::chrono::milliseconds wait);
    // Publishes the `last` messages, retained, and ends the connection with a goodbye (so
    // that the will is not published), waiting at most `wait` for them to leave.
    void finish(const QList<std::pair<QString, QByteArray>>& last, std::chrono::milliseconds wait);

signals:
    void connectedToBroker();
    void message(const QString& topic, const QByteArray& payload, bool retained);
    // Why a connection failed or ended, in the broker's or the library's words; `wait` is
    // how long until the next try.
    void problem(const QString& words, std::chrono::milliseconds wait);
    // The broker ended the connection because another client connected with the same id.
    void takenOver(std::chrono::milliseconds wait);
    // libmosquitto (or the TLS it brings) cannot be had: nothing is tried.
    void unavailable(const QString& words);
    // The broker's answer to a message published: `refusal` in its words, empty when taken.
    void acknowledged(const QString& topic, const QString& refusal);
    // Its answer to a subscription, likewise.
    void subscribed(const QString& pattern, const QString& refusal);

private:
    static void onConnect(mosquitto*, void* self, int rc, int flags, const mosquitto_property*);
    static void onDisconnect(mosquitto*, void* self, int rc, const mosquitto_property*);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message, const mosquitto_property*);
    static void onPublish(mosquitto*, void* self, int mid, int reason, const mosquitto_property*);
    static void onSubscribe(mosquitto*, void* self, int mid, int count, const int* granted, const mosquitto_property*);
    static void onLog(mosquitto*, void* self, int level, const char* text);

    void setUp();
    void lookUp();
    void lookedUp(const QHostInfo& info);
    // The next of the broker's addresses, or the name looked up again once all were tried.
    void tryAgain();
    void connectTo(const QString& address);
    void watchSocket();
    void unwatchSocket();
    void readable();
    void writable();
    // After the library has read or written: more to write, or a connection that broke.
    void afterIo(int rc);
    // Failed: something went wrong; Refused: nothing listens on the port; Unreachable: the
    // address does not answer, or cannot be reached.
    enum class Loss { Failed, Refused, Unreachable, TakenOver };
    // What the library returned (`rc`, with errno) was a loss.
    void lostAfter(int rc);
    // The connection failed or ended: why, told once an attempt, and the next try after a
    // wait; an address that does not answer is followed by the next at once.
    void lost(const QString& words, Loss loss = Loss::Failed);
    QString libraryWords(int rc, int error) const;
    QString reasonWords(int reason) const;
    bool send(int qos, const Outbox::Message& message);
    bool congested() const;
    void drain();
    void forgetConnection();
    // A goodbye to the broker, written within `wait` however the event loop fares.
    void goodbye(std::chrono::milliseconds wait);

    Options options_;
    const MosquittoLibrary* lib_ = nullptr;
    QString unavailable_;  // why the library could not be had
    mosquitto* mosq_ = nullptr;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    QTimer misc_;
    QTimer retry_;
    QTimer connectTimeout_;
    MqttBackoff backoff_;
    int lookup_ = -1;
    QList<QHostAddress> addresses_;  // the broker's, in the resolver's order
    int nextAddress_ = 0;
    QStringList tried_;              // "ADDRESS (why)" for each that did not answer this round
    bool connected_ = false;
    bool ending_ = false;
    QString libraryError_;
    Outbox outbox_;
    QHash<int, QString> unacknowledged_;  // message id: topic
    QHash<int, QString> subscriptions_;   // message id: pattern
};

} // namespace card_mqtt
