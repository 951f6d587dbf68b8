#include "netns.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <unistd.h>

namespace testing_support {

namespace {

const char* const InsideVariable = "QWL_TEST_IN_NETNS";
const char* const SetUpScript =
    "ip link set lo up && ip addr add 10.8.0.1/24 brd + dev lo && exec \"$0\" \"$@\"";

// The unshare option that works here: -n as root, -rn (a user namespace) otherwise.
QString UnshareOption()
{
    const QStringList candidates = geteuid() == 0 ? QStringList{"-n", "-rn"} : QStringList{"-rn"};
    for (const QString& option : candidates) {
        QProcess probe;
        probe.start(QStringLiteral("unshare"), {option, QStringLiteral("sh"), QStringLiteral("-c"),
                                                QStringLiteral("ip link set lo up")});
        if (probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0)
            return option;
        probe.kill();
        probe.waitForFinished(1000);
    }
    return QString();
}

}  // namespace

NetnsRun RunInOwnNetns()
{
    if (qEnvironmentVariableIsSet(InsideVariable))
        return NetnsRun::Inside;
    const QString option = UnshareOption();
    if (option.isEmpty())
        return NetnsRun::Unavailable;
    RerunCurrentTest(option, QString::fromLatin1(SetUpScript), InsideVariable, QStringLiteral("1"));
    return NetnsRun::Done;
}

void RerunCurrentTest(const QString& unshareOption, const QString& script, const char* variable, const QString& value)
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString filter = QStringLiteral("--gtest_filter=%1.%2").arg(info->test_suite_name(), info->name());
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(variable), value);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("unshare"), {unshareOption, QStringLiteral("sh"), QStringLiteral("-c"), script,
                                            QCoreApplication::applicationFilePath(), filter});
    const bool finished = child.waitForFinished(240000);
    if (!finished) {
        child.kill();
        child.waitForFinished(5000);
    }
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_TRUE(finished) << "the test in its own namespace did not end";
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[       OK ]"))) << output.toStdString();
}

}  // namespace testing_support
