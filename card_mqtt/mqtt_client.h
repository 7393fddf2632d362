#pragma once
// One MQTT connection (version 5) on libmosquitto (loaded then, see mosquitto_library.h),
// driven by Qt's event loop in the
// caller's thread: a read notifier on the library's socket, a write notifier enabled only
// while the library has something to send, a timer for its keepalive; the notifiers are
// made anew for the socket of each connection. The broker's name is looked up by Qt in the
// background, so the caller's thread never waits on the network. A connection that fails,
// drops or is taken over is tried again after a wait (see MqttBackoff); while nothing
// listens on the broker's port the waits stop growing at kRefusedLongest.

#include "mqtt_backoff.h"
#include "mqtt_settings.h"

#include <QByteArray>
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
    static constexpr std::chrono::milliseconds kConnectTimeout{10000};
    static constexpr std::chrono::milliseconds kRefusedLongest{4000};
    // A connection the broker closes this soon after accepting it has most likely been taken
    // over by another client of the same id (some brokers close it without saying why).
    static constexpr std::chrono::milliseconds kTakenOverWithin{5000};

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
    // QoS 1. False when not connected: nothing is kept for later, since everything goes out
    // anew at each connection.
    bool publish(const QString& topic, const QByteArray& payload, bool retain);
    // QoS 1; the retained messages the broker holds for `pattern` are not sent, and a message
    // published with the retain flag comes with it, even while subscribed.
    bool subscribe(const QString& pattern);
    // Publishes the `last` messages, retained, and ends the connection with a goodbye (so
    // that the will is not published), waiting at most `wait` for them to leave.
    void finish(const QList<std::pair<QString, QByteArray>>& last, std::chrono::milliseconds wait);

signals:
    void connectedToBroker();
    void message(const QString& topic, const QByteArray& payload, bool retained);
    // Why a connection failed or ended, in the broker's or the library's words; `wait` is
    // how long until the next try.
    void problem(const QString& words, std::chrono::milliseconds wait);
    // The broker ended the connection, most likely because another client connected with the
    // same id.
    void takenOver(std::chrono::milliseconds wait);

private:
    static void onConnect(mosquitto*, void* self, int rc, int flags, const mosquitto_property*);
    static void onDisconnect(mosquitto*, void* self, int rc, const mosquitto_property*);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* message, const mosquitto_property*);
    static void onLog(mosquitto*, void* self, int level, const char* text);

    void lookUp();
    void lookedUp(const QHostInfo& info);
    void connectTo(const QString& address);
    void watchSocket();
    void unwatchSocket();
    void readable();
    void writable();
    // After the library has read or written: more to write, or a connection that broke.
    void afterIo(int rc);
    enum class Loss { Failed, Refused, TakenOver };  // Refused: nothing listens on the port
    // The connection failed or ended: why, told once an attempt, and the next try after a wait.
    void lost(const QString& words, Loss loss = Loss::Failed);
    QString libraryWords(int rc) const;
    bool publishAt(int qos, const QString& topic, const QByteArray& payload, bool retain);

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
    bool connected_ = false;
    bool ending_ = false;
    std::chrono::steady_clock::time_point connectedAt_{};
    QString libraryError_;
};

} // namespace card_mqtt
