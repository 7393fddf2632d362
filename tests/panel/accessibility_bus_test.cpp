// The running panel as a screen reader meets it: read through the desktop's accessibility
// bus (AT-SPI), out of process. The test brings up everything itself: a virtual X server
// with a window manager, the virtual card, and a private session bus
// (dbus-run-session) in which accessible_tree.py starts the accessibility bus and the
// panel, reads the panel's tree, and ends both again.
#include "card_and_panel_processes.h"
#include "desktop_session.h"

#include "card_link/card_frames.h"
#include "card_link/port_refusal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kInputs = 0x41;  // Signal In 1 and 7 lit
constexpr int kAnalog1 = 128;  // 2.51 V
constexpr int kAnalog2 = 219;  // 4.29 V
constexpr int kSkipped = 77;   // accessible_tree.py: pyatspi is not installed
const QString kBusLauncher = QStringLiteral("/usr/libexec/at-spi-bus-launcher");
const QString kPython = QStringLiteral("/usr/bin/python3");  // the system's, which has pyatspi

// Every object of the tree, parents before children.
void flatten(const QJsonObject& node, QList<QJsonObject>& all)
{
    all.append(node);
    for (const QJsonValue& child : node.value("children").toArray())
        flatten(child.toObject(), all);
}

QList<QJsonObject> withRole(const QList<QJsonObject>& all, const QString& role)
{
    QList<QJsonObject> found;
    for (const QJsonObject& node : all)
        if (node.value("role").toString() == role)
            found.append(node);
    return found;
}

bool hasState(const QJsonObject& node, const QString& state)
{
    return node.value("states").toArray().contains(state);
}

std::string text(const QJsonObject& node, const char* key) { return node.value(key).toString().toStdString(); }

// Processes still attached to the private session bus (their environment names it).
QStringList processesOn(const QString& sessionBus)
{
    const QByteArray wanted = "DBUS_SESSION_BUS_ADDRESS=" + sessionBus.toLocal8Bit();
    QStringList found;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile environ(QStringLiteral("/proc/%1/environ").arg(pid));
        if (environ.open(QIODevice::ReadOnly) && environ.readAll().split('\0').contains(wanted))
            found << pid;
    }
    return found;
}

QString missingProgram()
{
    if (QStandardPaths::findExecutable("dbus-run-session").isEmpty())
        return "dbus-run-session is not installed (dbus-daemon; scripts/install-deps.sh installs it)";
    if (!QFileInfo(kBusLauncher).isExecutable())
        return kBusLauncher + " is not installed (at-spi2-core; scripts/install-deps.sh installs it)";
    if (!QFileInfo(kPython).isExecutable())
        return kPython + " is not installed (python3-pyatspi; scripts/install-deps.sh installs it)";
    return {};
}

// The environment of the private session: the buses' sockets and the panel's registry in `runtime`.
QProcessEnvironment sessionEnvironment(const QTemporaryDir& runtime, const DesktopSession& desktop, const QString& card)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    env.remove("AT_SPI_BUS_ADDRESS");
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.insert("DISPLAY", QString::fromLatin1(desktop.display()));
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    env.insert("PELMORA_COM1", card);
    env.insert("PELMORA_REGISTRY", runtime.filePath("registry.ini"));
    return env;
}

// Eight output buttons, each naming its output and saying it is off, as at start-up.
void expectOutputButtons(const QList<QJsonObject>& all)
{
    const QList<QJsonObject> buttons = withRole(all, "push button");
    for (int i = 0; i < 8; ++i) {
        const QString name = QStringLiteral("Interruttore %1, On / Off").arg(i + 1);
        const auto found = std::find_if(buttons.begin(), buttons.end(),
                                        [&](const QJsonObject& b) { return b.value("name").toString() == name; });
        ASSERT_NE(found, buttons.end()) << name.toStdString();
        EXPECT_EQ(text(*found, "description"), "spento") << name.toStdString();
    }
}

// Eight inputs, lit as the card sends them (bit k is Signal In k+1), and two gauges,
// each with the analogue value the card sends, as its readout shows it.
void expectInputsAndGauges(const QList<QJsonObject>& all)
{
    QStringList inputs;
    for (const QJsonObject& image : withRole(all, "image"))
        if (image.value("name").toString().startsWith("Signal In"))
            inputs << image.value("name").toString();
    QStringList expected;
    for (int k = 0; k < 8; ++k)
        expected << QStringLiteral("Signal In %1: %2").arg(k + 1).arg(kInputs & (1 << k) ? "acceso" : "spento");
    EXPECT_EQ(inputs, expected);

    const QList<QJsonObject> dials = withRole(all, "dial");
    ASSERT_EQ(dials.size(), 2);
    const int raw[2] = {kAnalog1, kAnalog2};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(text(dials[i], "name"), QStringLiteral("Ingresso analogico %1").arg(i + 1).toStdString());
        const QJsonObject value = dials[i].value("value").toObject();
        EXPECT_DOUBLE_EQ(value.value("current").toDouble(), std::round(card_link::rawToVolts(raw[i]) * 100) / 100);
        EXPECT_EQ(value.value("minimum").toDouble(), 0.0);
        EXPECT_EQ(value.value("maximum").toDouble(), 5.0);
    }
}

// The keyboard reaches 8 outputs, 4 ports and Esci, and each says what it is; so does
// every other object but the unnamed containers.
void expectKeyboardReachAndNames(const QList<QJsonObject>& all)
{
    int focusable = 0;
    for (const QJsonObject& node : all) {
        const QString role = node.value("role").toString();
        if (hasState(node, "focusable"))
            ++focusable;
        if (role != "filler" && role != "menu bar") {
            EXPECT_FALSE(node.value("name").toString().isEmpty()) << "an unnamed " << role.toStdString();
        }
    }
    EXPECT_EQ(focusable, 13);
}

// No program left on the private buses, and no lock on the card's port.
void expectNothingLeft(const QJsonObject& reply, const QString& card)
{
    for (const QJsonValue& pid : reply.value("pids").toArray())
        EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid.toInt()))) << "pid " << pid.toInt();
    const QString bus = reply.value("session_bus").toString();
    QStringList left = processesOn(bus);
    for (int waited = 0; !left.isEmpty() && waited < 3000; waited += 100) {  // they end as their bus goes
        QThread::msleep(100);
        left = processesOn(bus);
    }
    EXPECT_TRUE(left.isEmpty()) << "still running: " << left.join(' ').toStdString();
    EXPECT_FALSE(QFileInfo::exists(card_link::lockFileFor(card)));
}

} // namespace

TEST(PanelOnTheAccessibilityBus, ShowsEveryOutputInputAndGaugeAsTheCardSendsThem)
{
    if (const QString missing = missingProgram(); !missing.isEmpty())
        GTEST_SKIP() << missing.toStdString();
    DesktopSession desktop;
    if (desktop.programMissing())
        GTEST_SKIP() << desktop.error().toStdString();
    ASSERT_TRUE(desktop.ready()) << desktop.error().toStdString();
    VirtualCard card({"--inputs", QString::number(kInputs), "--analog1", QString::number(kAnalog1), "--analog2",
                      QString::number(kAnalog2)});
    ASSERT_FALSE(card.device().isEmpty());

    QTemporaryDir runtime;  // the buses' sockets and the panel's registry live and go with it
    QProcess session;
    session.setProcessEnvironment(sessionEnvironment(runtime, desktop, card.device()));
    session.start("dbus-run-session", {"--", kPython, QStringLiteral(ACCESSIBLE_TREE_SCRIPT),
                                        QStringLiteral(PELMORA_BIN_DIR "/pelmora")});
    ASSERT_TRUE(session.waitForFinished(60000)) << "the tree was not read within a minute";
    const QByteArray errors = session.readAllStandardError();
    if (session.exitCode() == kSkipped)
        GTEST_SKIP() << errors.constData();
    ASSERT_EQ(session.exitCode(), 0) << errors.constData();

    const QJsonObject reply = QJsonDocument::fromJson(session.readAllStandardOutput()).object();
    QList<QJsonObject> all;
    flatten(reply.value("tree").toObject(), all);
    ASSERT_GT(all.size(), 50) << errors.constData();
    expectOutputButtons(all);
    expectInputsAndGauges(all);
    expectKeyboardReachAndNames(all);
    // The panel ended as SIGTERM asked, and nothing is left behind.
    EXPECT_EQ(reply.value("panel_exit").toInt(-1), 0) << errors.constData();
    expectNothingLeft(reply, card.device());
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
