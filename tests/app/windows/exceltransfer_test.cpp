#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include "data/runtimetexts.h"
#include "data/stationsettings.h"
#include "app/setlanguage.h"
#include "app/windows/tfrmexceltransfer.h"
#include "peers/dbbwriter.h"
#include "common/userinput.h"
#include "platform/gui/dialogs.h"
#include "platform/core/shortdate.h"
#include "stationwindows.h"

namespace {

// Station 001/005 "Musterstadt" at UTC+01:00 with every hour of 23 November 2007 (local).
class CsvExport : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    TStationSettings saved = CurrentStation;
    TfrmExcelTransfer* old = frmExcelTransfer;
    std::unique_ptr<TfrmExcelTransfer> w;
    const TDateTime day = EncodeDate(2007, 11, 23);

    void SetUp() override
    {
        CurrentStation.InitialDir = tmp.filePath("data");
        CurrentStation.RegionNumber = 1;
        CurrentStation.StationNumber = 5;
        CurrentStation.StationName = QStringLiteral("Musterstadt");
        CurrentStation.ZoneBias = -3600;
        CurrentStation.Daylight = false;
        for (int h = 0; h < 24; ++h) {
            dbbtest::HourFile f;
            f.utcStart = dbbtest::UtcSeconds(2007, 11, 22, 23) + 3600 * h;
            dbbtest::WriteLocalHour(CurrentStation.InitialDir, f);
        }
        w = std::make_unique<TfrmExcelTransfer>();
        frmExcelTransfer = w.get();
        SetLanguage(1);
        platform::DialogScript::begin();
        w->ExportDate = day + 0.5;
        w->show();
    }
    void TearDown() override
    {
        platform::DialogScript::end();
        frmExcelTransfer = old;
        CurrentStation = saved;
    }
    QStringList written() const { return QDir(tmp.filePath("out")).entryList(QDir::Files | QDir::Hidden); }
    QList<QByteArray> lines(const char* name) const
    {
        QFile f(tmp.filePath("out/") + QLatin1String(name));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
        return f.readAll().split('\n');
    }
};

TEST_F(CsvExport, ListsTheDayAndWritesThreeFilesFromTheLocalTree)
{
    EXPECT_EQ(w->edStatName->text(), QStringLiteral("Musterstadt"));
    ASSERT_EQ(w->lbxFiles->count(), 24);
    EXPECT_TRUE(w->lbxFiles->item(0)->text().startsWith(
        QStringLiteral("Reg001/Stat005/2007/11/20071122-230000-005.dbb ( ")));
    EXPECT_TRUE(w->lbxFiles->item(0)->text().endsWith(QStringLiteral(" 00:00:00 )")));
    EXPECT_TRUE(w->bbtConvert->isEnabled());
    if (qEnvironmentVariableIsSet("QWL_SCREENSHOTS")) {
        for (int lang : {0, 1}) {
            SetLanguage(lang);
            w->grab().save(qEnvironmentVariable("QWL_SCREENSHOTS") + QStringLiteral("/export_%1.png").arg(lang));
        }
    }

    QDir().mkpath(tmp.filePath("out"));
    ASSERT_TRUE(w->Convert(tmp.filePath("out/QWL.csv")));
    EXPECT_EQ(written(), (QStringList{"QWL2007-11-23A.csv", "QWL2007-11-23B.csv", "QWL2007-11-23C.csv"}));
    // Local 08:00 is UTC minute 420 (90 dB); local 23:59 is UTC minute 1379 (59 dB), sample 99 (35/64).
    const QList<QByteArray> b = lines("QWL2007-11-23B.csv"), c = lines("QWL2007-11-23C.csv");
    EXPECT_EQ(b.size(), 48004);
    EXPECT_EQ(b[0], QByteArray(",,,Musterstadt, 001/005\r"));
    EXPECT_EQ(b[3], QByteArray("08:00:00,0, 90.0\r"));
    EXPECT_EQ(c[48002], QByteArray("23:59:59,4, 59.5\r"));
    EXPECT_EQ(w->lblDate->text(), TxtExportDone);
    EXPECT_EQ(w->pgbCopy->value(), w->pgbCopy->maximum());
    EXPECT_FALSE(w->bbtConvert->isEnabled());
    EXPECT_TRUE(platform::DialogScript::shown().empty());
}

TEST_F(CsvExport, DaysWithoutDataAndReversedRangeWriteNothing)
{
    QDir().mkpath(tmp.filePath("out"));
    w->SetRange(day + 1, day + 2 + 0.99);
    EXPECT_EQ(w->lbxFiles->count(), 0);
    EXPECT_FALSE(w->bbtConvert->isEnabled());
    EXPECT_TRUE(w->Convert(tmp.filePath("out/QWL")));
    w->SetRange(day + 1, day + 0.5);
    EXPECT_TRUE(w->Convert(tmp.filePath("out/QWL")));
    EXPECT_EQ(w->lblDate->text(), TxtExportDone);
    EXPECT_TRUE(written().isEmpty());
}

// A name Windows-1252 holds only in part: its bytes, and the loss said once.
TEST_F(CsvExport, TheStationNameIsWrittenInWindows1252AndALossSaidOnce)
{
    CurrentStation.StationName = QString::fromUtf8("Müller äöüß € 中");
    QDir().mkpath(tmp.filePath("out"));
    ASSERT_TRUE(w->Convert(tmp.filePath("out/QWL")));
    EXPECT_EQ(lines("QWL2007-11-23C.csv")[0], QByteArray(",,,M\xfcller \xe4\xf6\xfc\xdf \x80 ?, 001/005\r"));
    ASSERT_EQ(platform::DialogScript::shown().size(), 1u);
    EXPECT_TRUE(platform::DialogScript::shown()[0].text.contains("Windows-1252"));
}

// The stale part is what a killed export left: it goes too.
TEST_F(CsvExport, ADayThatCannotBeWrittenIsReportedAndTheNextDayExported)
{
    dbbtest::HourFile f;
    for (f.utcStart = dbbtest::UtcSeconds(2007, 11, 23, 23); f.utcStart < dbbtest::UtcSeconds(2007, 11, 24, 23);
         f.utcStart += 3600)
        dbbtest::WriteLocalHour(CurrentStation.InitialDir, f);
    w->SetRange(day, day + 1.99);
    QDir().mkpath(tmp.filePath("out/QWL2007-11-23A.csv"));
    ASSERT_TRUE(QFile(tmp.filePath("out/QWL2007-11-24A.csv.99999999~")).open(QIODevice::WriteOnly));
    EXPECT_FALSE(w->Convert(tmp.filePath("out/QWL")));
    const auto& shown = platform::DialogScript::shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, QStringLiteral("Error"));
    EXPECT_EQ(shown[0].text, MsgFileOpenError + u'\'' + tmp.filePath("out/QWL2007-11-23A.csv") + u'\'');
    EXPECT_EQ(written(), (QStringList{"QWL2007-11-24A.csv", "QWL2007-11-24B.csv", "QWL2007-11-24C.csv"}));
    EXPECT_EQ(w->lblDate->text(), TxtExportDone);
    EXPECT_EQ(w->pgbCopy->value(), w->pgbCopy->maximum());
}

TEST_F(CsvExport, ConvertAsksForThePrefixAndCancelDoesNothing)
{
    QDir().mkpath(tmp.filePath("out"));
    whenShown(w->SaveDialog, [this] { w->SaveDialog->reject(); });
    w->bbtConvertClick();
    EXPECT_TRUE(w->bbtConvert->isEnabled());
    EXPECT_TRUE(written().isEmpty());

    whenShown(w->SaveDialog, [this] {
        EXPECT_EQ(w->SaveDialog->windowTitle(), QStringLiteral("Enter file prefix for excel files"));
        auto* name = w->SaveDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_TRUE(name);
        name->setText(tmp.filePath("out/Day"));
        static_cast<QDialog*>(w->SaveDialog)->accept();
    });
    w->bbtConvertClick();
    EXPECT_EQ(written().size(), 3);
    EXPECT_TRUE(written().contains(QStringLiteral("Day2007-11-23A.csv"))) << written().join(u' ').toStdString();
}

TEST_F(CsvExport, EscapeCancelsFromEveryControlAndDatesAreTheSystemsShortOnes)
{
    const QList<QWidget*> chain = TabChain(w.get());
    EXPECT_TRUE(chain.contains(w->lbxFiles) && chain.contains(w->dtpStart) && chain.contains(w->bbtQuit));
    for (QWidget* control : chain) {
        w->show();
        QTest::keyClicks(control, QStringLiteral("12"));
        QTest::keyClick(control, Qt::Key_Escape);
        EXPECT_TRUE(w->isHidden() && w->result() == 2) << control->objectName().toStdString();
    }
    const QString date = platform::ShortDateText(QDate(2007, 11, 23));
    for (int lang : {0, 1}) {
        SetLanguage(lang);
        w->show();
        EXPECT_TRUE(w->dtpStart->text() == date && w->lbxFiles->item(0)->text().contains("( " + date + ' '));
    }
}

}  // namespace
