#include "button/ButtonPoll.h"
#include "support/Eventually.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

TEST(ButtonPoll, PressesWithinOnePeriodActOnceInTheWindowInFront) {
    int pressed = 0;
    ButtonPoll poll(pressed);
    QSignalSpy looks(&poll.timer(), &QTimer::timeout);
    int main = 0;
    int child = 0;
    poll.Start([&] { ++main; });
    EXPECT_EQ(poll.timer().interval(), ButtonPoll::kPeriodMs);
    EXPECT_EQ(ButtonPoll::kPeriodMs, 300);

    // Three presses before a look: one action, and the flag is cleared.
    pressed = 1;
    pressed = 1;
    pressed = 1;
    ASSERT_EVENTUALLY(main == 1);
    EXPECT_EQ(pressed, 0);
    const qsizetype after = looks.size();
    ASSERT_EVENTUALLY(looks.size() >= after + 2);
    EXPECT_EQ(main, 1);

    // Another window in front: the next press is its own.
    poll.Start([&] { ++child; });
    pressed = 1;
    ASSERT_EVENTUALLY(child == 1);
    EXPECT_EQ(main, 1);

    // An action that hands the poll on leaves it running for the new window; a stopped poll has
    // no look left to come.
    poll.Start([&] {
        ++child;
        poll.Start([&] { ++main; });
    });
    pressed = 1;
    ASSERT_EVENTUALLY(child == 2);
    pressed = 1;
    ASSERT_EVENTUALLY(main == 2);
    poll.Stop();
    EXPECT_FALSE(poll.IsActive());
    EXPECT_EQ(main + child, 4);
}

} // namespace
