// Two programs of one card name on one broker: the first keeps the name, the second stays
// off the broker, and the first is not refused its own name after a power cut.
#include "card_and_panel_processes.h"
#include "mosquitto_broker.h"
#include "namespaces.h"
#include "private_bus.h"
#include "service_process.h"

#include "card_link/port_refusal.h"

#include <QFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace {

// A card of its own, and the service holding it as `name`, run through `wrapper`.
struct Held {
    Held(const QString& name, const QString& url, const QStringList& wrapper = {})
        : card({"--follow-outputs", "--link", folder.filePath("card"), "--log", folder.filePath("frames")})
    {
        start(name, url, wrapper);
    }
    void start(const QString& name, const QString& url, const QStringList& wrapper = {})
    {
        service = std::make_unique<ServiceProcess>(QStringList{folder.filePath("card"), "--name", name, "--mqtt", url},
                                                   folder.filePath("state"), QProcessEnvironment(), wrapper);
    }
    bool switched(int mask)
    {
        for (const LoggedFrame& frame : readFrameLog(folder.filePath("frames"))) {
            if (frame.mask == mask)
                return true;
        }
        return false;
    }

    QTemporaryDir folder;
    VirtualCard card;
    std::unique_ptr<ServiceProcess> service;
};

} // namespace

TEST(NameHolder, TheFirstKeepsTheNameTheSecondStaysOffAndAPowerCutCostsTheFirstNothing)
{
    MosquittoBroker broker;
    if (broker.missing())
        GTEST_SKIP() << "mosquitto is not installed";
    if (!namespacesWork())
        GTEST_SKIP() << "needs root and unshare, for a second machine's host name";
    ASSERT_TRUE(broker.start());
    PrivateSessionBus bus;
    MqttFollower follower(broker.port(), {"pelmora/twin/availability"});
    Held first("twin", broker.url());
    ASSERT_TRUE(first.service->waitToSay("connected to the broker")) << first.service->said().toStdString();
    Held second("twin", broker.url(), withHostName("other"));
    const QString used = QStringLiteral("the name twin on 127.0.0.1:%1 is used by pelmorad on %2: this card stays off")
                             .arg(broker.port())
                             .arg(QSysInfo::machineHostName());
    ASSERT_TRUE(second.service->waitToSay(used)) << second.service->said().toStdString();
    ASSERT_TRUE(publishOnce(broker.port(), "pelmora/twin/output/3/set", "ON"));
    runEventsFor(1500);
    EXPECT_TRUE(first.switched(0x20));
    EXPECT_FALSE(second.switched(0x20)) << "the second obeys nothing from the broker";
    EXPECT_FALSE(second.service->said().contains("connected to the broker")) << second.service->said().toStdString();
    EXPECT_FALSE(follower.lines().join('\n').contains("offline")) << follower.lines().join('\n').toStdString();

    // A power cut: the broker still holds the first one's word that it is online.
    ::kill(first.service->pid(), SIGKILL);
    first.service->process().waitForFinished(3000);
    QFile::remove(card_link::lockFileFor(first.folder.filePath("card")));
    ASSERT_TRUE(follower.waitFor("pelmora/twin/availability offline"));
    ASSERT_TRUE(publishOnce(broker.port(), "pelmora/twin/availability", "online", true));
    first.start("twin", broker.url());
    EXPECT_TRUE(first.service->waitToSay("connected to the broker")) << first.service->said().toStdString();
    EXPECT_EQ(second.service->said().count(used), 1) << second.service->said().toStdString();
}
