// What the machine around the service does to its MQTT face, each in a namespace of the
// service's own: a broker's name with two addresses of which the first has no broker, and
// a libmosquitto that cannot be loaded.
#include "card_and_panel_processes.h"
#include "mosquitto_broker.h"
#include "namespaces.h"
#include "private_bus.h"
#include "service_process.h"

#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <dlfcn.h>

namespace {

// Qt's resolver gives IPv6 addresses only where the machine has one of its own, beside
// the loopback's (AI_ADDRCONFIG).
bool hasIpv6Address()
{
    QFile addresses(QStringLiteral("/proc/net/if_inet6"));
    if (!addresses.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : addresses.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 4 && fields[3] == "00")  // global scope
            return true;
    }
    return false;
}

// The file the dynamic loader opens for libmosquitto, its links followed.
QString libmosquittoFile()
{
    QLibrary library(QStringLiteral("mosquitto"), 1);
    Dl_info info{};
    if (!library.load() || !::dladdr(reinterpret_cast<void*>(library.resolve("mosquitto_lib_version")), &info))
        return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).canonicalFilePath();
}

} // namespace

TEST(MachineFaults, EveryAddressOfTheBrokersNameIsTriedInTurnAndEachNamedWhenNoneAnswers)
{
    MosquittoBroker broker;
    if (broker.missing())
        GTEST_SKIP() << "mosquitto is not installed";
    if (!namespacesWork() || !hasIpv6Address())
        GTEST_SKIP() << "needs root, unshare, and an IPv6 address of the machine's own";
    QTemporaryDir folder;
    // IPv6's loopback first, as Debian's own /etc/hosts has it for localhost; the broker
    // listens on IPv4's only.
    QFile hosts(folder.filePath("hosts"));
    ASSERT_TRUE(hosts.open(QIODevice::WriteOnly));
    hosts.write("::1 broker.pelmora.test\n127.0.0.1 broker.pelmora.test\n");
    hosts.close();
    PrivateSessionBus bus;
    VirtualCard card({"--link", folder.filePath("card")});
    const QString where = QStringLiteral("broker.pelmora.test:%1").arg(broker.port());
    ServiceProcess tank({folder.filePath("card"), "--name", "tank", "--mqtt", "mqtt://" + where}, folder.filePath("state"),
                        {}, withFileOver(hosts.fileName(), "/etc/hosts"));
    ASSERT_TRUE(tank.waitToSay("the broker at " + where + ": ")) << tank.said().toStdString();
    // Each with the system's words for its refusal, in the locale's language.
    const QString refused = QString::fromLocal8Bit(std::strerror(ECONNREFUSED));
    EXPECT_TRUE(tank.said().contains(QStringLiteral("none of its addresses answers: ::1 (%1), 127.0.0.1 (%1)").arg(refused)))
        << tank.said().toStdString();

    ASSERT_TRUE(broker.start());
    EXPECT_TRUE(tank.waitToSay("connected to the broker at " + where, 8000)) << tank.said().toStdString();
}

TEST(MachineFaults, AMissingLibmosquittoIsSaidOnceNamingItsPackageAndNothingIsTried)
{
    const QString library = libmosquittoFile();
    if (!namespacesWork() || library.isEmpty())
        GTEST_SKIP() << "needs root, unshare and libmosquitto";
    QTemporaryDir folder;
    PrivateSessionBus bus;
    VirtualCard card({"--link", folder.filePath("card")});
    ServiceProcess tank({folder.filePath("card"), "--name", "tank", "--mqtt", "mqtt://127.0.0.1:1"}, folder.filePath("state"),
                        {}, withFileOver("/dev/null", library));
    ASSERT_TRUE(tank.waitToSay("polling")) << tank.said().toStdString();
    runEventsFor(2500);
    const QString said = tank.said();
    EXPECT_EQ(said.count("the card is not offered on MQTT: libmosquitto is missing"), 1) << said.toStdString();
    EXPECT_TRUE(said.contains("install the package libmosquitto1")) << said.toStdString();
    EXPECT_FALSE(said.contains("trying again")) << said.toStdString();
}
