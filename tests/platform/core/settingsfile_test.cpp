#include <gtest/gtest.h>

#include "platform/core/settingsfile.h"

TEST(SettingsFile, ReplacesTheExtensionOfTheExecutable)
{
    EXPECT_EQ(platform::SettingsFileFor("/opt/q/qwlview"), "/opt/q/qwlview.INI");
    EXPECT_EQ(platform::SettingsFileFor("/opt/q/tolvad.exe"), "/opt/q/tolvad.INI");
    EXPECT_EQ(platform::SettingsFileFor("/opt/q.d/qwlview"), "/opt/q.d/qwlview.INI");
    platform::SetSettingsFilePath("/tmp/x.INI");
    EXPECT_EQ(platform::SettingsFilePath(), "/tmp/x.INI");
    platform::SetSettingsFilePath(QString());
    EXPECT_TRUE(platform::SettingsFilePath().endsWith("platform_tests.INI"));
}
