#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include "data/stationsettings.h"
#include "app/setlanguage.h"
#include "app/windows/tfrmdirselect.h"
#include "app/windows/tfrmimport.h"
#include "common/pump.h"
#include "peers/dbbwriter.h"
#include "stationwindows.h"

namespace {

using namespace dbbtest;

class ImportWindow : public ::testing::Test {
protected:
    QTemporaryDir tmp;
    TStationSettings saved = CurrentStation;
    TfrmDirSelect* oldDir = frmDirSelect;
    TfrmImport* oldImport = frmImport;
    std::unique_ptr<TfrmDirSelect> chooser = std::make_unique<TfrmDirSelect>();
    std::unique_ptr<TfrmImport> w = std::make_unique<TfrmImport>();

    void SetUp() override
    {
        frmDirSelect = chooser.get();
        frmImport = w.get();
        SetLanguage(1);
        CurrentStation.InitialDir = tmp.filePath("data");
        QDir().mkpath(CurrentStation.InitialDir);
    }
    void TearDown() override
    {
        frmDirSelect = oldDir;
        frmImport = oldImport;
        CurrentStation = saved;
    }
    // Shows the import window (as exec would); the chooser answers with folder (empty: cancel), then action runs.
    int run(const QString& folder, std::function<void()> action)
    {
        whenShown(chooser.get(), [this, folder] {
            if (folder.isEmpty())
                return chooser->bbtQuit->click();
            chooser->SelectFolder(folder);
            chooser->bbtOk->click();
        });
        w->lblRootDir->clear();
        w->show();
        pumpUntil([this] { return !lblRootDirEmpty() || !w->isVisible(); });
        if (w->isVisible())
            action();
        if (w->isVisible())
            w->done(2);
        return w->result();
    }
    bool lblRootDirEmpty() const { return w->lblRootDir->text().isEmpty(); }
};

TEST_F(ImportWindow, ListsCopiesByFileChunkAndMarksForeignFiles)
{
    const QString src = tmp.filePath("Old");
    HourFile good;
    good.region = 2;
    good.station = 17;
    good.utcStart = UtcSeconds(2007, 11, 30, 23);
    WriteFile(src, QStringLiteral("A/renamed.dbb"), HourFileBytes(good));
    good.utcStart = UtcSeconds(2007, 12, 1, 0);
    WriteFile(src, QStringLiteral("z.dbb"), HourFileBytes(good));
    WriteFile(src, QStringLiteral("empty.dbb"), QByteArray());

    const int r = run(src, [this] {
        ASSERT_EQ(w->lbxFiles->count(), 3) << w->lblRootDir->text().toStdString();
        EXPECT_EQ(w->lblStat1->text(), QStringLiteral("3 Files found."));
        EXPECT_EQ(w->lblStat2->text(), QStringLiteral("Copy to: \"") + CurrentStation.InitialDir + QStringLiteral("\"?"));
        EXPECT_TRUE(w->bbtImport->isEnabled());
        w->bbtImport->click();
        EXPECT_EQ(w->lbxFiles->item(0)->text(),
                  QStringLiteral("/A/renamed.dbb -> Reg002/Stat017/2007/11/20071130-230000-017.dbb"));
        EXPECT_EQ(w->lbxFiles->item(1)->text(), QStringLiteral("/empty.dbb -| "));
        EXPECT_EQ(w->lbxFiles->item(2)->text(),
                  QStringLiteral("/z.dbb -> Reg002/Stat017/2007/12/20071201-000000-017.dbb"));
        EXPECT_EQ(w->lblStat2->text(), QStringLiteral("2 Files copied."));
        EXPECT_FALSE(w->bbtImport->isEnabled());
        EXPECT_FALSE(w->bbtDestDir->isEnabled());
        // Each entry whole: the list scrolls to its end, and its tool tip holds it.
        w->lbxFiles->doItemsLayout();
        for (int i = 0; i < 3; ++i) {
            const QListWidgetItem* item = w->lbxFiles->item(i);
            EXPECT_EQ(item->toolTip(), item->text());
            EXPECT_GE(w->lbxFiles->visualItemRect(item).width(), w->lbxFiles->fontMetrics().horizontalAdvance(item->text()));
        }
        w->bbtExit->click();
    });
    EXPECT_EQ(r, 2);
    EXPECT_TRUE(QFileInfo::exists(tmp.filePath("data/Reg002/Stat017/2007/12/20071201-000000-017.dbb")));
}

TEST_F(ImportWindow, DataFolderAsSourceCopiesNothingAndCancelCloses)
{
    HourFile f;
    f.utcStart = UtcSeconds(2007, 11, 23, 12);
    WriteLocalHour(CurrentStation.InitialDir, f);
    run(CurrentStation.InitialDir, [this] {
        ASSERT_EQ(w->lbxFiles->count(), 1);
        w->bbtImport->click();
        EXPECT_TRUE(w->lbxFiles->item(0)->text().endsWith(QStringLiteral(" -| ")));
        EXPECT_EQ(w->lblStat2->text(), QStringLiteral("0 Files copied."));
        w->bbtExit->click();
    });
    EXPECT_GT(QFileInfo(CurrentStation.InitialDir + u'/' + LocalTreePath(1, 5, f.utcStart)).size(), 12000);

    bool ran = false;
    EXPECT_EQ(run(QString(), [&] { ran = true; }), 2);
    EXPECT_FALSE(ran);
    EXPECT_FALSE(w->isVisible());
}

}  // namespace
