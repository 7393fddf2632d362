#include "card_link/port_map.h"
#include "card_link/port_name.h"
#include "card_link/port_refusal.h"
#include "port_messages/port_messages.h"
#include "pseudo_terminal.h"

#include <QCoreApplication>
#include <QFile>
#include <QSysInfo>

#include <gtest/gtest.h>

using namespace card_link;

namespace {

PresentPort adapter(const char* device, const char* stableName = "", const char* description = "")
{
    return {device, description, {}, stableName, true};
}

PresentPort onboard(const char* device)
{
    return {device, {}, {}, {}, false};
}

QStringList devices(const QList<PresentPort>& present, const QProcessEnvironment& environment = {})
{
    QStringList mapped;
    for (int number = 1; number <= 4; ++number)
        mapped << mapPort(number, present, environment).device;
    return mapped;
}

} // namespace

TEST(PortMap, AdaptersComeFirstInTheOrderOfTheirStableNames)
{
    // by-id names sort the other way round from the ttyUSB numbers, which change
    // with the order of plugging in.
    const QList<PresentPort> present = {
        onboard("/dev/ttyS0"),
        adapter("/dev/ttyUSB0", "usb-Prolific_USB-Serial-if00-port0"),
        adapter("/dev/ttyUSB1", "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "FT232R USB UART"),
    };
    EXPECT_EQ(devices(present), (QStringList{"/dev/ttyUSB1", "/dev/ttyUSB0", "/dev/ttyS0", ""}));
    const MappedPort first = mapPort(1, present, {});
    EXPECT_EQ(first.source, MappedPort::Source::Machine);
    EXPECT_EQ(first.description, "FT232R USB UART");
    EXPECT_EQ(mapPort(4, present, {}).source, MappedPort::Source::Absent);
}

TEST(PortMap, AcmAndUnnamedAdaptersBeforeOnboardPortsInNumericOrder)
{
    const QList<PresentPort> present = {
        onboard("/dev/ttyS10"), onboard("/dev/ttyS2"), adapter("/dev/ttyUSB0"), adapter("/dev/ttyACM0"),
    };
    EXPECT_EQ(devices(present), (QStringList{"/dev/ttyACM0", "/dev/ttyUSB0", "/dev/ttyS2", "/dev/ttyS10"}));
}

TEST(PortMap, NoPortsAtAllLeavesEveryPortAbsent)
{
    EXPECT_EQ(devices({}), (QStringList{"", "", "", ""}));
}

TEST(PortMap, EnvironmentNamesOnePortAndTheOthersKeepTheirPlaces)
{
    QProcessEnvironment environment;
    environment.insert("PELMORA_COM2", "/dev/ttyUSB1");
    const QList<PresentPort> present = {
        adapter("/dev/ttyUSB0", "", "CP2102"), adapter("/dev/ttyUSB1", "", "FT232R USB UART"), onboard("/dev/ttyS0"),
    };
    EXPECT_EQ(devices(present, environment), (QStringList{"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyS0", ""}));
    const MappedPort named = mapPort(2, present, environment);
    EXPECT_EQ(named.source, MappedPort::Source::Environment);
    EXPECT_EQ(named.description, "FT232R USB UART");

    environment.insert("PELMORA_COM4", "/dev/pts/7");  // a device the system does not list
    EXPECT_EQ(mapPort(4, {}, environment).device, "/dev/pts/7");
    // Named as the serial port opens names: a bare name is under /dev.
    environment.insert("PELMORA_COM4", "pts/7");
    EXPECT_EQ(mapPort(4, {}, environment).device, "/dev/pts/7");
    environment.insert("PELMORA_COM3", "ttyS0");
    EXPECT_EQ(mapPort(3, present, environment).device, "/dev/ttyS0");
    EXPECT_EQ(mapPort(3, present, environment).source, MappedPort::Source::Environment);
}

TEST(PortName, ComOneToFourInAnyCaseAndDevicesAsTheSerialPortOpensThem)
{
    EXPECT_EQ(comNumber("Com1"), 1);
    EXPECT_EQ(comNumber("cOM4"), 4);
    for (const char* other : {"Com0", "Com5", "Com12", "Com", "com1 ", "./Com1", "COMx"})
        EXPECT_EQ(comNumber(other), 0) << other;
    EXPECT_EQ(pathOfDevice("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(pathOfDevice("pts/3"), "/dev/pts/3");
    for (const char* asItStands : {"/dev/ttyUSB0", "./card", "../card"})
        EXPECT_EQ(pathOfDevice(asItStands), asItStands);
    EXPECT_EQ(pathOfDevice(".card"), "/dev/.card");
}

TEST(PortRefusalLine, SaysWhatToDoForEachReason)
{
    PortProblem refusal;
    refusal.port = "/dev/ttyUSB0";
    refusal.reason = "Permission denied";
    refusal.user = "anna";
    refusal.kind = PortProblem::Kind::NotPermitted;
    refusal.group = "dialout";
    refusal.groupMayUse = true;
    EXPECT_EQ(card_link::portMessage(refusal), "/dev/ttyUSB0: accesso negato (Permission denied). Aggiungere l'utente anna al "
                                     "gruppo dialout (sudo adduser anna dialout) e rientrare nella sessione.");
    refusal.group = "root";  // joining root's group is no advice to give
    EXPECT_FALSE(card_link::portMessage(refusal).contains("adduser"));

    refusal.kind = PortProblem::Kind::Held;
    refusal.reason = "Device or resource busy";
    EXPECT_EQ(card_link::portMessage(refusal),
              "/dev/ttyUSB0 è già in uso da parte di un altro programma: chiuderlo e riprovare (Device or resource busy).");

    refusal.kind = PortProblem::Kind::Absent;
    refusal.number = 3;
    EXPECT_EQ(card_link::portMessage(refusal), "Com3: su questo computer non c'è una porta seriale numero 3 (e PELMORA_COM3 non è impostata).");
}

TEST(PortRefusalDiagnosis, LockFileTellsWhoHoldsThePortOrThatItIsLeftOver)
{
    PseudoTerminal device;
    QFile lock(lockFileFor(device.slavePath()));
    if (!lock.open(QIODevice::WriteOnly | QIODevice::Truncate))
        GTEST_SKIP() << "cannot write in /var/lock";
    const auto diagnose = [&](qint64 pid) {
        lock.resize(0);
        lock.write(QByteArray::number(pid) + "\nminicom\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        lock.flush();
        return diagnoseRefusal(1, device.slavePath(), QSerialPort::PermissionError, "Permission error while locking the device");
    };
    const PortProblem held = diagnose(QCoreApplication::applicationPid());
    const PortProblem leftOver = diagnose(0x7ffffff0);  // no such process
    lock.remove();

    EXPECT_EQ(held.kind, PortProblem::Kind::Held);
    EXPECT_EQ(held.subject, QStringLiteral("minicom, pid %1").arg(QCoreApplication::applicationPid()));
    EXPECT_EQ(leftOver.kind, PortProblem::Kind::StaleLock);
    EXPECT_TRUE(card_link::portMessage(leftOver).contains("sudo rm " + leftOver.subject)) << card_link::portMessage(leftOver).toStdString();
}
