#include "card_link/card_watch.h"
#include "port_messages/port_messages.h"

#include <gtest/gtest.h>

using namespace card_link;
using namespace std::chrono_literals;
using Change = CardWatch::Change;

namespace {

// Ten polls a second from t, each answered or not; the changes they bring, in order.
std::vector<Change> poll(CardWatch& watch, CardWatch::Clock::time_point& t, int polls, bool answered, bool open = true)
{
    std::vector<Change> changes;
    for (int i = 0; i < polls; ++i, t += 100ms) {
        for (Change change : {watch.portChecked(open, t), open ? watch.exchanged(answered, t) : Change::None})
            if (change != Change::None)
                changes.push_back(change);
    }
    return changes;
}

} // namespace

TEST(CardWatch, EachChangeIsToldOnceAsItHappens)
{
    CardWatch watch;
    auto t = CardWatch::Clock::time_point{} + 1h;
    watch.restart(t);
    EXPECT_TRUE(poll(watch, t, 30, true).empty()) << "an answering card says nothing";

    // Silent: told at the first poll a whole second after the last reply, then never again.
    EXPECT_TRUE(poll(watch, t, 9, false).empty());
    EXPECT_EQ(poll(watch, t, 1, false), std::vector<Change>{Change::Silent});
    EXPECT_TRUE(poll(watch, t, 50, false).empty());
    EXPECT_EQ(poll(watch, t, 20, true), std::vector<Change>{Change::Answering});

    // Gone and back, with no word of silence while the device is away.
    EXPECT_EQ(poll(watch, t, 40, false, false), std::vector<Change>{Change::Gone});
    EXPECT_EQ(poll(watch, t, 5, true), std::vector<Change>{Change::Back});
    // Back, but the card says nothing: silent a second after it came back.
    EXPECT_EQ(poll(watch, t, 9, false), std::vector<Change>{});
    EXPECT_EQ(poll(watch, t, 1, false), std::vector<Change>{Change::Silent});
}

TEST(CardWatch, AChoiceOfPortStartsAfresh)
{
    CardWatch watch;
    auto t = CardWatch::Clock::time_point{} + 1h;
    watch.restart(t);
    EXPECT_EQ(poll(watch, t, 12, false), std::vector<Change>{Change::Silent});
    watch.restart(t);  // another port: its first reply is not news
    EXPECT_TRUE(poll(watch, t, 5, true).empty());
    EXPECT_EQ(poll(watch, t, 1, false, false), std::vector<Change>{Change::Gone});
    watch.restart(t);
    EXPECT_TRUE(poll(watch, t, 5, true).empty()) << "a new choice is not a device coming back";
}

TEST(CardWatch, LinesSayWhichPortAndWhatHappenedInItalian)
{
    const QString port = QStringLiteral("Com1 (/dev/ttyUSB0)");
    EXPECT_EQ(changeLine(Change::Silent, port),
              QStringLiteral("Com1 (/dev/ttyUSB0): la scheda non risponde da 1 s; i valori mostrati non sono aggiornati."));
    EXPECT_EQ(changeLine(Change::Answering, port), QStringLiteral("Com1 (/dev/ttyUSB0): la scheda risponde di nuovo."));
    EXPECT_TRUE(changeLine(Change::Gone, port).startsWith(port + QStringLiteral(": il dispositivo è scomparso")));
    EXPECT_TRUE(changeLine(Change::Back, port).startsWith(port + QStringLiteral(": il dispositivo è di nuovo presente")));
    EXPECT_TRUE(changeLine(Change::None, port).isEmpty());
}
