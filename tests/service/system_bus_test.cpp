// pelmorad on a system bus of the test's own that includes the project's policy: root owns
// the card's name, and of the ordinary users only the members of dialout may use it.
#include "service_process.h"

#include "card_and_panel_processes.h"
#include "ctl_run.h"
#include "private_bus.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kRunuser = QStringLiteral("/usr/sbin/runuser");

// pelmora-ctl as nobody, from a folder nobody can reach, with `groups` ("-G dialout") or none.
CtlRun ctlAsNobody(const QString& ctl, const QStringList& groups, const QStringList& arguments)
{
    const QStringList line = QStringList{"-u", "nobody"} + groups
        + QStringList{"--", "env", "HOME=/", "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent",
                      "DBUS_SYSTEM_BUS_ADDRESS=" + qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS"), ctl}
        + arguments;
    return runCtl(line, 15000, kRunuser);
}

} // namespace

TEST(ServiceOnTheSystemBus, OnlyRootAndTheMembersOfDialoutMayUseIt)
{
    if (::geteuid() != 0 || ::access(kRunuser.toLocal8Bit().constData(), X_OK) != 0)
        GTEST_SKIP() << "needs root and runuser, to own the name and to call as other users";
    PrivateSystemBus bus(QStringLiteral(PELMORA_SOURCE_DIR "/service/io.github.pelmora.pelmorad.conf"));
    if (bus.missing())
        GTEST_SKIP() << bus.error().toStdString();
    ASSERT_TRUE(bus.error().isEmpty()) << bus.error().toStdString();
    QTemporaryDir folder, programs;
    ::chmod(programs.path().toLocal8Bit().constData(), 0755);
    const QString ctl = programs.filePath("pelmora-ctl");
    ASSERT_TRUE(QFile::copy(QStringLiteral(PELMORA_BIN_DIR "/pelmora-ctl"), ctl));
    ::chmod(ctl.toLocal8Bit().constData(), 0755);
    VirtualCard card({"--link", folder.filePath("card")});
    ServiceProcess service({folder.filePath("card"), "--name", "tank", "--system-bus"}, folder.filePath("state"));

    CtlRun member;
    for (int tries = 0; tries < 30 && !member.out.contains("connected=yes"); ++tries) {
        runEventsFor(100);
        member = ctlAsNobody(ctl, {"-G", "dialout"}, {"get"});
    }
    EXPECT_TRUE(member.out.contains("connected=yes name=tank")) << member.err.toStdString() << service.said().toStdString();
    EXPECT_EQ(ctlAsNobody(ctl, {"-G", "dialout"}, {"--name", "tank", "set", "3", "on"}).status, 0);
    EXPECT_TRUE(runCtl({"get"}).out.startsWith("outputs=0x20 ")) << "root reads it too";

    const CtlRun outsider = ctlAsNobody(ctl, {}, {"get"});
    EXPECT_EQ(outsider.status, 3);
    // Said once, as it is: the service runs, and who may use it.
    EXPECT_TRUE(outsider.err.contains("io.github.pelmora.pelmorad.tank on the system bus is running, but may not be "
                                      "read: only root and the members of the group dialout may use it"))
        << outsider.err.toStdString();
    EXPECT_FALSE(outsider.err.contains("no panel or service is running")) << outsider.err.toStdString();
    EXPECT_FALSE(outsider.err.contains("invalid type")) << outsider.err.toStdString();
    EXPECT_NE(ctlAsNobody(ctl, {}, {"--name", "tank", "set", "3", "off"}).status, 0);
    EXPECT_TRUE(runCtl({"get"}).out.startsWith("outputs=0x20 ")) << "nothing switched by an outsider";
}
