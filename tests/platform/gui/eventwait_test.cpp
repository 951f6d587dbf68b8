#include <QApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include "platform/gui/eventwait.h"
#include "platform/gui/waitcursor.h"

namespace {

// The flag is set by an event after setAfterMs (negative: never); the wait has limitMs.
struct WaitCase {
    int setAfterMs;
    int limitMs;
    bool expected;
};

TEST(WaitUntil, EndsOnTheFlagOrTheTimeOut)
{
    const WaitCase cases[] = {
        {0, 2000, true},   // set by the first event
        {30, 2000, true},  // set by a later timer, long before the limit
        {30, -1, true},    // no limit: only the flag ends it
        {-1, 50, false},   // nothing comes: the limit wakes the loop
        {2000, 0, false},  // a zero limit returns at once
    };
    for (const WaitCase& c : cases) {
        bool flag = false;
        QTimer setter;
        setter.setSingleShot(true);
        QObject::connect(&setter, &QTimer::timeout, [&] { flag = true; });
        if (c.setAfterMs >= 0)
            setter.start(c.setAfterMs);
        EXPECT_EQ(platform::WaitUntil([&] { return flag; }, c.limitMs), c.expected)
            << c.setAfterMs << " " << c.limitMs;
    }
}

TEST(WaitCursor, RestoresItsOwnCursorOnce)
{
    {
        platform::WaitCursor outer;
        {
            platform::WaitCursor inner;
            inner.Restore();
            ASSERT_NE(QApplication::overrideCursor(), nullptr);  // outer's is still there
        }  // inner's destructor pops nothing more
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
