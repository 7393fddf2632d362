// Ports the window cannot have: held by another program, not permitted, missing.
// Each is reported once with the "ERRORE" box and one fallback is tried.
#include "card_and_panel_processes.h"
#include "panel/form1.h"
#include "panel_test_support.h"
#include "scoped_environment.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

const QString kMissing = QStringLiteral("/dev/pelmora-no-such-device");
// A sysfs attribute without a write handler: opening it read-write fails with
// EACCES even for root, who can open any device node whatever its mode.
const QString kNotPermitted = QStringLiteral("/sys/devices/system/cpu/online");

bool refusedReadWrite(const QString& path)
{
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        ::close(fd);
        return false;
    }
    return errno == EACCES;
}

void expectErrorBoxes(const MessageBoxAnswerer& answerer, int count)
{
    ASSERT_EQ(answerer.count(), count);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(answerer.titles[i], "ERRORE");
        EXPECT_EQ(answerer.texts[i], QStringLiteral("Porta inesistente o già utilizzata da un'altra periferica"));
    }
}

// A virtual card that another panel holds and polls, and a free one beside it.
struct HeldAndFreeCards {
    QTemporaryDir dir;
    VirtualCard held{{"--log", dir.filePath("held.log")}};
    VirtualCard free{{"--log", dir.filePath("free.log")}};
    std::unique_ptr<PanelUnderTest> other;

    // The other panel has the card and polls it.
    ::testing::AssertionResult start()
    {
        if (held.device().isEmpty() || free.device().isEmpty())
            return ::testing::AssertionFailure() << "a virtual card did not start";
        other = std::make_unique<PanelUnderTest>(held.device());
        if (waitForFrames(dir.filePath("held.log"), 1, 10000).isEmpty())
            return ::testing::AssertionFailure() << "the other program never opened the card";
        return ::testing::AssertionSuccess();
    }
};

} // namespace

TEST(PortRefusal, Com1HeldByAnotherProgramFallsBackToCom2)
{
    HeldAndFreeCards cards;
    ASSERT_TRUE(cards.start());
    ScopedEnvironment environment;
    environment.set("PELMORA_COM1", cards.held.device().toLocal8Bit());
    environment.set("PELMORA_COM2", cards.free.device().toLocal8Bit());
    MessageBoxAnswerer answerer;
    panel::Form1 form;
    form.Form_Load();
    runEventsFor(350);

    expectErrorBoxes(answerer, 1);
    EXPECT_EQ(form.MSComm1().portNumber(), 2);
    EXPECT_TRUE(form.MSComm1().portOpen());
    EXPECT_TRUE(form.quale_porta(1)->isChecked());
    EXPECT_TRUE(form.Timer1().isActive());
    EXPECT_FALSE(readFrameLog(cards.dir.filePath("free.log")).isEmpty());
    EXPECT_EQ(cards.other->process().state(), QProcess::Running);
    EXPECT_EQ(form.defaultCardName(), QFileInfo(cards.free.device()).fileName()) << "named after the card it holds";
}

TEST(PortRefusal, MissingCom3FallsBackToCom1)
{
    VirtualCard card({});
    ASSERT_FALSE(card.device().isEmpty());
    ScopedEnvironment environment;
    environment.set("PELMORA_COM1", card.device().toLocal8Bit());
    environment.set("PELMORA_COM3", kMissing.toLocal8Bit());
    MessageBoxAnswerer answerer;
    panel::Form1 form;
    form.Form_Load();
    ASSERT_EQ(answerer.count(), 0);

    form.quale_porta(2)->click();
    runEventsFor(200);
    expectErrorBoxes(answerer, 1);
    EXPECT_EQ(form.MSComm1().portNumber(), 1);
    EXPECT_TRUE(form.MSComm1().portOpen());
    EXPECT_TRUE(form.quale_porta(0)->isChecked());
    EXPECT_TRUE(form.Timer1().isActive());
}

TEST(PortRefusal, Com1NotPermittedAndCom2MissingGiveTwoBoxesThenNothing)
{
    if (!refusedReadWrite(kNotPermitted))
        GTEST_SKIP() << kNotPermitted.toStdString() << " opens read-write here";
    ScopedEnvironment environment;
    environment.set("PELMORA_COM1", kNotPermitted.toLocal8Bit());
    environment.set("PELMORA_COM2", kMissing.toLocal8Bit());
    MessageBoxAnswerer answerer;
    panel::Form1 form;
    form.Form_Load();
    runEventsFor(1500);  // longer than the reopen interval: nothing is retried

    expectErrorBoxes(answerer, 2);
    EXPECT_FALSE(form.MSComm1().portOpen());
    EXPECT_FALSE(form.Timer1().isActive());
}

TEST(PortRefusal, Com4NotPermittedThenCom1HeldGiveTwoBoxesThenNothing)
{
    if (!refusedReadWrite(kNotPermitted))
        GTEST_SKIP() << kNotPermitted.toStdString() << " opens read-write here";
    HeldAndFreeCards cards;
    ASSERT_TRUE(cards.start());
    ScopedEnvironment environment;
    environment.set("PELMORA_COM1", cards.held.device().toLocal8Bit());
    environment.set("PELMORA_COM2", cards.free.device().toLocal8Bit());
    environment.set("PELMORA_COM4", kNotPermitted.toLocal8Bit());
    MessageBoxAnswerer answerer;
    panel::Form1 form;
    form.Form_Load();  // COM1 is held: one box, and the window polls on COM2
    ASSERT_TRUE(form.MSComm1().portOpen());
    ASSERT_EQ(answerer.count(), 1);

    form.quale_porta(3)->click();
    runEventsFor(1500);  // longer than the reopen interval: nothing is retried
    expectErrorBoxes(answerer, 3);
    EXPECT_FALSE(form.MSComm1().portOpen());
    EXPECT_FALSE(form.Timer1().isActive());
}
