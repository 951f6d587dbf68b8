#include <QString>
#include <gtest/gtest.h>
#include <set>
#include <string>

#include "device/rsconfigkeytable.h"

using namespace rsconfig;

TEST(RsConfigKeyTable, ReadOrderWriteOrderAndFlags)
{
    const auto keys = KeyTable();
    ASSERT_EQ(keys.size(), 45u);
    EXPECT_STREQ(keys.front().readKey, "station.station");
    EXPECT_STREQ(keys.back().readKey, "display.led");

    std::set<std::string> service, readOnly;
    for (const KeyEntry& k : keys) {
        if (k.serviceOnly)
            service.insert(k.readKey);
        if (!k.writeKey)
            readOnly.insert(k.readKey);
    }
    EXPECT_EQ(service, (std::set<std::string>{"time.server1", "time.server2", "update.dont",
                                              "update.host", "update.user", "update.password",
                                              "update.dir", "info.crc"}));
    EXPECT_EQ(readOnly, (std::set<std::string>{"ppp.modem", "info.crc", "info.hw", "info.sw",
                                               "info.serial"}));

    const auto order = WriteOrder();
    ASSERT_EQ(order.size(), 40u);
    EXPECT_STREQ(order[13], "ppp.use");
    EXPECT_STREQ(order[14], "ppp.usepulse");  // the write order differs from the read order
    EXPECT_STREQ(order[15], "ppp.protokoll");
    EXPECT_STREQ(order[28], "ftp.user0");
    EXPECT_STREQ(order[30], "web.sec_user0");

    // One key is asked for and written in two spellings.
    const KeyEntry* usetime = FindKey("ppp.usetime");
    ASSERT_NE(usetime, nullptr);
    EXPECT_EQ(usetime, FindKey("ppp.Usetime"));
    EXPECT_STREQ(usetime->readKey, "ppp.Usetime");
    EXPECT_EQ(FindKey("ppp.USETIME"), nullptr);

    EXPECT_EQ(ClosingCommand(true), "reboot");
    EXPECT_EQ(ClosingCommand(false), "reload");
}

TEST(RsConfigKeyTable, ValueConversions)
{
    struct Case {
        const char* value;
        int index;  // IndexFromValue with default 1
        int protokoll;
        int contrast;
        bool led;
    } cases[] = {
        {"0", 0, -1, 0, false},
        {"1", 1, 0, 1, true},
        {"2", 2, 1, 2, false},
        {"3", 3, 2, 3, false},
        {"", 1, 2, 40, false},
        {"abc", 1, 2, 40, false},
        {" 1", 1, 2, 40, false},
        {"-5", -5, -6, -5, false},
        {"120", 120, 119, 120, false},
        {"01", 1, 0, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(IndexFromValue(c.value, 1), c.index);
        EXPECT_EQ(ProtokollIndexFromValue(c.value), c.protokoll);
        EXPECT_EQ(ContrastFromValue(c.value), c.contrast);
        EXPECT_EQ(LedFromValue(c.value), c.led);
    }
    EXPECT_EQ(ValueFromIndex(2), "2");
    EXPECT_EQ(ValueFromProtokollIndex(2), "3");  // "HDLC sync to async" goes back as 3
    EXPECT_EQ(ValueFromProtokollIndex(0), "1");
    EXPECT_EQ(ValueFromLed(true), "1");
    EXPECT_EQ(ValueFromLed(false), "0");

    EXPECT_EQ(PanelFromModemType("ISDN"), ModemPanel::Isdn);
    EXPECT_EQ(PanelFromModemType("isdn"), ModemPanel::Isdn);
    EXPECT_EQ(PanelFromModemType("Modem"), ModemPanel::Analog);
    EXPECT_EQ(PanelFromModemType(""), ModemPanel::None);
    EXPECT_EQ(PanelFromModemType("GSM"), ModemPanel::None);
    EXPECT_EQ(PanelFromModemType(" ISDN"), ModemPanel::None);
}

TEST(RsConfigKeyTable, IpAddressCheck)
{
    struct Case {
        const char* text;
        bool valid;
    } cases[] = {
        {"192.168.1.20", true},  {"0.0.0.0", true},        {"255.255.255.255", true},
        {" 10. 0 .0.1 ", true},  {"192.168.1", false},     {"10.0.0.256", false},
        {"10.0.0.-1", false},    {"1.2.3.4.5", false},     {"a.b.c.d", false},
        {"...", false},          {"10..0.1", false},       {"1.2.3.4.", false},
        {"1.2.3.04", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsIpAddressText(c.text), c.valid) << c.text;
}

TEST(RsConfigKeyTable, TimeCheck)
{
    struct Case {
        const char* text;
        bool valid;
    } cases[] = {
        {"00:00", true}, {"23:59", true}, {"24:00", true},  {"24:01", false},
        {"12:60", false}, {"25:00", false}, {"7", true},     {"59", true},
        {"60", false},    {"12:", true},    {":30", true},   {"x:y", true},
        {"1:2:3", true},  {"-1:00", false}, {"02:00", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsTimeText(c.text), c.valid) << c.text;
}

TEST(RsConfigKeyTable, KeyFilters)
{
    const QChar backspace(8), ctrlV(22);
    for (QChar c : {QChar('0'), QChar('9'), backspace}) {
        EXPECT_TRUE(IntegerKeyAccepted(c));
        EXPECT_TRUE(IpAddressKeyAccepted(c));
        EXPECT_TRUE(TimeKeyAccepted(c));
        EXPECT_TRUE(HexKeyAccepted(c));
    }
    EXPECT_TRUE(IntegerKeyAccepted(ctrlV));
    EXPECT_FALSE(IpAddressKeyAccepted(ctrlV));
    EXPECT_FALSE(TimeKeyAccepted(ctrlV));
    EXPECT_FALSE(IntegerKeyAccepted('.'));
    EXPECT_TRUE(IpAddressKeyAccepted('.'));
    EXPECT_FALSE(IpAddressKeyAccepted(':'));
    EXPECT_TRUE(TimeKeyAccepted(':'));
    EXPECT_FALSE(TimeKeyAccepted('.'));
    EXPECT_TRUE(HexKeyAccepted('f'));
    EXPECT_TRUE(HexKeyAccepted('A'));
    EXPECT_FALSE(HexKeyAccepted('g'));
    EXPECT_FALSE(IntegerKeyAccepted('a'));
    EXPECT_FALSE(IntegerKeyAccepted(' '));
}
