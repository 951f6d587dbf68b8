#include <gtest/gtest.h>

#include "platform/core/shortdate.h"
#include "platform/gui/tradiogroup.h"
#include "platform/core/tstringlist.h"

TEST(TStringList, SortedCaseInsensitiveWithoutDuplicates)
{
    TStringList l;
    l.Add("B.dbb");
    l.Add("a.dbb");
    EXPECT_EQ(l.Add("A.DBB"), 0);
    l.Add("c.dbb");
    ASSERT_EQ(l.Count(), 3);
    EXPECT_EQ(l[0], "a.dbb");
    EXPECT_EQ(l[2], "c.dbb");
    EXPECT_EQ(l.IndexOf("b.DBB"), 1);
    EXPECT_EQ(l.IndexOf("d.dbb"), -1);
    l.Clear();
    EXPECT_EQ(l.Count(), 0);
}

TEST(TRadioGroup, SettingTheIndexInCodeRaisesClickAgain)
{
    TRadioGroup g;
    g.SetItems({"vom PC", "vom Messgerät"});
    std::vector<int> clicks;
    QObject::connect(&g, &TRadioGroup::clicked, [&](int i) { clicks.push_back(i); });
    EXPECT_EQ(g.ItemIndex(), -1);
    g.SetItemIndex(1);
    g.SetItem(0, "from PC");
    EXPECT_EQ(g.Item(0), "from PC");
    EXPECT_EQ(g.ItemIndex(), 1);
    g.SetItemIndex(-1);
    EXPECT_EQ(g.ItemIndex(), -1);
    EXPECT_EQ(clicks, (std::vector<int>{1, -1}));
}

TEST(ShortDate, TheLocalesShortFormatWithTheYearInFull)
{
    for (auto [locale, format] : {std::pair{"C", "d MMM yyyy"}, {"de_DE", "dd.MM.yyyy"}, {"en_US", "M/d/yyyy"}, {"ja_JP", "yyyy/MM/dd"}})
        EXPECT_EQ(platform::ShortDateFormatOf(QLocale(QString::fromLatin1(locale))), QString::fromLatin1(format));
}
