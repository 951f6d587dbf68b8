#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/mainformhvtk.h"
#include "data/econverterror.h"
#include "platform/gui/tstringgrid.h"
#include "common/userinput.h"
#include "stationwindows.h"

namespace {

QStringList stationRow(const QString& region, const QString& number, const QString& name,
                       const QString& ip = QStringLiteral("10.0.0.1"))
{
    return {region, number, name, ip, QStringLiteral("(UTC+01:00) Berlin"), QStringLiteral("-3600"),
            QStringLiteral("1"), QStringLiteral("40000"), QStringLiteral("255.255.0.0"),
            QStringLiteral("user"), QStringLiteral("secret"),
            // weekday hours, then Sunday
            QStringLiteral("22"), QStringLiteral("6"), QStringLiteral("7"), QStringLiteral("12"),
            QStringLiteral("13"), QStringLiteral("18"), QStringLiteral("22"), QStringLiteral("6"),
            QStringLiteral("6"), QStringLiteral("18"), QStringLiteral("0"), QStringLiteral("0")};
}

class StationList : public ::testing::Test {
protected:
    StationWindows w;
    TfrmStation* st = w.st.get();
    TStringGrid* grid = st->stgList;

    void fill(std::initializer_list<QStringList> rows)
    {
        grid->SetRowCount(int(rows.size()) + 1);
        int r = 1;
        for (const QStringList& row : rows)
            grid->SetRowTexts(r++, row);
    }
    void threeStations()
    {
        fill({stationRow("001", "001", "Nord", "10.0.0.1"), stationRow("001", "002", "Mitte", "10.0.0.2"),
              stationRow("002", "001", "Sued", "10.0.0.3")});
    }
};

}  // namespace

TEST_F(StationList, ReadStationRowFillsTheRecordFromTheActiveRow)
{
    threeStations();
    st->ActiveRow = 2;
    TStationSettings rec;
    ASSERT_TRUE(st->ReadStationRow(rec));
    EXPECT_EQ(rec.RegionNumber, 1);
    EXPECT_EQ(rec.StationNumber, 2);
    EXPECT_EQ(rec.StationName, "Mitte");
    EXPECT_EQ(rec.IPAddress, "10.0.0.2");
    EXPECT_EQ(rec.ZoneBias, -3600);
    EXPECT_TRUE(rec.Daylight);
    EXPECT_EQ(rec.LastUpdate, 40000.0);
    EXPECT_EQ(rec.SubnetMask, "255.255.0.0");
    EXPECT_EQ(rec.LoginName, "user");
    EXPECT_EQ(rec.LoginPass, "secret");
    const int32_t wd[10] = {0, 6, 22, 24, 6, 7, 12, 13, 18, 22};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(rec.WeekdayRanges[i], wd[i]) << i;
    const int32_t sd[10] = {0, 6, 22, 24, -1, 6, -1, 0, 18, 22};  // element 7 keeps its 0
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(rec.SundayRanges[i], sd[i]) << i;
}

TEST_F(StationList, ReadStationRowWithABadNumberChangesNothing)
{
    threeStations();
    for (int col : {0, 1, 5, 6, 7}) {
        SCOPED_TRACE(col);
        st->ActiveRow = 1;
        TStationSettings rec;
        ASSERT_TRUE(st->ReadStationRow(rec));
        const TStationSettings before = rec;
        grid->SetCells(col, 3, col == 7 ? QStringLiteral("1.5") : QStringLiteral("x7"));
        st->ActiveRow = 3;
        EXPECT_THROW(st->ReadStationRow(rec), EConvertError);
        EXPECT_EQ(rec.StationName, before.StationName);
        EXPECT_EQ(rec.IPAddress, before.IPAddress);
        EXPECT_EQ(rec.RegionNumber, before.RegionNumber);
        EXPECT_EQ(rec.StationNumber, before.StationNumber);
        EXPECT_EQ(rec.LastUpdate, before.LastUpdate);
        EXPECT_EQ(rec.WeekdayRanges[4], before.WeekdayRanges[4]);
        // It still writes back into the row it was read from, not into the bad one.
        rec.IPAddress = QStringLiteral("192.168.1.9");
        st->WriteStationRow(rec);
        EXPECT_EQ(grid->Cells(3, 1), "192.168.1.9");
        EXPECT_EQ(grid->Cells(3, 3), "10.0.0.3");
        grid->SetRowTexts(3, stationRow("002", "001", "Sued", "10.0.0.3"));
        grid->SetRowTexts(1, stationRow("001", "001", "Nord", "10.0.0.1"));
    }
    // Bad hour texts never fail: they take the defaults.
    grid->SetCells(11, 2, QStringLiteral("abc"));
    st->ActiveRow = 2;
    TStationSettings rec;
    EXPECT_TRUE(st->ReadStationRow(rec));
    EXPECT_EQ(rec.WeekdayRanges[2], 22);
    // No such row: false, nothing read.
    st->ActiveRow = 4;
    rec.StationName = QStringLiteral("kept");
    EXPECT_FALSE(st->ReadStationRow(rec));
    EXPECT_EQ(rec.StationName, "kept");
}

TEST_F(StationList, WriteStationRowFollowsItsRowAndWritesNothingOnceItIsGone)
{
    threeStations();
    st->ActiveRow = 3;
    TStationSettings rec;
    ASSERT_TRUE(st->ReadStationRow(rec));

    // Delete the first row: the station read moves up to row 2.
    grid->SetRow(1);
    st->bbtDeleteClick();
    ASSERT_EQ(grid->RowCount(), 3);
    EXPECT_EQ(st->ActiveRow, 1);
    rec.LastUpdate = 45000.75;
    rec.IPAddress = QStringLiteral("10.9.9.9");
    rec.SubnetMask = QStringLiteral("255.0.0.0");
    rec.LoginName = QStringLiteral("kqv");
    rec.LoginPass = QStringLiteral("pw");
    st->WriteStationRow(rec);
    EXPECT_EQ(grid->RowTexts(1), stationRow("001", "002", "Mitte", "10.0.0.2"));
    EXPECT_EQ(grid->Cells(2, 2), "Sued");
    EXPECT_EQ(grid->Cells(7, 2), "45000");
    EXPECT_EQ(grid->Cells(3, 2), "10.9.9.9");
    EXPECT_EQ(grid->Cells(8, 2), "255.0.0.0");
    EXPECT_EQ(grid->Cells(9, 2), "kqv");
    EXPECT_EQ(grid->Cells(10, 2), "pw");
    EXPECT_EQ(grid->Cells(5, 2), "-3600");

    // Delete the station itself: nothing is written to the row that took its place.
    grid->SetRowCount(4);
    grid->SetRowTexts(3, stationRow("003", "003", "Neu", "10.0.0.4"));
    grid->SetRow(2);
    st->bbtDeleteClick();
    const QStringList before1 = grid->RowTexts(1), before2 = grid->RowTexts(2);
    rec.IPAddress = QStringLiteral("1.1.1.1");
    st->WriteStationRow(rec);
    EXPECT_EQ(grid->RowTexts(1), before1);
    EXPECT_EQ(grid->RowTexts(2), before2);

    // A record never read writes nowhere.
    TStationSettings other;
    other.IPAddress = QStringLiteral("2.2.2.2");
    st->WriteStationRow(other);
    EXPECT_EQ(grid->RowTexts(1), before1);
}

TEST_F(StationList, LookUpsCompareTextsExactly)
{
    fill({stationRow("007", "005", "A"), stationRow("7", "5", "B"), stationRow("007", "006", "C")});
    EXPECT_EQ(st->StationName("007", "005"), "A");
    EXPECT_EQ(st->StationName("7", "5"), "B");
    EXPECT_EQ(st->StationName("7", "005"), "");
    st->ActiveRow = 1;
    EXPECT_FALSE(st->FindStation("007", "5"));
    EXPECT_EQ(st->ActiveRow, 1);
    EXPECT_TRUE(st->FindStation("007", "006"));
    EXPECT_EQ(st->ActiveRow, 3);

    // Uniqueness compares integers and leaves out the active row.
    st->ActiveRow = 1;
    EXPECT_FALSE(st->IsUniqueRegionStation(7, 5));  // row 2 holds 7/5
    st->ActiveRow = 2;
    EXPECT_FALSE(st->IsUniqueRegionStation(7, 5));  // row 1 holds 007/005
    grid->SetRowTexts(1, stationRow("008", "005", "A"));
    EXPECT_TRUE(st->IsUniqueRegionStation(7, 5));
    st->ActiveRow = -1;
    EXPECT_FALSE(st->IsUniqueRegionStation(7, 5));
    grid->SetCells(0, 3, QStringLiteral("abc"));
    EXPECT_THROW(st->IsUniqueRegionStation(1, 1), EConvertError);
}

TEST_F(StationList, DeleteRulesAndButtons)
{
    threeStations();
    st->ActiveRow = 1;
    st->UpdateButtons();
    EXPECT_TRUE(st->bbtDelete->isEnabled());
    EXPECT_EQ(grid->Row(), 1);

    grid->SetRow(3);  // the last of three
    st->bbtDeleteClick();
    EXPECT_EQ(grid->RowCount(), 3);
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_EQ(st->ActiveRow, 2);
    EXPECT_EQ(grid->Cells(2, 2), "Mitte");

    grid->SetRow(1);
    st->bbtDeleteClick();
    EXPECT_EQ(grid->RowCount(), 2);
    EXPECT_EQ(st->ActiveRow, 1);
    EXPECT_EQ(grid->Cells(2, 1), "Mitte");
    EXPECT_TRUE(st->bbtEdit->isEnabled());
    EXPECT_FALSE(st->bbtDelete->isEnabled());
    st->bbtDeleteClick();  // the only station stays
    EXPECT_EQ(grid->RowCount(), 2);

    grid->SetRowCount(1);
    st->UpdateButtons();
    EXPECT_FALSE(st->bbtEdit->isEnabled());
    EXPECT_FALSE(st->bbtDelete->isEnabled());
}

TEST_F(StationList, NewStationFromTheEditor)
{
    threeStations();
    st->ActiveRow = 2;
    CurrentStation.ZoneBias = -7200;
    CurrentStation.Daylight = false;
    TfrmStatEdit* ed = w.ed.get();
    whenShown(ed, [&] {
        EXPECT_EQ(ed->edRegNum->text(), "");
        EXPECT_EQ(ed->edTimezoneStr->text(), TfrmTimezone::ZoneEntries()[5]);
        EXPECT_EQ(ed->edTimezone->text(), "-7200");
        EXPECT_EQ(ed->edDaylight->text(), "0");
        EXPECT_EQ(ed->edWdDay1High->text(), "18");
        ed->edRegNum->setText("7");
        ed->edStatNum->setText("1");  // 7/1 is unique even though row 2 is the active one
        ed->edAktName->setText(QStringLiteral("Neue Station"));
        ed->edSdDay2Low->setText("19");
        ed->edSdDay2High->setText("21");
        ed->bbtOk->click();
    });
    st->bbtNewClick();
    EXPECT_TRUE(platform::DialogScript::shown().empty());
    ASSERT_EQ(grid->RowCount(), 5);
    EXPECT_EQ(st->ActiveRow, 4);
    EXPECT_EQ(grid->Row(), 4);
    const QStringList row = grid->RowTexts(4);
    EXPECT_EQ(row.mid(0, 4), (QStringList{"007", "001", "Neue Station", ""}));
    EXPECT_EQ(row.mid(4, 3), (QStringList{TfrmTimezone::ZoneEntries()[5], "-7200", "0"}));
    EXPECT_EQ(row.mid(7, 4), (QStringList{"36161", "255.255.255.0", "kqv", "kqv"}));
    EXPECT_EQ(row.mid(11), (QStringList{"22", "6", "6", "18", "0", "0", "22", "6", "6", "18", "19", "21"}));

    // Cancel leaves the list and the active row as they were.
    whenShown(ed, [&] { ed->bbtCancel->click(); });
    st->bbtNewClick();
    EXPECT_EQ(grid->RowCount(), 5);
    EXPECT_EQ(st->ActiveRow, 4);
}

TEST_F(StationList, EditWritesNumbersWithThreeDigitsAndKeepsTheDeviceColumns)
{
    threeStations();
    grid->SetCells(0, 2, QStringLiteral("1"));  // an older file's form
    grid->SetRow(2);
    TfrmStatEdit* ed = w.ed.get();
    whenShown(ed, [&] {
        EXPECT_EQ(ed->edRegNum->text(), "1");
        EXPECT_EQ(ed->edAktName->text(), "Mitte");
        EXPECT_EQ(ed->edWdDay1Low->text(), "7");
        ed->edStatNum->setText("12");
        ed->edAktName->setText(QStringLiteral("Mitte-West"));
        ed->bbtOk->click();
    });
    st->bbtEditClick();
    EXPECT_EQ(st->ActiveRow, 2);
    const QStringList row = grid->RowTexts(2);
    EXPECT_EQ(row.mid(0, 4), (QStringList{"001", "012", "Mitte-West", "10.0.0.2"}));
    EXPECT_EQ(row.mid(7, 4), (QStringList{"40000", "255.255.0.0", "user", "secret"}));

    // The editor refuses to make the row a copy of another (001/001 is row 1).
    whenShown(ed, [&] {
        ed->edStatNum->setText("1");
        ed->bbtOk->click();
        EXPECT_TRUE(ed->isVisible());
        ed->bbtCancel->click();
    });
    st->bbtEditClick();
    ASSERT_EQ(platform::DialogScript::shown().size(), 1u);
    EXPECT_EQ(platform::DialogScript::shown()[0].text, MsgStationNotUnique);
    EXPECT_EQ(grid->Cells(1, 2), "012");
}

TEST_F(StationList, FirstShowOpensTheEditorOnTheDefaultRowAndDoubleClickCloses)
{
    st->ReplaceWithDefaultRow();
    EXPECT_EQ(st->ActiveRow, -1);
    ASSERT_EQ(grid->RowCount(), 2);
    EXPECT_EQ(grid->Cells(4, 1), TfrmTimezone::ZoneEntries()[4]);
    EXPECT_EQ(grid->RowTexts(1).mid(5), (QStringList{"-3600", "1", "38353", "255.255.255.0", "kqv", "kqv",
                                                     "22", "6", "6", "18", "0", "0",
                                                     "22", "6", "6", "18", "0", "0"}));
    TfrmStatEdit* ed = w.ed.get();
    bool editorSeen = false;
    whenShown(ed, [&] {
        editorSeen = true;
        EXPECT_EQ(ed->edRegNum->text(), "0");
        EXPECT_EQ(ed->edStatNum->text(), "0");
        ed->edRegNum->setText("1");
        ed->edStatNum->setText("5");
        ed->edAktName->setText(QStringLiteral("Rathaus"));
        ed->bbtOk->click();
        QTimer::singleShot(20, st, [&] { Q_EMIT grid->cellDoubleClicked(0, 0); });
    });
    EXPECT_EQ(st->exec(), 1);
    EXPECT_TRUE(editorSeen);
    EXPECT_EQ(st->ActiveRow, 1);
    EXPECT_EQ(grid->RowTexts(1).mid(0, 3), (QStringList{"001", "005", "Rathaus"}));
    ASSERT_TRUE(st->ReadStationRow(CurrentStation));
    EXPECT_EQ(CurrentStation.RegionNumber, 1);
    EXPECT_EQ(CurrentStation.ZoneBias, -3600);

    // Closing the window by other means than its OK button gives cancel.
    whenShown(st, [&] { st->reject(); });
    EXPECT_EQ(st->exec(), 2);
}

TEST_F(StationList, StationBoxOfTheMainWindowFollowsAReplacedList)
{
    struct Restore {
        TMainFormHvtk* old = MainFormHvtk;
        ~Restore() { MainFormHvtk = old; }
    } restore;
    auto main = std::make_unique<TMainFormHvtk>();
    MainFormHvtk = main.get();
    threeStations();
    st->ActiveRow = 3;
    st->FillStationBox();
    ASSERT_EQ(main->cbxStations->count(), 3);
    EXPECT_EQ(main->cbxStations->itemText(1), "Mitte (001/002)");
    EXPECT_EQ(main->cbxStations->currentIndex(), 2);

    st->ReplaceWithDefaultRow();
    ASSERT_EQ(main->cbxStations->count(), 1);
    EXPECT_EQ(main->cbxStations->itemText(0), " (0/0)");
}

TEST_F(StationList, NewStationTakesTypingInItsFirstFieldAndNamesOneLine)
{
    threeStations();
    TfrmStatEdit* ed = w.ed.get();
    // An earlier showing ended on its OK button.
    whenShown(ed, [&] {
        ed->bbtOk->setFocus();
        ed->bbtCancel->click();
    });
    st->bbtNewClick();
    whenShown(ed, [&] {
        QTest::keyClicks(ed->focusWidget(), "7");
        ed->edStatNum->setText("1");
        ed->edAktName->insert(QStringLiteral("Marktplatz S\u00fcd\n"));
        ed->bbtOk->click();
    });
    st->bbtNewClick();
    EXPECT_EQ(grid->RowTexts(grid->RowCount() - 1).mid(0, 3), (QStringList{"007", "001", "Marktplatz S\u00fcd"}));
}

// A keyboard-only operator reaches every button from the grid; the arrows move within it.
TEST_F(StationList, TabLeavesTheGridForEveryButton)
{
    threeStations();
    st->ActiveRow = 1;
    EXPECT_EQ(QList<QWidget*>({grid, st->bbtNew, st->bbtEdit, st->bbtDelete, st->bbtExit}), TabChain(st));
    QTest::keyClick(grid, Qt::Key_Down);
    EXPECT_EQ(grid->Row(), 2);
}
