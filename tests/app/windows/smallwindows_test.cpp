#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "app/setlanguage.h"
#include "app/texts/sprachen.h"
#include "app/windows/tfrmdatetime.h"
#include "app/windows/tfrmdirselect.h"
#include "app/windows/tfrminfo.h"
#include "app/windows/tfrmlogview.h"
#include "app/windows/tfrmstatname.h"
#include "common/pump.h"
#include "platform/gui/dialogs.h"
#include "platform/core/shellopen.h"
#include "stationwindows.h"

namespace {

// The directory chooser and its name window behind their global pointers, dialogs scripted.
class DirChooser : public ::testing::Test {
protected:
    std::unique_ptr<TfrmDirSelect> dir = std::make_unique<TfrmDirSelect>();
    std::unique_ptr<TfrmStatName> name = std::make_unique<TfrmStatName>();
    TfrmDirSelect* oldDir = frmDirSelect;
    TfrmStatName* oldName = frmStatName;
    QTemporaryDir tmp;
    QString root;

    void SetUp() override
    {
        frmDirSelect = dir.get();
        frmStatName = name.get();
        SetLanguage(1);
        platform::DialogScript::begin();
        root = QDir::cleanPath(tmp.path());
        QDir(root).mkpath(QStringLiteral("Data/2007"));
    }
    void TearDown() override
    {
        platform::DialogScript::end();
        frmDirSelect = oldDir;
        frmStatName = oldName;
    }
    // Shows the chooser modally and runs action in it; returns the modal result.
    int showModal(std::function<void()> action)
    {
        whenShown(dir.get(), std::move(action));
        return dir->exec();
    }
    // Answers the name window with text (OK) or closes it (cancel).
    void answerName(const QString& text, bool ok = true)
    {
        whenShown(name.get(), [this, text, ok] {
            name->edName->setText(text);
            ok ? name->bbtOk->click() : (void)name->close();
        });
    }
};

TEST_F(DirChooser, PresetPathIsSelectedAndReturnedOnOk)
{
    dir->Path = root + QStringLiteral("/Data/2007/");
    const int r = showModal([this] {
        EXPECT_EQ(dir->lblDirName->text(), root + QStringLiteral("/Data/2007"));
        dir->bbtOk->click();
    });
    EXPECT_EQ(r, 1);
    EXPECT_EQ(dir->Path, root + QStringLiteral("/Data/2007"));
}

TEST_F(DirChooser, MissingOrEmptyPathStartsInCurrentDirectoryAndCancelKeepsPath)
{
    const QString cwd = QDir::cleanPath(QDir::currentPath());
    for (const QString& preset : {root + QStringLiteral("/gone"), QString()}) {
        dir->Path = preset;
        const int r = showModal([this, cwd] {
            EXPECT_EQ(dir->lblDirName->text(), cwd);
            dir->SelectFolder(root);
            dir->bbtQuit->click();
        });
        EXPECT_EQ(r, 2);
        EXPECT_EQ(dir->Path, preset);
        EXPECT_EQ(QDir::cleanPath(QDir::currentPath()), cwd) << "browsing must not move the process";
    }
}

TEST_F(DirChooser, ARemovedWorkingDirectoryGivesTheNearestFolderAboveIt)
{
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("work/sub")));
    ASSERT_TRUE(QDir::setCurrent(root + QStringLiteral("/work/sub")));
    dir->Path = root + QStringLiteral("/Data/2007");
    ASSERT_EQ(showModal([this] { dir->bbtOk->click(); }), 1);  // an earlier choice
    ASSERT_TRUE(QDir(root + QStringLiteral("/work")).removeRecursively());
    dir->Path = root + QStringLiteral("/gone");
    EXPECT_EQ(showModal([this] { dir->bbtOk->click(); }), 1);
    QDir::setCurrent(cwd);
    EXPECT_EQ(dir->Path, root);
}

TEST_F(DirChooser, NewFolderIsCreatedInSelectedFolderAndSelected)
{
    dir->Path = root + QStringLiteral("/Data");
    const int r = showModal([this] {
        dir->move(30, 40);
        whenShown(name.get(), [this] {
            EXPECT_EQ(name->pos(), QPoint(dir->x() + 200, dir->y() + 100));
            EXPECT_TRUE(name->edName->text().isEmpty());
            name->edName->setText(QStringLiteral("Export"));
            name->bbtOk->click();
        });
        dir->bbtCreateClick();
        EXPECT_EQ(dir->lblDirName->text(), root + QStringLiteral("/Data/Export"));
        dir->bbtOk->click();
    });
    EXPECT_EQ(r, 1);
    EXPECT_TRUE(QFileInfo(root + QStringLiteral("/Data/Export")).isDir());
    EXPECT_EQ(dir->Path, root + QStringLiteral("/Data/Export"));
    EXPECT_TRUE(platform::DialogScript::shown().empty());
}

TEST_F(DirChooser, RefusedNamesAreReportedAndCancelCreatesNothing)
{
    dir->Path = root + QStringLiteral("/Data");
    dir->show();
    struct Case {
        QString typed;
        bool ok;
        bool message;
    } cases[] = {{QStringLiteral("2007"), true, true},         // exists
                 {QStringLiteral("../outside"), true, true},   // not one folder name
                 {QStringLiteral(".."), true, true},
                 {QString(), true, true},
                 {QStringLiteral("Later"), false, false}};     // name window closed
    for (const Case& c : cases) {
        platform::DialogScript::clearShown();
        answerName(c.typed, c.ok);
        dir->bbtCreateClick();
        const auto& shown = platform::DialogScript::shown();
        ASSERT_EQ(shown.size(), c.message ? 1u : 0u) << c.typed.toStdString();
        if (c.message) {
            EXPECT_EQ(shown[0].text, MsgDirectoryExists + c.typed);
            EXPECT_EQ(shown[0].type, platform::MsgDlgType::Error);
        }
        EXPECT_EQ(dir->SelectedFolder(), root + QStringLiteral("/Data"));
    }
    EXPECT_FALSE(QFileInfo::exists(root + QStringLiteral("/outside")));
    EXPECT_FALSE(QFileInfo::exists(root + QStringLiteral("/Data/Later")));
    dir->hide();
}

TEST(SmallWindows, InfoShowsVersionAndOpensLinkThroughShell)
{
    TfrmInfo info;
    TfrmInfo* old = frmInfo;
    frmInfo = &info;
    SetLanguage(0);
    EXPECT_EQ(info.lblProdName->text(), QString::fromUtf8("Lärmwart"));
    EXPECT_EQ(info.lblVersion->text(), QStringLiteral("Version: ") + FileVersionString(3));
    SetLanguage(1);
    EXPECT_EQ(info.lblProdName->text(), QStringLiteral("Noisewart"));
    EXPECT_EQ(info.lblWebServer->cursor().shape(), Qt::PointingHandCursor);

    QStringList started;
    platform::SetShellStarter([&](const QString& program, const QStringList& args, const QString&) {
        started << program << args;
        return true;
    });
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(info.lblWebServer, &press);
    // The log window's mail goes to the same maker.
    TfrmLogView log;
    log.BitBtn1Click();
    platform::SetShellStarter({});
    frmInfo = old;
    EXPECT_EQ(started, QStringList({"xdg-open", TfrmInfo::WebAddress(), "xdg-open", QString("mailto:") + kMakerMailAddress}));
}

TEST(SmallWindows, DateTimeFollowsClockUntilEdited)
{
    TfrmDateTime w;
    const TStationSettings saved = CurrentStation;
    CurrentStation.StationName = QStringLiteral("Schule");
    CurrentStation.IPAddress = QStringLiteral("10.0.0.7");
    SetLanguage(1);
    w.show();
    EXPECT_TRUE(w.Timer->isActive());
    EXPECT_EQ(w.lblDevice->text(), TxtConnectedTo + QStringLiteral("Schule (10.0.0.7)"));
    // The clock sets the time part of both pickers; the date picked stays.
    w.dtpDate->setDateTime(QDateTime(QDate(2007, 11, 22), QTime(1, 2)));
    w.Timer->start();
    const QTime before = QTime::currentTime();
    w.TimerTimer();
    const QTime after = QTime::currentTime();
    EXPECT_TRUE(w.Timer->isActive()) << "the clock's own update is no edit";
    EXPECT_EQ(w.dtpDate->date(), QDate(2007, 11, 22));
    // The time shown was read between the two readings (unless midnight came in between).
    for (const QTime t : {w.dtpDate->time(), w.dtpTime->time()})
        EXPECT_TRUE(after < before || (before.secsTo(t) >= 0 && t <= after)) << t.toString().toStdString();
    w.dtpDate->setDate(QDate(2007, 11, 23));
    EXPECT_FALSE(w.Timer->isActive());
    w.show();
    w.bbtQuit->click();
    EXPECT_FALSE(w.Timer->isActive());
    CurrentStation = saved;
}

}  // namespace
