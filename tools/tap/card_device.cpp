#include "card_device.h"

#include "port_messages/port_messages.h"

#include <QScopeGuard>
#include <QSocketNotifier>

#include <memory>

CardDevice::CardDevice(std::function<std::string(std::string&)> resolveName)
{
    port_.setResolver([this, resolve = std::move(resolveName)](QString& problem) {
        std::string why;
        name_ = resolve(why);
        problem = QString::fromStdString(why);
        return QString::fromStdString(name_);
    });
}

bool CardDevice::open(std::string& error, int stopFd)
{
    std::unique_ptr<QSocketNotifier> stop;
    if (stopFd >= 0) {
        stop = std::make_unique<QSocketNotifier>(stopFd, QSocketNotifier::Read);
        QObject::connect(stop.get(), &QSocketNotifier::activated, &port_, [this, &stop] {
            stop->setEnabled(false);  // stays readable until the loop takes the signal
            port_.setPortOpen(false);
        });
    }
    const QMetaObject::Connection early = QObject::connect(
        &port_, &card_link::CardPort::notice, &port_,
        [this](const card_link::PortProblem& what) { earlyNotices_.push_back(what); });
    const auto listenNoMore = qScopeGuard([&early] { QObject::disconnect(early); });
    try {
        port_.setPortOpen(true);
    } catch (const card_link::SerialError& refused) {
        error = card_link::portMessage(refused.problem(), card_link::Language::English).toStdString();
        return false;
    }
    return true;
}
