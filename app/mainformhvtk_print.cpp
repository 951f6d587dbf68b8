// Printing the graph as shown: one landscape page, the screen's grid and curve
// routines scaled uniformly to the page, the title, station and date lines above.
#include <QBuffer>
#include <QGuiApplication>
#include <QLabel>
#include <QPdfWriter>
#include <QPrinter>
#include <memory>

#include "data/stationsettings.h"
#include "app/graph/graphgeometry.h"
#include "app/mainformhvtk.h"
#include "app/printerseam.h"
#include "platform/core/savefile.h"
#include "platform/gui/dialogs.h"

using namespace graph;

namespace {

// The drawing state goes back to the screen's however the job ends.
struct TPrintStateGuard {
    TMainFormHvtk& Form;
    int SavedPixelsPerDb;
    ~TPrintStateGuard()
    {
        Form.ScaleX = 1.0;
        Form.ScaleY = 1.0;
        Form.Printing = false;
        Form.PixelsPerDb = SavedPixelsPerDb;
        Form.Invalidate();
    }
};

QString PrintFailedText()
{
    return CurrentStation.CurrentLanguage == 0 ? QString::fromUtf8("Drucken fehlgeschlagen!")
                                               : QStringLiteral("Printing failed!");
}

QString FileNotWrittenText(const QString& path, const QString& reason)
{
    return (CurrentStation.CurrentLanguage == 0
                ? QString::fromUtf8("Drucken fehlgeschlagen, die Datei wurde nicht geschrieben: ")
                : QStringLiteral("Printing failed, the file was not written: "))
           + path + QStringLiteral(" (") + reason + u')';
}

// A print into a PDF file is drawn in memory and saved whole: a full disk or a folder that
// takes no file leaves no cut file behind, and an older file of that name keeps its bytes.
struct TPdfInMemory {
    QString Path;
    QBuffer Bytes;
    std::unique_ptr<QPdfWriter> Writer;

    explicit TPdfInMemory(QPrinter& printer)
    {
        if (printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty())
            return;
        Path = printer.outputFileName();
        Bytes.open(QIODevice::WriteOnly);
        Writer = std::make_unique<QPdfWriter>(&Bytes);
        Writer->setPageLayout(printer.pageLayout());
        Writer->setResolution(printer.resolution());
        Writer->setTitle(printer.docName());
        Writer->setCreator(printer.creator());
    }
};

}  // namespace

void TMainFormHvtk::PrintHeaderLines(TCanvas& canvas)
{
    canvas.Pen.Width = 1;
    canvas.Font.Color = ClBlack;
    canvas.Font.Bold = false;
    canvas.Font.Size = 32;
    const int half = (DrawExtentX - DrawOriginX) / 2;
    QString s = lblHeader->text();
    QSize size = canvas.LogicalTextExtent(s);
    int y = DrawOriginY - 2 * size.height() - 10;
    canvas.TextOut(half - size.width() / 2, y, s);
    y += size.height();

    canvas.Font.Size = 12;
    s = lblStation->text();
    size = canvas.LogicalTextExtent(s);
    y += size.height() / 2;
    canvas.TextOut(half - size.width() / 2, y, s);

    s = lblDatum->text();
    size = canvas.LogicalTextExtent(s);
    y += size.height() + size.height() / 4;
    canvas.TextOut(half - size.width() / 2, y, s);
}

void TMainFormHvtk::mnuDruckenClick()
{
    TPrinterSeam& seam = PrinterSeam();
    if (!seam.SelectPrinter(this) || !seam.Printer())
        return;
    QPrinter* printer = seam.Printer();
    printer->setPageOrientation(QPageLayout::Landscape);
    printer->setDocName(platform::AppTitle());

    TGraphFrame screen = LastFrame();
    if (screen.DrawExtentX == 0)  // nothing drawn on the screen yet
        screen = ComputeFrame(0, 0, ZoomLevel, PixelsPerDb);
    TPdfInMemory pdf(*printer);
    bool printed = false;
    {
        TPrintStateGuard guard{*this, PixelsPerDb};
        TCanvas canvas(pdf.Writer ? static_cast<QPaintDevice*>(pdf.Writer.get()) : printer);  // begins the document
        if (canvas.IsActive()) {
            Printing = true;
            const TRect page = canvas.ClipRect();
            ScaleX = ScaleY = PrintScale(page.Width(), page.Height(), screen);
            canvas.ScaleX = ScaleX;
            canvas.ScaleY = ScaleY;
            PixelsPerDb = ZoomLevel == 0 ? 7 : 6;
            canvas.Pen.Width = 1;
            if (ZoomLevel == 0) {
                DrawDayGrid(canvas);
                canvas.Pen.Width = 3;
                DrawDayCurve(canvas);
            } else if (ZoomLevel == 1) {
                DrawHourGrid(canvas, ViewHour);
                canvas.Pen.Width = 3;
                DrawHourCurves(canvas, ViewHour);
            } else {
                DrawMinuteGrid(canvas, ViewHour, ViewMinute);
                canvas.Pen.Width = 3;
                DrawMinuteCurves(canvas, ViewHour, ViewMinute);
            }
            PrintHeaderLines(canvas);
            printed = canvas.End();
        }
    }
    QString reason;
    if (!printed)
        platform::MessageDlg(PrintFailedText(), platform::MsgDlgType::Error, platform::mbOK);
    else if (pdf.Writer && !platform::SaveWholeFile(pdf.Path, pdf.Bytes.data(), &reason))
        platform::MessageDlg(FileNotWrittenText(pdf.Path, reason), platform::MsgDlgType::Error, platform::mbOK);
}
