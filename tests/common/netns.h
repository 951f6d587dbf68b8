#pragma once
#include <QString>

namespace testing_support {

enum class NetnsRun { Inside, Done, Unavailable };

// Tests on fixed ports run in a network namespace of their own. Outside one, RunInOwnNetns()
// re-runs the current test of this binary inside a fresh namespace (loopback up, plus
// 10.8.0.1/24 on it as a second network), reports the child's failures and gives Done, or
// Unavailable when no namespace can be made; inside it gives Inside.
NetnsRun RunInOwnNetns();

// Runs the current test of this binary again as "unshare <option> sh -c <script> <binary>
// <filter>" with variable=value in its environment, and reports the child's failures.
void RerunCurrentTest(const QString& unshareOption, const QString& script, const char* variable, const QString& value);

}  // namespace testing_support

using testing_support::RunInOwnNetns;

// Use as the first line of a test body.
#define QWL_RUN_IN_OWN_NETNS()                                                                \
    do {                                                                                      \
        const auto netnsRun = RunInOwnNetns();                                                \
        if (netnsRun == testing_support::NetnsRun::Done)                                      \
            return;                                                                           \
        if (netnsRun == testing_support::NetnsRun::Unavailable)                               \
            GTEST_SKIP() << "no network namespace can be made here (unshare -n / -rn failed); " \
                            "the same logic is tested on free ports";                         \
    } while (0)
