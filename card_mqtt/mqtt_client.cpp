#include "mqtt_client.h"

#include "mosquitto_library.h"

#include <QSocketNotifier>

#include <mqtt_protocol.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

namespace card_mqtt {
namespace {

QByteArray bytes(const QString& text)
{
    return text.toUtf8();
}

} // namespace

MqttClient::Options MqttClient::optionsFor(const MqttSettings& settings, const QString& clientId)
{
    Options options;
    options.host = settings.host;
    options.port = settings.port;
    options.tls = settings.tls;
    options.caFile = settings.caFile;
    options.user = settings.user;
    options.password = settings.password;
    options.clientId = clientId;
    return options;
}

MqttClient::MqttClient(const Options& options, QObject* parent) : QObject(parent), options_(options)
{
    lib_ = mosquittoLibrary(unavailable_);
    if (!lib_)
        return;
    mosq_ = lib_->create(bytes(options_.clientId).constData(), true, this);
    lib_->int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    lib_->int_option(mosq_, MOSQ_OPT_TCP_NODELAY, 1);
    lib_->connect_v5_callback_set(mosq_, &MqttClient::onConnect);
    lib_->disconnect_v5_callback_set(mosq_, &MqttClient::onDisconnect);
    lib_->message_v5_callback_set(mosq_, &MqttClient::onMessage);
    lib_->log_callback_set(mosq_, &MqttClient::onLog);
    if (!options_.user.isEmpty() || !options_.password.isEmpty())
        lib_->username_pw_set(mosq_, options_.user.isEmpty() ? nullptr : bytes(options_.user).constData(),
                                  options_.password.isEmpty() ? nullptr : bytes(options_.password).constData());
    if (!options_.willTopic.isEmpty())
        lib_->will_set_v5(mosq_, bytes(options_.willTopic).constData(), int(options_.willPayload.size()),
                              options_.willPayload.constData(), 1, true, nullptr);
    if (options_.tls) {
        if (options_.caFile.isEmpty())
            lib_->int_option(mosq_, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        else
            lib_->tls_set(mosq_, bytes(options_.caFile).constData(), nullptr, nullptr, nullptr, nullptr);
    }
    misc_.setInterval(std::chrono::seconds(kKeepaliveSeconds / 4));
    connect(&misc_, &QTimer::timeout, this, [this] { afterIo(lib_->loop_misc(mosq_)); });
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &MqttClient::lookUp);
    connectTimeout_.setSingleShot(true);
    connectTimeout_.setInterval(kConnectTimeout);
    connect(&connectTimeout_, &QTimer::timeout, this, [this] {
        lost(QStringLiteral("no answer within %1 s").arg(kConnectTimeout.count() / 1000));
    });
}

MqttClient::~MqttClient()
{
    ending_ = true;
    if (lookup_ >= 0)
        QHostInfo::abortHostLookup(lookup_);
    unwatchSocket();
    if (mosq_)
        lib_->destroy(mosq_);
}

QString MqttClient::where() const
{
    return options_.host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]:%2").arg(options_.host).arg(options_.port)
                                                    : QStringLiteral("%1:%2").arg(options_.host).arg(options_.port);
}

void MqttClient::start()
{
    if (!mosq_) {
        emit problem(unavailable_, std::chrono::milliseconds::zero());
        return;
    }
    lookUp();
}

void MqttClient::lookUp()
{
    lookup_ = QHostInfo::lookupHost(options_.host, this, &MqttClient::lookedUp);
}

void MqttClient::lookedUp(const QHostInfo& info)
{
    lookup_ = -1;
    if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
        lost(QStringLiteral("cannot find %1: %2").arg(options_.host, info.errorString()));
        return;
    }
    // Over TLS the library checks the broker's certificate against the name it is given, so
    // it gets the name, which the system has just resolved; otherwise the address.
    connectTo(options_.tls ? options_.host : info.addresses().first().toString());
}

void MqttClient::connectTo(const QString& address)
{
    libraryError_.clear();
    errno = 0;
    const int rc = lib_->connect_async(mosq_, bytes(address).constData(), options_.port, kKeepaliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        lost(libraryWords(rc), rc == MOSQ_ERR_ERRNO && errno == ECONNREFUSED ? Loss::Refused : Loss::Failed);
        return;
    }
    connectTimeout_.start();
    watchSocket();
}

void MqttClient::watchSocket()
{
    unwatchSocket();
    const int socket = lib_->socket(mosq_);
    if (socket < 0)
        return;
    readNotifier_ = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read);
    connect(readNotifier_.get(), &QSocketNotifier::activated, this, &MqttClient::readable);
    writeNotifier_ = std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Write);
    connect(writeNotifier_.get(), &QSocketNotifier::activated, this, &MqttClient::writable);
    writeNotifier_->setEnabled(lib_->want_write(mosq_));
    misc_.start();
}

void MqttClient::unwatchSocket()
{
    readNotifier_.reset();
    writeNotifier_.reset();
    misc_.stop();
}

void MqttClient::readable()
{
    afterIo(lib_->loop_read(mosq_, 1));
    // What came is acknowledged at once, not after the kernel's delay: the broker holds a
    // small message back (Nagle) while one of its own waits for that, and a command would.
    if (const int socket = connected_ ? lib_->socket(mosq_) : -1; socket >= 0) {
        const int now = 1;
        ::setsockopt(socket, IPPROTO_TCP, TCP_QUICKACK, &now, sizeof now);
    }
}

void MqttClient::writable()
{
    afterIo(lib_->loop_write(mosq_, 1));
}

void MqttClient::afterIo(int rc)
{
    if (ending_)
        return;
    if (rc != MOSQ_ERR_SUCCESS || lib_->socket(mosq_) < 0) {
        lost(libraryWords(rc), rc == MOSQ_ERR_ERRNO && errno == ECONNREFUSED ? Loss::Refused : Loss::Failed);
        return;
    }
    if (writeNotifier_)
        writeNotifier_->setEnabled(lib_->want_write(mosq_));
}

void MqttClient::lost(const QString& words, Loss loss)
{
    const bool wasConnected = std::exchange(connected_, false);
    connectTimeout_.stop();
    unwatchSocket();
    lib_->disconnect(mosq_);
    if (ending_ || retry_.isActive())
        return;
    backoff_.disconnected(MqttBackoff::Clock::now());
    std::chrono::milliseconds wait = backoff_.next();
    // Nothing listens there yet: it is looked for again soon, whatever the waits have grown to.
    if (loss == Loss::Refused)
        wait = std::min(wait, kRefusedLongest);
    retry_.start(wait);
    const bool soon = wasConnected && std::chrono::steady_clock::now() - connectedAt_ < kTakenOverWithin;
    if (loss == Loss::TakenOver || (soon && loss == Loss::Failed))
        emit takenOver(wait);
    else
        emit problem(words, wait);
}

QString MqttClient::libraryWords(int rc) const
{
    if (rc == MOSQ_ERR_ERRNO && errno != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (rc == MOSQ_ERR_TLS && !libraryError_.isEmpty())
        return libraryError_;
    if (rc == MOSQ_ERR_SUCCESS)
        return QStringLiteral("the connection was closed");
    return QString::fromUtf8(lib_->strerror(rc));
}

bool MqttClient::publish(const QString& topic, const QByteArray& payload, bool retain)
{
    return publishAt(1, topic, payload, retain);
}

bool MqttClient::publishAt(int qos, const QString& topic, const QByteArray& payload, bool retain)
{
    if (!connected_)
        return false;
    const int rc = lib_->publish_v5(mosq_, nullptr, bytes(topic).constData(), int(payload.size()), payload.constData(),
                                        qos, retain, nullptr);
    if (writeNotifier_)
        writeNotifier_->setEnabled(lib_->want_write(mosq_));
    return rc == MOSQ_ERR_SUCCESS;
}

bool MqttClient::subscribe(const QString& pattern)
{
    if (!connected_)
        return false;
    // What the broker holds retained is not sent, and what is published with the retain flag
    // keeps it: a command meant to be kept is known as one, whenever it comes.
    const int rc = lib_->subscribe_v5(mosq_, nullptr, bytes(pattern).constData(), 1,
                                          MQTT_SUB_OPT_SEND_RETAIN_NEVER | MQTT_SUB_OPT_RETAIN_AS_PUBLISHED, nullptr);
    if (writeNotifier_)
        writeNotifier_->setEnabled(lib_->want_write(mosq_));
    return rc == MOSQ_ERR_SUCCESS;
}

void MqttClient::finish(const QList<std::pair<QString, QByteArray>>& last, std::chrono::milliseconds wait)
{
    if (!connected_)
        return;
    // At QoS 0, so that none waits for the broker's acknowledgement of another: they go out
    // in order, all before the goodbye, with nothing left to read.
    for (const auto& [topic, payload] : last)
        publishAt(0, topic, payload, true);
    ending_ = true;
    lib_->disconnect(mosq_);
    // Out before the program ends: a little loop of its own, since the event loop is done.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    while (lib_->want_write(mosq_) && lib_->socket(mosq_) >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd out{lib_->socket(mosq_), POLLOUT, 0};
        if (left.count() <= 0 || ::poll(&out, 1, int(left.count())) <= 0)
            break;
        if (lib_->loop_write(mosq_, 1) != MOSQ_ERR_SUCCESS)
            break;
    }
    connected_ = false;
}

void MqttClient::onConnect(mosquitto*, void* self, int rc, int, const mosquitto_property*)
{
    auto* client = static_cast<MqttClient*>(self);
    client->connectTimeout_.stop();
    if (rc != 0) {
        // The broker's refusal, in its own words.
        client->lost(QString::fromUtf8(client->lib_->reason_string(rc)));
        return;
    }
    client->connected_ = true;
    client->connectedAt_ = std::chrono::steady_clock::now();
    client->backoff_.connected(MqttBackoff::Clock::now());
    emit client->connectedToBroker();
}

void MqttClient::onDisconnect(mosquitto*, void* self, int rc, const mosquitto_property*)
{
    auto* client = static_cast<MqttClient*>(self);
    if (client->ending_ || rc == 0 || client->retry_.isActive())
        return;
    // An MQTT reason code from the broker's DISCONNECT, or the library's own error.
    const QString words = rc >= 128 ? QString::fromUtf8(client->lib_->reason_string(rc)) : client->libraryWords(rc);
    client->lost(words, rc == MQTT_RC_SESSION_TAKEN_OVER ? Loss::TakenOver : Loss::Failed);
}

void MqttClient::onMessage(mosquitto*, void* self, const mosquitto_message* message, const mosquitto_property*)
{
    emit static_cast<MqttClient*>(self)->message(
        QString::fromUtf8(message->topic), QByteArray(static_cast<const char*>(message->payload), message->payloadlen),
        message->retain);
}

void MqttClient::onLog(mosquitto*, void* self, int level, const char* text)
{
    if (level == MOSQ_LOG_ERR)
        static_cast<MqttClient*>(self)->libraryError_ = QString::fromUtf8(text);
}

} // namespace card_mqtt
