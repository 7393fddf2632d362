// The connection of MqttClient: the broker looked up, each of its addresses tried, the
// socket watched, and a loss told and tried again after a wait.
#include "mqtt_client.h"

#include "mosquitto_library.h"
#include "tls_context.h"

#include <QSocketNotifier>

#include <mqtt_protocol.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace card_mqtt {

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
    if (lib_)
        setUp();
    misc_.setInterval(std::chrono::seconds(kKeepaliveSeconds / 4));
    connect(&misc_, &QTimer::timeout, this, [this] { afterIo(lib_->loop_misc(mosq_)); });
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &MqttClient::tryAgain);
    connectTimeout_.setSingleShot(true);
    connectTimeout_.setInterval(kConnectTimeout);
    connect(&connectTimeout_, &QTimer::timeout, this, [this] {
        lost(QStringLiteral("no answer within %1 s").arg(kConnectTimeout.count() / 1000), Loss::Unreachable);
    });
}

void MqttClient::setUp()
{
    mosq_ = lib_->create(options_.clientId.toUtf8().constData(), true, this);
    lib_->int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    lib_->int_option(mosq_, MOSQ_OPT_TCP_NODELAY, 1);
    lib_->connect_v5_callback_set(mosq_, &MqttClient::onConnect);
    lib_->disconnect_v5_callback_set(mosq_, &MqttClient::onDisconnect);
    lib_->message_v5_callback_set(mosq_, &MqttClient::onMessage);
    lib_->publish_v5_callback_set(mosq_, &MqttClient::onPublish);
    lib_->subscribe_v5_callback_set(mosq_, &MqttClient::onSubscribe);
    lib_->log_callback_set(mosq_, &MqttClient::onLog);
    if (!options_.user.isEmpty() || !options_.password.isEmpty())
        lib_->username_pw_set(mosq_, options_.user.isEmpty() ? nullptr : options_.user.toUtf8().constData(),
                              options_.password.isEmpty() ? nullptr : options_.password.toUtf8().constData());
    if (!options_.willTopic.isEmpty())
        lib_->will_set_v5(mosq_, options_.willTopic.toUtf8().constData(), int(options_.willPayload.size()),
                          options_.willPayload.constData(), 1, true, nullptr);
    if (!options_.tls)
        return;
    void* context = newTlsContext(options_.host, options_.caFile, unavailable_);
    if (!context) {
        lib_->destroy(std::exchange(mosq_, nullptr));
        return;
    }
    // The context is complete: none of libmosquitto's defaults on top of it.
    lib_->int_option(mosq_, MOSQ_OPT_SSL_CTX_WITH_DEFAULTS, 0);
    lib_->void_option(mosq_, MOSQ_OPT_SSL_CTX, context);
    releaseTlsContext(context);
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
        emit unavailable(unavailable_);
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
    addresses_ = info.addresses();
    nextAddress_ = 0;
    tryAgain();
}

void MqttClient::tryAgain()
{
    if (nextAddress_ >= addresses_.size()) {
        lookUp();
        return;
    }
    connectTo(addresses_.at(nextAddress_++).toString());
}

void MqttClient::connectTo(const QString& address)
{
    libraryError_.clear();
    errno = 0;
    const int rc = lib_->connect_async(mosq_, address.toUtf8().constData(), options_.port, kKeepaliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        lostAfter(rc);
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
        lostAfter(rc);
        return;
    }
    drain();
    if (writeNotifier_)
        writeNotifier_->setEnabled(lib_->want_write(mosq_));
}

void MqttClient::lostAfter(int rc)
{
    const int error = rc == MOSQ_ERR_ERRNO ? errno : 0;
    Loss loss = Loss::Failed;
    if (error == ECONNREFUSED)
        loss = Loss::Refused;
    else if (error == EHOSTUNREACH || error == ENETUNREACH || error == ETIMEDOUT || error == EADDRNOTAVAIL
             || error == EAFNOSUPPORT)
        loss = Loss::Unreachable;
    lost(libraryWords(rc, error), loss);
}

void MqttClient::lost(const QString& words, Loss loss)
{
    const bool wasConnected = std::exchange(connected_, false);
    connectTimeout_.stop();
    unwatchSocket();
    lib_->disconnect(mosq_);
    forgetConnection();
    if (ending_ || retry_.isActive())
        return;
    if (!wasConnected && (loss == Loss::Refused || loss == Loss::Unreachable) && nextAddress_ > 0) {
        tried_ << QStringLiteral("%1 (%2)").arg(addresses_.at(nextAddress_ - 1).toString(), words);
        if (nextAddress_ < addresses_.size()) {
            retry_.start(0);  // the next address, at once
            return;
        }
    }
    const QString why =
        tried_.size() > 1 ? QStringLiteral("none of its addresses answers: %1").arg(tried_.join(QStringLiteral(", "))) : words;
    tried_.clear();
    addresses_.clear();
    nextAddress_ = 0;
    backoff_.disconnected(MqttBackoff::Clock::now());
    std::chrono::milliseconds wait = backoff_.next();
    // Nothing listens there yet: it is looked for again soon, whatever the waits have grown to.
    if (loss == Loss::Refused)
        wait = std::min(wait, kRefusedLongest);
    retry_.start(wait);
    if (loss == Loss::TakenOver)
        emit takenOver(wait);
    else
        emit problem(why, wait);
}

void MqttClient::forgetConnection()
{
    outbox_.clear();
    unacknowledged_.clear();
    subscriptions_.clear();
}

QString MqttClient::libraryWords(int rc, int error) const
{
    // TLS that failed is a protocol error to the library, which has logged OpenSSL's words.
    if ((rc == MOSQ_ERR_TLS || error == EPROTO) && !libraryError_.isEmpty())
        return libraryError_;
    if (rc == MOSQ_ERR_ERRNO && error != 0)
        return QString::fromLocal8Bit(std::strerror(error));
    if (rc == MOSQ_ERR_SUCCESS)
        return QStringLiteral("the connection was closed");
    return QString::fromUtf8(lib_->strerror(rc));
}

QString MqttClient::reasonWords(int reason) const
{
    return QString::fromUtf8(lib_->reason_string(reason));
}

void MqttClient::onConnect(mosquitto*, void* self, int rc, int, const mosquitto_property*)
{
    auto* client = static_cast<MqttClient*>(self);
    client->connectTimeout_.stop();
    if (rc != 0) {
        // The broker's refusal, in its own words.
        client->lost(client->reasonWords(rc));
        return;
    }
    client->connected_ = true;
    client->backoff_.connected(MqttBackoff::Clock::now());
    emit client->connectedToBroker();
}

void MqttClient::onDisconnect(mosquitto*, void* self, int rc, const mosquitto_property*)
{
    auto* client = static_cast<MqttClient*>(self);
    // A try that failed is told by what the library returns, which follows.
    if (client->ending_ || rc == 0 || !client->connected_ || client->retry_.isActive())
        return;
    // An MQTT reason code from the broker's DISCONNECT, or the library's own error.
    const QString words = rc >= 128 ? client->reasonWords(rc) : client->libraryWords(rc, errno);
    client->lost(words, rc == MQTT_RC_SESSION_TAKEN_OVER ? Loss::TakenOver : Loss::Failed);
}

void MqttClient::onLog(mosquitto*, void* self, int level, const char* text)
{
    if (level == MOSQ_LOG_ERR)
        static_cast<MqttClient*>(self)->libraryError_ = QString::fromUtf8(text);
}

} // namespace card_mqtt
