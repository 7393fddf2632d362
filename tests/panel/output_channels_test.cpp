// Output buttons and the port in use over a pseudo-terminal, with the real serial layer.
#include "card_safety/output_guard.h"
#include "panel/command_line.h"
#include "panel/form1.h"
#include "panel_test_support.h"
#include "pseudo_terminal.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using panel::Form1;

namespace {
QByteArray request(int mask)
{
    return QByteArray("**") + char(mask) + '#';
}
} // namespace

TEST(OutputChannels, EachPressSendsTheNewMaskAtOnce)
{
    PseudoTerminal card;
    qputenv("PELMORA_COM1", card.slavePath().toLocal8Bit());
    Form1 form;
    form.Form_Load();
    ASSERT_TRUE(form.MSComm1().portOpen());
    form.Timer1().stop();  // only the presses send now

    const std::pair<int, int> presses[] = {{0, 128}, {7, 129}, {7, 128}, {0, 0}};
    for (auto [channel, mask] : presses) {
        form.onoff(channel)->click();
        EXPECT_EQ(card.receive(4, 50), request(mask)) << "after channel " << channel;
        EXPECT_EQ(form.stato_uscite(), mask);
    }
    for (int i = 0; i < 8; ++i)
        form.onoff(i)->click();
    EXPECT_TRUE(card.receive(32, 200).endsWith(request(255)));
    qunsetenv("PELMORA_COM1");
}

TEST(OutputChannels, UnplugAndReturnResumesWithTheOutputsAsTheyWere)
{
    QTemporaryDir dir;
    const QString link = dir.filePath("card");
    auto card = std::make_unique<PseudoTerminal>();
    ASSERT_TRUE(QFile::link(card->slavePath(), link));
    qputenv("PELMORA_COM1", link.toLocal8Bit());

    Form1 form;
    form.Form_Load();
    form.onoff(0)->click();
    form.onoff(3)->click();
    EXPECT_TRUE(card->receive(8, 200).endsWith(request(0x90)));

    card->close();             // the adapter is pulled, and its device goes with it: the
    QFile::remove(link);       // freed pseudo-terminal may soon be another test's card
    runEventsFor(800);
    EXPECT_FALSE(form.MSComm1().portOpen());
    EXPECT_EQ(form.stato_uscite(), 0x90);
    EXPECT_TRUE(form.quale_porta(0)->isChecked());

    card = std::make_unique<PseudoTerminal>();  // and plugged back in
    ASSERT_TRUE(QFile::link(card->slavePath(), link));
    runEventsFor(1500);
    EXPECT_TRUE(form.MSComm1().portOpen());
    const QByteArray sent = card->receive(4, 500);
    EXPECT_TRUE(sent.startsWith(request(0x90))) << sent.toHex().constData();
    qunsetenv("PELMORA_COM1");
}

TEST(OutputChannels, WithTheServicesSettingsAClickOnAnInterlockedOutputSwitchesItsPartnerOff)
{
    QTemporaryDir dir;
    QFile config(dir.filePath("tank.conf"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write("device = /dev/ttyUSB0\ninterlock = 3,4\ninterlock-wait = 200ms\n");
    config.close();
    const panel::CommandLine line = panel::parseCommandLine({"pelmora", "--config", config.fileName()});
    ASSERT_TRUE(line.error.isEmpty()) << line.error.toStdString();
    ASSERT_TRUE(line.safety.configured());

    PseudoTerminal card;
    qputenv("PELMORA_COM1", card.slavePath().toLocal8Bit());
    card_safety::OutputGuard guard(line.safety);
    Form1 form;
    form.setGuard(&guard);
    form.Form_Load();
    form.onoff(2)->click();
    runEventsFor(300);  // the first ON of a group waits too: nothing was known off for long
    EXPECT_EQ(form.stato_uscite(), 0x20);
    card.receive(400, 100);
    form.onoff(3)->click();
    EXPECT_EQ(form.stato_uscite(), 0x00) << "output 3 off at once, output 4 held";
    runEventsFor(400);
    EXPECT_EQ(form.stato_uscite(), 0x10) << "output 4 on after the wait";
    const QByteArray sent = card.receive(400, 100);
    EXPECT_FALSE(sent.contains(request(0x30))) << "never both";
    EXPECT_TRUE(sent.contains(request(0x00)) && sent.endsWith(request(0x10)));
    qunsetenv("PELMORA_COM1");
}
