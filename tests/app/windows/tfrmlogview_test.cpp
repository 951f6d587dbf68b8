#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextCursor>

#include "app/windows/tfrmlogview.h"
#include "data/runtimetexts.h"
#include "stationwindows.h"
#include "app/setlanguage.h"

namespace {

class LogView : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp.isValid());
        CurrentStation.InitialDir = tmp.path();
        CurrentStation.RegionNumber = 1;
        CurrentStation.StationNumber = 5;
        logDir = tmp.path() + "/Reg001/Stat005/Log";
    }
    void write(const QString& name, const QByteArray& bytes)
    {
        QDir().mkpath(logDir);
        QFile f(logDir + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QString selected() const { return view.redLog->textCursor().selectedText(); }
    int selStart() const { return view.redLog->textCursor().selectionStart(); }

    StationWindows w;  // texts, globals, scripted dialogs
    QTemporaryDir tmp;
    QString logDir;
    TfrmLogView view;
};

TEST_F(LogView, MissingFolderIsCreatedAndShowsNothing)
{
    view.ShowStationLogs();
    EXPECT_TRUE(QDir(logDir).exists());
    EXPECT_EQ(view.FileListBox->count(), 0);
    EXPECT_TRUE(view.redLog->toPlainText().isEmpty());
    EXPECT_TRUE(view.StatusPanel0->text().isEmpty());
}

TEST_F(LogView, ListsLogFilesAnyCaseAndLoadsTheCurrentLog)
{
    write("current.log", "boot\r\nntp ok\r\nftp upload\r\n");
    write("OLD1.LOG", "x\n");
    write("notes.txt", "not a log\n");
    view.ShowStationLogs();
    ASSERT_EQ(view.FileListBox->count(), 2);
    EXPECT_EQ(view.FileListBox->item(0)->text(), "current.log");
    EXPECT_EQ(view.FileListBox->item(1)->text(), "OLD1.LOG");
    EXPECT_EQ(view.FileListBox->currentRow(), 0);
    EXPECT_EQ(view.redLog->toPlainText(), "boot\nntp ok\nftp upload\n");
    EXPECT_EQ(view.StatusPanel0->text(), "3 Zeilen");

    SetLanguage(1);
    view.FileListBox->setCurrentRow(1);
    view.FileListBoxClick();
    EXPECT_EQ(view.StatusPanel0->text(), "1 Columns");
    SetLanguage(0);
}

TEST_F(LogView, FileGoneSinceListingKeepsTheText)
{
    write("Current.Log", "a\nb");
    view.ShowStationLogs();
    EXPECT_EQ(view.StatusPanel0->text(), "2 Zeilen");
    QFile::remove(logDir + "/Current.Log");
    view.FileListBoxClick();
    EXPECT_EQ(view.redLog->toPlainText(), "a\nb");
}

TEST_F(LogView, SearchContinuesBehindTheHitWrapsAndBeepsWhenAbsent)
{
    write("Current.Log", "Error one\nok\nerror two\n");
    view.ShowStationLogs();
    view.edSearch->setText("ERROR");
    view.bbtSearchClick();
    EXPECT_EQ(selStart(), 0);
    EXPECT_EQ(selected(), "Error");
    view.bbtSearchClick();
    EXPECT_EQ(selStart(), 13);
    view.bbtSearchClick();  // past the last hit: over again from the top
    EXPECT_EQ(selStart(), 0);
    EXPECT_TRUE(view.StatusPanel1->text().isEmpty());

    view.edSearch->setText("absent");
    view.bbtSearchClick();
    EXPECT_EQ(view.StatusPanel1->text(), "Text nicht gefunden!");
    view.FileListBoxClick();  // loading a file leaves the message
    EXPECT_EQ(view.StatusPanel1->text(), "Text nicht gefunden!");

    // Without a selection the search starts at the top, wherever the caret is.
    QTextCursor c = view.redLog->textCursor();
    c.setPosition(20);
    view.redLog->setTextCursor(c);
    view.edSearch->setText("error");
    view.bbtSearchClick();
    EXPECT_EQ(selStart(), 0);
}

// Logs are read a block (1 MiB) at a time: a character, a CR LF or the UTF-8 test cut by a
// block's end changes nothing. Of a file beyond a device log's bound the newest lines show.
TEST_F(LogView, LargeLogsShowWholeLinesAndTheNewestPart)
{
    const int block = 1024 * 1024;
    QByteArray big;
    for (int i = 0; big.size() <= 16 * block + 5000; ++i)
        big += QByteArray::number(i).rightJustified(8, '0') + " measuring, nothing new\r\n";
    const struct {
        QByteArray bytes;
        QString text, message;
    } cases[] = {
        {QByteArray(block - 1, 'a') + "\xc3\xa4" + QByteArray(block - 2, 'b') + "\r\nc\r\n",
         QString(block - 1, u'a') + u'\u00e4' + QString(block - 2, u'b') + "\nc\n", QString()},
        {QByteArray(block + 10, 'a') + "\xe4\n", QString(block + 10, u'a') + u'\u00e4' + u'\n', QString()},
        {big, QString::fromLatin1(big.mid(big.indexOf('\n', big.size() - 16 * block) + 1)).replace("\r\n", "\n"),
         MsgLogTailShown.arg(16)},
    };
    for (const auto& c : cases) {
        write("current.log", c.bytes);
        view.ShowStationLogs();
        EXPECT_TRUE(view.redLog->toPlainText() == c.text) << c.text.size();
        EXPECT_EQ(view.StatusPanel0->text(), QString::number(c.text.count(u'\n')) + " Zeilen");
        EXPECT_EQ(view.StatusPanel1->text(), c.message);
    }
}

}  // namespace
