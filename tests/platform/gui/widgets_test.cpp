#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>
#include <array>

#include "platform/core/shortdate.h"
#include "platform/gui/octetedits.h"
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

// As any desktop's address fields: "." "," move on, Backspace goes back, a paste fills all four.
TEST(OctetEdits, TypingPastingAndBackspaceWalkTheFourFields)
{
    QWidget window;
    std::array<QLineEdit*, 4> eds{new QLineEdit(&window), new QLineEdit(&window), new QLineEdit(&window),
                                  new QLineEdit(&window)};
    platform::OctetEdits octets(eds, &window);
    window.show(), window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const auto texts = [&] { return QStringList{eds[0]->text(), eds[1]->text(), eds[2]->text(), eds[3]->text()}; };
    eds[0]->setFocus();
    for (const char c : QByteArray("127.0,0.2"))
        QTest::keyClick(QApplication::focusWidget(), c);
    EXPECT_EQ(texts(), QStringList({"127", "0", "0", "2"}));
    eds[1]->clear();
    QTest::keyClick(eds[1], Qt::Key_Backspace);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    EXPECT_EQ(eds[0]->text(), "12");
    QGuiApplication::clipboard()->setText(" 10.8.0.15 ");
    QTest::keySequence(eds[1], QKeySequence::Paste);
    EXPECT_EQ(texts(), QStringList({"10", "8", "0", "15"}));
}
