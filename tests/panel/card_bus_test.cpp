// The panel on a session bus of the test's own, driven and read by pelmora-ctl (and, for
// what pelmora-ctl itself refuses, by plain D-Bus calls), with the virtual card behind it.
// Most tests run the window in process, to see what it shows; the tests of several panels
// and of SIGTERM run the pelmora program.
#include "card_and_panel_processes.h"
#include "gauge_reading.h"
#include "ctl_run.h"
#include "private_bus.h"
#include "ser2net_server.h"
#include "scoped_environment.h"

#include "card_bus/card_bus_names.h"
#include "card_bus/card_bus_service.h"
#include "card_link/port_refusal.h"
#include "panel/form1.h"
#include "panel/window_holder.h"
#include "panel/window_on_bus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace {

// Runs the event loop until `process` ends, for at most timeoutMs; true when it ended.
bool finish(QProcess& process, int timeoutMs = 10000)
{
    for (int waited = 0; waited < timeoutMs && process.state() != QProcess::NotRunning; waited += 50)
        runEventsFor(50);
    return process.state() == QProcess::NotRunning;
}

// Waits until `count` panels are on the bus, as pelmora-ctl lists them.
QStringList waitForPanels(int count)
{
    QStringList lines;
    for (int tries = 0; tries < 50 && lines.size() < count; ++tries) {
        lines = runCtl({"list"}).out.split('\n', Qt::SkipEmptyParts);
        if (lines.size() < count)
            runEventsFor(100);
    }
    return lines;
}

// Waits until `process` has printed a line holding `wanted`.
bool waitForOutput(QProcess& process, const QString& wanted, QString& seen, int timeoutMs = 10000)
{
    for (int waited = 0; waited < timeoutMs && !seen.contains(wanted); waited += 50) {
        runEventsFor(50);
        seen += QString::fromLocal8Bit(process.readAllStandardOutput());
    }
    return seen.contains(wanted);
}

// The window in this process on the virtual card, offered on the private bus.
class WindowOnBus {
public:
    explicit WindowOnBus(const PrivateSessionBus& bus, const QString& device)
    {
        qputenv("PELMORA_COM1", device.toLocal8Bit());
        window_ = std::make_unique<panel::Form1>();
        window_->setCardName(QStringLiteral("bench"));
        holder_ = std::make_unique<panel::WindowHolder>(*window_);
        service_ = std::make_unique<card_bus::CardBusService>(*holder_);
        panel::connectWindowToService(*window_, *service_);
        published_ = service_->publish(QDBusConnection::connectToBus(bus.address(), kConnection),
                                       card_bus::CardBusService::panelInstanceName(), true);
        window_->Form_Load();
    }
    ~WindowOnBus()
    {
        service_.reset();
        holder_.reset();
        window_.reset();
        QDBusConnection::disconnectFromBus(kConnection);
        qunsetenv("PELMORA_COM1");
    }
    panel::Form1& window() { return *window_; }
    bool published() const { return published_; }
    QString error() const { return service_->error(); }

private:
    static inline const QString kConnection = QStringLiteral("window-under-test");
    std::unique_ptr<panel::Form1> window_;
    std::unique_ptr<panel::WindowHolder> holder_;
    std::unique_ptr<card_bus::CardBusService> service_;
    bool published_ = false;
};

#define START_PRIVATE_BUS(bus)                                  \
    PrivateSessionBus bus;                                      \
    if (bus.missing())                                          \
        GTEST_SKIP() << bus.error().toStdString();              \
    ASSERT_TRUE(bus.error().isEmpty()) << bus.error().toStdString()

bool lit(panel::Form1& window, int input)
{
    return window.led_ingresso(input)->pixmap().cacheKey() == window.picLedOn()->pixmap().cacheKey();
}

} // namespace

TEST(CardOnTheBus, GetReadsWhatTheWindowShows)
{
    START_PRIVATE_BUS(bus);
    VirtualCard card({"--inputs", "0x41", "--analog1", "128", "--analog2", "219"});
    ASSERT_FALSE(card.device().isEmpty());
    WindowOnBus panel(bus, card.device());
    ASSERT_TRUE(panel.published()) << panel.error().toStdString();
    panel.window().onoff_Click(1);
    runEventsFor(500);

    const CtlRun run = runCtl({"get", "--json"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonObject values = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(values.value("outputs").toInt(), panel.window().stato_uscite());
    EXPECT_EQ(values.value("outputs").toInt(), 0x40);
    int inputs = 0;
    for (int i = 0; i < 8; ++i)
        inputs |= lit(panel.window(), i) ? 1 << i : 0;
    EXPECT_EQ(values.value("inputs").toInt(), inputs);
    EXPECT_EQ(inputs, 0x41);
    // The gauges show two decimals.
    EXPECT_NEAR(values.value("analog1").toDouble(), gaugeVolts(panel.window().v_meter1(0)->widget()), 0.005);
    EXPECT_NEAR(values.value("analog2").toDouble(), gaugeVolts(panel.window().v_meter1(1)->widget()), 0.005);
    EXPECT_EQ(values.value("analog1_raw").toInt(), 128);
    EXPECT_EQ(values.value("analog2_raw").toInt(), 219);
    EXPECT_EQ(values.value("device").toString(), card.device());
    EXPECT_EQ(values.value("port").toString(), "Com1");
    EXPECT_TRUE(values.value("connected").toBool());

    const CtlRun line = runCtl({"get"});
    EXPECT_TRUE(line.out.startsWith("outputs=0x40 inputs=0x41 analog1=2.510 analog2=4.294 analog1_raw=128 "
                                    "analog2_raw=219 port=Com1 device="))
        << line.out.toStdString();
}

// The window in this process on a virtual card that logs every request, on a private bus.
class CardOnTheBusLogged : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (bus_.missing())
            GTEST_SKIP() << bus_.error().toStdString();
        ASSERT_TRUE(bus_.error().isEmpty()) << bus_.error().toStdString();
        card_ = std::make_unique<VirtualCard>(QStringList{"--log", log_});
        ASSERT_FALSE(card_->device().isEmpty());
        panel_ = std::make_unique<WindowOnBus>(bus_, card_->device());
        ASSERT_TRUE(panel_->published()) << panel_->error().toStdString();
        runEventsFor(300);
    }
    // The requests the card receives from now on: at least one, waited for.
    QList<LoggedFrame> nextFrames(qsizetype before) { return waitForFrames(log_, int(before) + 1, 5000).mid(before); }
    qsizetype framesSoFar() { return readFrameLog(log_).size(); }

    QTemporaryDir dir_;
    const QString log_ = dir_.filePath("frames.log");
    PrivateSessionBus bus_;
    std::unique_ptr<VirtualCard> card_;
    std::unique_ptr<WindowOnBus> panel_;
};

TEST_F(CardOnTheBusLogged, SetAndMaskReachTheCardAtOnceInOneRequestAndShowOnTheButtons)
{
    panel::Form1& window = panel_->window();
    // With the polling stopped, any request the card gets is sent by the switch itself, at once.
    window.Timer1().stop();
    runEventsFor(200);  // the last poll's request logged
    qsizetype before = framesSoFar();
    ASSERT_EQ(runCtl({"set", "3", "on"}).status, 0);
    QList<LoggedFrame> frames = nextFrames(before);
    ASSERT_EQ(frames.size(), 1);
    EXPECT_EQ(frames.first().mask, 0x20);
    EXPECT_EQ(window.stato_uscite(), 0x20);
    EXPECT_EQ(window.onoff(2)->accessibleDescription(), "acceso");
    EXPECT_EQ(window.led_out(2)->accessibleName(), "Interruttore 3: acceso");

    ASSERT_EQ(runCtl({"set", "3", "on"}).status, 0);  // already on: stays on
    EXPECT_EQ(window.stato_uscite(), 0x20);
    ASSERT_EQ(runCtl({"set", "3", "toggle"}).status, 0);
    EXPECT_EQ(window.stato_uscite(), 0);
    // The card logs a request a little after the panel has sent it: let the toggle's arrive first.
    QList<LoggedFrame> logged = waitForFrames(log_, int(before) + 2, 5000);
    ASSERT_FALSE(logged.isEmpty());
    EXPECT_EQ(logged.last().mask, 0);

    // A whole mask goes in one request, with no other mix of outputs before it.
    before = logged.size();
    ASSERT_EQ(runCtl({"mask", "0x81"}).status, 0);
    frames = nextFrames(before);
    ASSERT_EQ(frames.size(), 1);
    EXPECT_EQ(frames.first().mask, 0x81);
    EXPECT_EQ(window.onoff(0)->accessibleDescription(), "acceso");
    EXPECT_EQ(window.onoff(7)->accessibleDescription(), "acceso");
    EXPECT_EQ(window.onoff(3)->accessibleDescription(), "spento");
}

TEST_F(CardOnTheBusLogged, BadRequestsAreRefusedByNameAndNeverReachTheCard)
{
    QDBusConnection client = QDBusConnection::connectToBus(bus_.address(), "refusal-client");

    struct Case {
        const char* method;
        QVariantList arguments;
        const char* error;
        const char* message;
    };
    const Case cases[] = {
        {"SetOutput", {0u, "on"}, "io.github.pelmora.Card1.Error.InvalidOutput", "there is no output 0"},
        {"SetOutput", {9u, "on"}, "io.github.pelmora.Card1.Error.InvalidOutput", "there is no output 9"},
        {"SetOutput", {1u, "onn"}, "org.freedesktop.DBus.Error.InvalidArgs", "'onn' is not a state"},
        {"SetOutputs", {0x100u}, "io.github.pelmora.Card1.Error.InvalidMask", "mask 0x100 is above 0xFF"},
        {"SetOutputs", {4294967295u}, "io.github.pelmora.Card1.Error.InvalidMask", "mask 0xFFFFFFFF is above 0xFF"},
        // Arguments of the wrong types, refused naming the types the method takes.
        {"SetOutput", {"1", "on"}, "org.freedesktop.DBus.Error.InvalidArgs", "SetOutput takes an output and a state (us), not (ss)"},
        {"SetOutputs", {-1}, "org.freedesktop.DBus.Error.InvalidArgs", "SetOutputs takes a mask (u), not (i)"},
        {"ClaimReadings", {1u}, "org.freedesktop.DBus.Error.InvalidArgs", "takes no arguments"},
        {"Frobnicate", {}, "org.freedesktop.DBus.Error.UnknownMethod", "io.github.pelmora.Card1 has no method Frobnicate"},
    };
    for (const Case& c : cases) {
        QDBusMessage call = QDBusMessage::createMethodCall(card_bus::kServiceName, card_bus::kObjectPath,
                                                           card_bus::kInterface, c.method);
        call.setArguments(c.arguments);
        QDBusPendingCall pending = client.asyncCall(call);
        QDBusPendingCallWatcher watcher(pending);
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        if (!watcher.isFinished())
            loop.exec();
        const QDBusMessage reply = pending.reply();
        EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage) << c.method << " " << c.error;
        EXPECT_EQ(reply.errorName().toStdString(), c.error);
        EXPECT_TRUE(reply.errorMessage().contains(c.message)) << reply.errorMessage().toStdString();
    }
    QDBusConnection::disconnectFromBus("refusal-client");

    // pelmora-ctl refuses the same before asking, as a usage error.
    const QList<QStringList> refused = {{"set", "9", "on"}, {"set", "0", "off"}, {"set", "1", "up"},
                                        {"mask", "0x100"}, {"mask", "-1"}, {"mask", "lots"},
                                        {"wait", "input", "9", "on"}, {"wait", "input", "1", "toggle"},
                                        {"get", "extra"}, {"frobnicate"}, {"get", "--timeout", "1"}};
    for (const QStringList& arguments : refused) {
        const CtlRun run = runCtl(arguments);
        EXPECT_EQ(run.status, 2) << arguments.join(' ').toStdString();
        EXPECT_TRUE(run.err.startsWith("pelmora-ctl: ") && run.err.contains("Try 'pelmora-ctl --help'."))
            << run.err.toStdString();
    }
    runEventsFor(200);
    for (const LoggedFrame& frame : readFrameLog(log_))
        EXPECT_EQ(frame.mask, 0);
    EXPECT_EQ(panel_->window().stato_uscite(), 0);
}

TEST(CardOnTheBus, WatchPrintsAChangeOfInputAndWaitEndsOnOne)
{
    START_PRIVATE_BUS(bus);
    VirtualCard card({"--follow-outputs"});  // input n lights with output n
    ASSERT_FALSE(card.device().isEmpty());
    WindowOnBus panel(bus, card.device());
    ASSERT_TRUE(panel.published()) << panel.error().toStdString();
    runEventsFor(300);

    QProcess watch;  // into a pipe: each line must come as it happens
    watch.start(kCtl, {"watch"});
    QString seen;
    ASSERT_TRUE(waitForOutput(watch, "inputs=0x00", seen)) << seen.toStdString();

    QProcess wait;
    wait.start(kCtl, {"wait", "input", "2", "on", "--timeout", "20"});
    runEventsFor(300);
    EXPECT_EQ(wait.state(), QProcess::Running);
    panel.window().onoff(1)->click();
    EXPECT_TRUE(waitForOutput(watch, "inputs=0x02", seen)) << seen.toStdString();
    ASSERT_TRUE(finish(wait));
    EXPECT_EQ(wait.exitCode(), 0) << wait.readAllStandardError().constData();
    endProcess(watch);

    const CtlRun already = runCtl({"wait", "input", "2", "on", "--timeout", "0"});
    EXPECT_EQ(already.status, 0);
    const CtlRun timedOut = runCtl({"wait", "input", "3", "on", "--timeout", "0.5"});
    EXPECT_EQ(timedOut.status, 1);
    EXPECT_EQ(timedOut.err, "pelmora-ctl: input 3 did not turn on within 0.5 s\n");

    const CtlRun json = runCtl({"watch", "--json"}, 1500);  // ended by the time limit
    const QJsonObject first = QJsonDocument::fromJson(json.out.section('\n', 0, 0).toUtf8()).object();
    EXPECT_EQ(first.value("inputs").toInt(), 0x02) << json.out.toStdString();
    EXPECT_FALSE(first.value("time").toString().isEmpty());
}

TEST(CardOnTheBus, ChangesAreAnnouncedOnceAndOnlyWhenThereAreAny)
{
    START_PRIVATE_BUS(bus);
    VirtualCard card({"--inputs", "0x05", "--analog1", "51"});
    ASSERT_FALSE(card.device().isEmpty());
    WindowOnBus panel(bus, card.device());
    ASSERT_TRUE(panel.published()) << panel.error().toStdString();
    runEventsFor(300);

    QProcess watch;  // one line at the start, then one for each PropertiesChanged
    watch.start(kCtl, {"watch"});
    QString seen;
    ASSERT_TRUE(waitForOutput(watch, "inputs=0x05", seen)) << seen.toStdString();
    runEventsFor(1000);  // ten polls that change nothing
    seen += QString::fromLocal8Bit(watch.readAllStandardOutput());
    EXPECT_EQ(seen.count('\n'), 1) << seen.toStdString();
    panel.window().onoff(4)->click();
    EXPECT_TRUE(waitForOutput(watch, "outputs=0x08", seen)) << seen.toStdString();
    runEventsFor(500);
    seen += QString::fromLocal8Bit(watch.readAllStandardOutput());
    EXPECT_EQ(seen.count('\n'), 2) << seen.toStdString();
    endProcess(watch);
}

// Readings that move at every poll: once a second while nobody claimed them, at every
// poll while `watch` has them claimed, and once a second again when it has gone, or when
// the only claim came from a caller that had left.
TEST(CardOnTheBus, MovingReadingsGoOutAtEveryPollOnlyWhileAClientClaimsThem)
{
    START_PRIVATE_BUS(bus);
    VirtualCard card({"--sweep"});
    ASSERT_FALSE(card.device().isEmpty());
    WindowOnBus panel(bus, card.device());
    ASSERT_TRUE(panel.published()) << panel.error().toStdString();
    QProcess monitor;
    monitor.start(QStringLiteral("dbus-monitor"), {"--session", "type='signal',member='PropertiesChanged'"});
    ASSERT_TRUE(monitor.waitForStarted());
    runEventsFor(500);
    const auto signalsWithin = [&](int ms) {
        monitor.readAllStandardOutput();
        runEventsFor(ms);
        return QString::fromLocal8Bit(monitor.readAllStandardOutput()).count(QStringLiteral("member=PropertiesChanged"));
    };
    EXPECT_LE(signalsWithin(2000), 3);
    QProcess watch;
    watch.start(kCtl, {"watch"});
    runEventsFor(500);
    EXPECT_GE(signalsWithin(2000), 12);
    endProcess(watch);
    runEventsFor(500);
    EXPECT_LE(signalsWithin(2000), 3);

    // A caller that sends its claim and leaves before the panel has read it (the panel's
    // event loop stands still until it has gone) claims nothing.
    QProcess caller;
    caller.start(QStringLiteral("dbus-send"), {"--session", "--type=method_call", "--dest=" + card_bus::kServiceName,
                                                card_bus::kObjectPath, QString(card_bus::kInterface) + ".ClaimReadings"});
    ASSERT_TRUE(caller.waitForFinished(5000));
    EXPECT_LE(signalsWithin(2000), 3) << "the readings went out at every poll for a caller that had gone";
    endProcess(monitor);
}

TEST(CardOnTheBus, WithNoPanelRunningItSaysSoAndExits3)
{
    {
        START_PRIVATE_BUS(bus);
        for (const QStringList& arguments : {QStringList{"get"}, QStringList{"list"}, QStringList{"set", "1", "on"}}) {
            const CtlRun run = runCtl(arguments);
            EXPECT_EQ(run.status, 3) << arguments.join(' ').toStdString();
            EXPECT_EQ(run.err, "pelmora-ctl: no panel or service is running (start pelmora or pelmorad)\n");
        }
    }
    // No bus at all: none named and no socket where the user's bus or the system's would be.
    QTemporaryDir runtime;
    ScopedEnvironment environment;
    environment.set("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    environment.unset("DBUS_SESSION_BUS_ADDRESS");
    environment.set("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + runtime.filePath("none").toLocal8Bit());
    const CtlRun run = runCtl({"get"});
    EXPECT_EQ(run.status, 3);
    EXPECT_TRUE(run.err.startsWith("pelmora-ctl: no panel or service is running: there is no session bus"))
        << run.err.toStdString();
}

TEST(CardOnTheBus, TwoPanelsOnTwoCardsAreBothReachable)
{
    START_PRIVATE_BUS(bus);
    QTemporaryDir dir;
    VirtualCard first({"--link", dir.filePath("first")});
    VirtualCard second({"--link", dir.filePath("second")});
    ASSERT_FALSE(first.device().isEmpty());
    ASSERT_FALSE(second.device().isEmpty());
    auto firstPanel = std::make_unique<PanelUnderTest>(dir.filePath("first"));
    ASSERT_EQ(waitForPanels(1).size(), 1);  // the first is first in line for the shared name
    PanelUnderTest secondPanel(dir.filePath("second"));
    const QStringList listed = waitForPanels(2);
    ASSERT_EQ(listed.size(), 2) << listed.join('\n').toStdString();
    EXPECT_TRUE(listed.filter(QRegularExpression("^name=first device=" + dir.filePath("first")
                                                 + " port=Com1 program=pelmora bus=session busname=io.github.pelmora.pelmora.p\\d+$"))
                    .size()
                == 1)
        << listed.join('\n').toStdString();
    EXPECT_TRUE(listed.filter(dir.filePath("second")).size() == 1) << listed.join('\n').toStdString();

    const CtlRun ambiguous = runCtl({"get"});
    EXPECT_EQ(ambiguous.status, 2);
    EXPECT_TRUE(ambiguous.err.contains("choose one with --name or --device")) << ambiguous.err.toStdString();

    ASSERT_EQ(runCtl({"--device", dir.filePath("second"), "mask", "0x0F"}).status, 0);
    EXPECT_TRUE(runCtl({"--device", dir.filePath("second"), "get"}).out.startsWith("outputs=0x0f "));
    EXPECT_TRUE(runCtl({"--device", dir.filePath("first"), "get"}).out.startsWith("outputs=0x00 "));
    const CtlRun unknown = runCtl({"--device", "ttyNOTHERE", "get"});
    EXPECT_EQ(unknown.status, 3);
    EXPECT_TRUE(unknown.err.contains("no running panel or service has the device ttyNOTHERE")) << unknown.err.toStdString();
    EXPECT_TRUE(runCtl({"--name", "second", "get"}).out.startsWith("outputs=0x0f "));

    // The shared name passes to the second panel when the first ends.
    QDBusConnection client = QDBusConnection::connectToBus(bus.address(), "names-client");
    const QString secondName = "io.github.pelmora.pelmora.p" + QString::number(secondPanel.pid());
    const QString secondOwner = client.interface()->serviceOwner(secondName).value();
    EXPECT_NE(client.interface()->serviceOwner(card_bus::kServiceName).value(), secondOwner);
    firstPanel.reset();
    QString owner;
    for (int tries = 0; tries < 50 && owner != secondOwner; ++tries) {
        runEventsFor(100);
        owner = client.interface()->serviceOwner(card_bus::kServiceName).value();
    }
    EXPECT_EQ(owner, secondOwner);
    EXPECT_TRUE(runCtl({"get"}).out.startsWith("outputs=0x0f "));
    QDBusConnection::disconnectFromBus("names-client");
}

TEST(CardOnTheBus, SigtermEndsThePanelCleanlyWithAClientAttached)
{
    START_PRIVATE_BUS(bus);
    VirtualCard card({"--sweep"});
    ASSERT_FALSE(card.device().isEmpty());
    PanelUnderTest panel(card.device());
    ASSERT_EQ(waitForPanels(1).size(), 1);
    QProcess watch;
    watch.start(kCtl, {"watch", "--json"});
    QString seen;
    ASSERT_TRUE(waitForOutput(watch, "\"analog1\"", seen));
    runEventsFor(500);  // a few changes announced

    panel.process().terminate();
    ASSERT_TRUE(panel.process().waitForFinished(5000));
    EXPECT_EQ(panel.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(panel.process().exitCode(), 0) << panel.process().readAllStandardError().constData();
    EXPECT_FALSE(QFileInfo::exists(card_link::lockFileFor(card.device())));
    // The watcher learns that the panel has gone, and ends.
    ASSERT_TRUE(watch.waitForFinished(5000));
    EXPECT_EQ(watch.exitCode(), 3);
    EXPECT_EQ(watch.readAllStandardError(), "pelmora-ctl: the panel or service has ended\n");
}

// The card behind the real ser2net: named by its remote name, and gone when the server is.
TEST(CardOnTheBus, ACardThatIsGoneRefusesRequestsAndWaitWaitsForALiveReading)
{
    START_PRIVATE_BUS(bus);
    VirtualCard card({"--inputs", "0x01"});
    ASSERT_FALSE(card.device().isEmpty());
    auto server = std::make_unique<Ser2netServer>(Ser2netServer::Accepter::Telnet, card.device());
    ASSERT_TRUE(server->start());
    const quint16 port = server->port();
    const QString name = server->url();
    WindowOnBus panel(bus, name);
    ASSERT_TRUE(panel.published()) << panel.error().toStdString();
    runEventsFor(800);
    const CtlRun found = runCtl({"--device", name, "get"});
    ASSERT_EQ(found.status, 0) << found.err.toStdString();
    EXPECT_TRUE(found.out.contains("device=" + name + " connected=yes")) << found.out.toStdString();

    server->kill();
    runEventsFor(1500);
    for (const QStringList& request : {QStringList{"set", "1", "on"}, QStringList{"mask", "0x81"}}) {
        const CtlRun refused = runCtl(request);
        EXPECT_EQ(refused.status, 5) << request.join(' ').toStdString();
        EXPECT_TRUE(refused.err.startsWith("pelmora-ctl: the card on Com1 (" + name + ") is not connected: " + name + ": "))
            << refused.err.toStdString();
    }
    EXPECT_EQ(panel.window().stato_uscite(), 0) << "nothing is switched";

    // Input 1 is on in the last reading, but the card is gone: not a reading to end on.
    QProcess wait;
    wait.start(kCtl, {"wait", "input", "1", "on", "--timeout", "30"});
    runEventsFor(1200);
    EXPECT_EQ(wait.state(), QProcess::Running);
    server = std::make_unique<Ser2netServer>(Ser2netServer::Accepter::Telnet, card.device(), QStringLiteral("9600n81"), port);
    ASSERT_TRUE(server->start());
    ASSERT_TRUE(finish(wait, 5000));
    EXPECT_EQ(wait.exitCode(), 0) << wait.readAllStandardError().constData();
}

TEST(CardOnTheBus, WaitHonoursEveryTimeItAccepts)
{
    START_PRIVATE_BUS(bus);
    VirtualCard card({});
    ASSERT_FALSE(card.device().isEmpty());
    WindowOnBus panel(bus, card.device());
    ASSERT_TRUE(panel.published()) << panel.error().toStdString();
    runEventsFor(300);
    // Past what one of Qt's timers holds: neither may end early, nor never.
    QProcess longest, longer;
    longest.start(kCtl, {"wait", "input", "3", "on", "--timeout", "4294968"});
    longer.start(kCtl, {"wait", "input", "3", "on", "--timeout", "3000000"});
    runEventsFor(1500);
    EXPECT_EQ(longest.state(), QProcess::Running);
    EXPECT_EQ(longer.state(), QProcess::Running);
    endProcess(longest);
    endProcess(longer);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(runCtl({"wait", "input", "3", "on", "--timeout", "0.3"}).status, 1);
    EXPECT_GE(clock.elapsed(), 300);
}
