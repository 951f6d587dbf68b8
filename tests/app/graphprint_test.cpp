#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <cstring>

#include "app/graphwindow.h"
#include "app/printerseam.h"
#include "common/tmpfs.h"

namespace {

// Runs a poppler tool; its standard output, empty when it is missing or fails.
QByteArray Poppler(const QString& tool, const QStringList& args)
{
    const QString exe = QStandardPaths::findExecutable(tool);
    if (exe.isEmpty())
        return {};
    QProcess p;
    p.start(exe, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}

struct SeamInstalled {
    explicit SeamInstalled(TPrinterSeam* seam) { SetPrinterSeam(seam); }
    ~SeamInstalled() { SetPrinterSeam(nullptr); }
};

}  // namespace

TEST_F(GraphWindow, PrintsOneLandscapePageAndLeavesTheScreenAsItWas)
{
    if (QStandardPaths::findExecutable("pdfinfo").isEmpty() || QStandardPaths::findExecutable("pdftoppm").isEmpty())
        GTEST_SKIP() << "poppler-utils missing";
    const QImage before = form->GraphImage;
    const int pixelsPerDb = form->PixelsPerDb;
    const QString pdf = dir.filePath("graph.pdf");
    TPdfPrinterSeam seam(pdf);
    {
        SeamInstalled installed(&seam);
        form->mnuDruckenClick();
    }
    EXPECT_FALSE(form->Printing);
    EXPECT_EQ(form->ScaleX, 1.0);
    EXPECT_EQ(form->ScaleY, 1.0);
    EXPECT_EQ(form->PixelsPerDb, pixelsPerDb);
    EXPECT_TRUE(platform::DialogScript::shown().empty());

    const QString info = QString::fromUtf8(Poppler("pdfinfo", {pdf}));
    EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+1\\n"))) << info.toStdString();
    const QRegularExpressionMatch size = QRegularExpression("Page size:\\s+([0-9.]+) x ([0-9.]+)").match(info);
    ASSERT_TRUE(size.hasMatch()) << info.toStdString();
    EXPECT_GT(size.captured(1).toDouble(), size.captured(2).toDouble());  // landscape

    Poppler("pdftoppm", {"-r", "100", "-png", "-singlefile", pdf, dir.filePath("page")});
    const QImage page(dir.filePath("page.png"));
    ASSERT_FALSE(page.isNull());
    EXPECT_GT(page.width(), page.height());
    int teal = 0, blue = 0, dark = 0, night = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            teal += c.red() < 40 && c.green() > 100 && c.green() < 160 && c.blue() > 100 && c.blue() < 160;
            blue += c.blue() > c.red() + 60 && c.blue() > c.green() + 60;
            dark += c.red() < 60 && c.green() < 60 && c.blue() < 60;
            night += c == QColor(136, 248, 248);
        }
    EXPECT_EQ(teal, 0);
    EXPECT_GT(blue, 200);  // the day curve, thin on paper
    EXPECT_GT(dark, 500);  // frame, grid, labels
    EXPECT_GT(night, 1000);

    Paint();
    EXPECT_EQ(form->GraphImage, before);
}

TEST_F(GraphWindow, AFailedOrCancelledPrintRestoresTheDrawingState)
{
    TPdfPrinterSeam cancelled(dir.filePath("never.pdf"));
    cancelled.Cancel = true;
    {
        SeamInstalled installed(&cancelled);
        form->mnuDruckenClick();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("never.pdf")));
    EXPECT_TRUE(platform::DialogScript::shown().empty());

    TPdfPrinterSeam broken(dir.filePath("no/such/folder/x.pdf"));
    form->ZoomLevel = 1;
    {
        SeamInstalled installed(&broken);
        form->mnuDruckenClick();
    }
    ASSERT_EQ(platform::DialogScript::shown().size(), 1u);
    EXPECT_EQ(platform::DialogScript::shown()[0].type, platform::MsgDlgType::Error);
    EXPECT_FALSE(form->Printing);
    EXPECT_EQ(form->ScaleX, 1.0);
    Paint();
    EXPECT_EQ(form->PlotRect.Left, 50 - form->ScrollBar->value());
}

// A PDF onto a full disk: the message names the file and the reason; no cut file is left.
TEST_F(GraphWindow, APrintIntoAFileOnAFullDiskIsReportedAndLeavesNoFile)
{
    QWL_RUN_ON_OWN_TMPFS(1024);
    const QString disk = testing_support::OwnTmpfsDir(), pdf = disk + "/graph.pdf";
    ASSERT_TRUE(testing_support::FillDiskLeaving(disk, 4096));
    TPdfPrinterSeam seam(pdf);
    SeamInstalled installed(&seam);
    form->mnuDruckenClick();
    ASSERT_EQ(platform::DialogScript::shown().size(), 1u);
    EXPECT_EQ(platform::DialogScript::shown()[0].text,
              "Drucken fehlgeschlagen, die Datei wurde nicht geschrieben: " + pdf + " ("
                  + QString::fromLocal8Bit(std::strerror(ENOSPC)) + ")");
    EXPECT_EQ(QDir(disk).entryList(QDir::Files | QDir::Hidden), QStringList{"filler"});
}
