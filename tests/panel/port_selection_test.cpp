#include "panel/port_selection.h"
#include "fake_serial_port.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

using namespace card_link;
using namespace panel;
using namespace std::chrono_literals;

namespace {

// Option buttons, timer and message boxes as the window would have them.
struct FakeWindow : PortSelectionView {
    void setTimerEnabled(bool enabled) override { timerOn = enabled; }
    void yieldEvents() override
    {
        ++yields;
        if (duringYield)
            std::exchange(duringYield, nullptr)();
    }
    void showPortError(const QString& detail) override
    {
        ++boxes;
        details << detail;
        if (duringBox)
            std::exchange(duringBox, nullptr)();
    }
    void selectPortOption(int index) override
    {
        if (selected == index)
            return;
        selected = index;
        selection->quale_porta_Click(index);
    }

    PortSelection* selection = nullptr;
    int selected = 0;     // "Com1" is selected when the window is created
    bool timerOn = false;
    int boxes = 0;
    QStringList details;
    int yields = 0;
    std::function<void()> duringYield;  // runs inside the next yield, as a pending event would
    std::function<void()> duringBox;    // runs while the next box is open
};

struct PortChoice : ::testing::Test {
    PortChoice() { window.selection = &selection; }
    // What a click on option `index` does: select it, then run its handler.
    void click(int index)
    {
        window.selected = index;
        selection.quale_porta_Click(index);
    }
    FakeSerialPort port;
    FakeWindow window;
    PortSelection selection{port, window};
};

} // namespace

TEST_F(PortChoice, WorkingPortIsOpenedAndPolled)
{
    selection.quale_porta_Click(0);
    click(2);
    EXPECT_EQ(port.opened, (std::vector<int>{1, 3}));
    EXPECT_TRUE(port.open);
    EXPECT_TRUE(window.timerOn);
    EXPECT_EQ(window.boxes, 0);
    EXPECT_GE(window.yields, 2);
}

TEST_F(PortChoice, MissingPortFallsBackToComOne)
{
    selection.quale_porta_Click(0);
    port.missing = {3};
    click(2);
    EXPECT_EQ(window.details, QStringList{"missing"});  // the port's own reason reaches the box
    EXPECT_EQ(port.number, 1);
    EXPECT_TRUE(port.open);
    EXPECT_EQ(window.selected, 0);
    EXPECT_TRUE(window.timerOn);
}

TEST_F(PortChoice, StartupWithoutComOneUsesComTwo)
{
    port.missing = {1};
    selection.quale_porta_Click(0);
    EXPECT_EQ(window.boxes, 1);
    EXPECT_EQ(port.opened, std::vector<int>{2});
    EXPECT_EQ(window.selected, 1);
    EXPECT_TRUE(window.timerOn);
}

TEST_F(PortChoice, TwoUnusablePortsEndAfterTwoBoxesWithPollingOff)
{
    port.missing = {1, 2, 4};
    selection.quale_porta_Click(0);
    EXPECT_EQ(window.boxes, 2);
    EXPECT_FALSE(port.open);
    EXPECT_FALSE(window.timerOn);
    EXPECT_FALSE(selection.readyToPoll());

    // The panel stays usable: a later choice runs its own bounded chain.
    click(3);
    EXPECT_EQ(window.boxes, 4);
    port.missing.clear();
    click(3);
    EXPECT_TRUE(port.open);
    EXPECT_EQ(port.number, 4);
    EXPECT_TRUE(window.timerOn);
}

TEST_F(PortChoice, LostPortIsReopenedAtMostOnceASecond)
{
    selection.quale_porta_Click(0);
    const auto t0 = PortSelection::Clock::now();
    EXPECT_TRUE(selection.readyToPoll(t0));

    port.open = false;       // the device went away
    port.missing = {1};
    EXPECT_FALSE(selection.readyToPoll(t0));
    EXPECT_FALSE(selection.readyToPoll(t0 + 500ms));
    port.missing.clear();
    EXPECT_FALSE(selection.readyToPoll(t0 + 900ms)) << "retried too soon";
    EXPECT_TRUE(selection.readyToPoll(t0 + 1000ms));
    EXPECT_EQ(port.number, 1);
    EXPECT_EQ(window.boxes, 0) << "reopening is silent";
}

TEST_F(PortChoice, NoReopenWithoutAPortInUse)
{
    port.missing = {1, 2};
    selection.quale_porta_Click(0);
    port.missing.clear();
    EXPECT_FALSE(selection.readyToPoll(PortSelection::Clock::now() + 10s));
    EXPECT_FALSE(port.open);
}

TEST_F(PortChoice, EndingStopsAChoiceUnderWayWithNoOtherPortTried)
{
    // The program is told to end while the box of a refused Com1 is open.
    port.missing = {1, 2};
    window.duringBox = [this] { selection.stop(); };
    selection.quale_porta_Click(0);
    EXPECT_EQ(window.boxes, 1);
    EXPECT_EQ(port.number, 1) << "the fallback was tried";
    EXPECT_FALSE(window.timerOn);

    // ...or during the yield before the port changes: nothing is closed or opened.
    FakeSerialPort other;
    FakeWindow otherWindow;
    PortSelection choice{other, otherWindow};
    otherWindow.selection = &choice;
    choice.quale_porta_Click(0);
    otherWindow.duringYield = [&] { choice.stop(); };
    choice.quale_porta_Click(2);
    EXPECT_EQ(other.opened, std::vector<int>{1});
    EXPECT_EQ(other.number, 1);
    EXPECT_FALSE(otherWindow.timerOn);
    EXPECT_FALSE(choice.readyToPoll(PortSelection::Clock::now() + 10s)) << "nothing is polled once ending";
}
