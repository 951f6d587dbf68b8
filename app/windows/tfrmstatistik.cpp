#include "app/windows/tfrmstatistik.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QTimer>
#include <algorithm>

#include "app/graph/canvas.h"
#include "data/calendaryear.h"
#include "data/stationsettings.h"
#include "app/texts/sprachen.h"
#include "app/windows/mainwindowstate.h"
#include "device/tdatamodftp.h"
#include "platform/gui/exceptionguard.h"
#include "platform/core/named.h"
#include "platform/gui/waitcursor.h"

using platform::Named;

TfrmStatistik* frmStatistik = nullptr;

namespace {

constexpr int ImageWidth = 730;
constexpr int ImageHeight = 274;

TfrmStatistik::SourceFactory& OnlineSource()
{
    static TfrmStatistik::SourceFactory factory;
    return factory;
}

// The device's tree: the registered source, else the FTP command layer's connection.
std::unique_ptr<TCalendarSource> DeviceSource()
{
    if (OnlineSource())
        return OnlineSource()();
    if (!DataModFtp)
        return nullptr;
    return std::make_unique<TDeviceCalendarSource>(
        [](const QString& dir) { return DataModFtp && DataModFtp->FtpChangeDir(dir); },
        [](QStringList& list, const QString& mask) { return DataModFtp ? DataModFtp->FtpListDir(list, mask) : 0; });
}

// The day numbers at the rows' font height, narrowed until the widest stands inside its
// column with blank pixels on both sides: at their natural width "10" to "31" run together.
QFont CalendarDayFont(QFont font)
{
    const auto widest = [&font] {
        int w = 0;
        for (int d = 10; d <= 31; ++d)
            w = std::max(w, QFontMetrics(font).tightBoundingRect(QString::number(d)).width());
        return w;
    };
    constexpr int room = calendar::CellSize - 1;
    for (int stretch = 100; stretch > 40 && widest() > room; stretch -= 5)
        font.setStretch(stretch - 5);
    // Where the font cannot be narrowed, it is made smaller.
    while (widest() > room && font.pixelSize() > 6)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

QFrame* Square(QWidget* parent, const char* name, const QColor& colour)
{
    auto* f = new QFrame(parent);
    f->setObjectName(QLatin1String(name));
    f->setFixedSize(17, 17);
    f->setAutoFillBackground(true);
    QPalette p = f->palette();
    p.setColor(QPalette::Window, colour);
    f->setPalette(p);
    f->setFrameShape(QFrame::Box);
    return f;
}

}  // namespace

TYearImage::TYearImage(QWidget* parent) : QWidget(parent)
{
    setCursor(Qt::CrossCursor);
}

void TYearImage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(0, 0, Image);
}

void TYearImage::mousePressEvent(QMouseEvent* e)
{
    // Any mouse button selects.
    if (OnMouseDown) {
        const QPoint pos = e->position().toPoint();
        platform::Guarded([&] { OnMouseDown(pos.x(), pos.y()); });
    }
}

void TfrmStatistik::SetOnlineSource(SourceFactory factory)
{
    OnlineSource() = std::move(factory);
}

TfrmStatistik::TfrmStatistik(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmStatistik"));
    lblStation = Named(new QLabel(this), "lblStation");
    lblStation->setAlignment(Qt::AlignCenter);
    QFont title = lblStation->font();
    title.setPointSize(title.pointSize() + 4);
    title.setBold(true);
    lblStation->setFont(title);
    lblNoData = Named(new QLabel(this), "lblNoData");
    lblNoData->setAlignment(Qt::AlignCenter);
    PageCtrl = Named(new QTabWidget(this), "PageCtrl");
    PageCtrl->setUsesScrollButtons(true);
    bbtOk = Named(new QPushButton(this), "bbtOk");
    btnTakeOver = Named(new QPushButton(this), "btnTakeOver");
    btnTakeOver->hide();
    lblLoading = Named(new QLabel(this), "lblLoading");
    TimerShow = new QTimer(this);
    TimerShow->setObjectName(QStringLiteral("TimerShow"));
    TimerShow->setSingleShot(true);
    TimerShow->setInterval(250);
    pnlLegend = Named(new QFrame(this), "pnlLegend");
    pnlLegend->setFrameShape(QFrame::Panel);
    pnlLegend->setFrameShadow(QFrame::Raised);
    lblMoveTo = Named(new QLabel(pnlLegend), "lblMoveTo");
    pnlWhite = Square(pnlLegend, "pnlWhite", Qt::white);
    Panel1 = Square(pnlLegend, "Panel1", QColor(0x80, 0x80, 0x80));
    lblComplete = Named(new QLabel(pnlLegend), "lblComplete");
    lblPartial = Named(new QLabel(pnlLegend), "lblPartial");

    using platform::Guard;
    connect(bbtOk, &QPushButton::clicked, this, Guard([this] {
        bbtOkClick();
        done(2);
    }));
    connect(btnTakeOver, &QPushButton::clicked, this, [this] { done(1); });
    connect(TimerShow, &QTimer::timeout, this, Guard([this] { TimerShowTimer(); }));
    connect(PageCtrl, &QTabWidget::currentChanged, this, Guard([this] { YearPageShow(); }));

    // The window's fixed layout.
    lblStation->setGeometry(8, 6, 746, 28);
    PageCtrl->setGeometry(8, 40, 746, 314);
    lblNoData->setGeometry(8, 40, 746, 314);
    const int below = PageCtrl->geometry().bottom() + 1 + 16;
    lblLoading->setGeometry(8, below, 400, 20);
    pnlLegend->setGeometry(754 - 310, below, 310, 86);
    lblMoveTo->setGeometry(8, 6, 294, 20);
    pnlWhite->move(8, 34);
    lblComplete->setGeometry(32, 32, 270, 20);
    Panel1->move(8, 60);
    lblPartial->setGeometry(32, 58, 270, 20);
    bbtOk->setGeometry(8, below + 86 - 30, 90, 30);
    setFixedSize(767, below + 86 + 12);
}

TfrmStatistik::~TfrmStatistik() = default;

void TfrmStatistik::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        platform::Guarded([this] { FormShow(); });
}

void TfrmStatistik::SetBusy(bool busy)
{
    if (!busy)
        m_busy.reset();
    else if (!m_busy)
        m_busy = std::make_unique<platform::WaitCursor>();
}

void TfrmStatistik::FormShow()
{
    StopDrawing = 0;
    YearCount = 0;
    PageCtrl->hide();
    lblStation->setText(MainWindowState().StationShown().value_or(CurrentStation.StationName));
    lblLoading->clear();
    const TStationSettings& st = CurrentStation;
    m_source = (IsOnline ? IsOnline() : MainWindowState().OnlineMode()) ? DeviceSource() : nullptr;
    const bool online = m_source != nullptr;
    if (!m_source)
        m_source = std::make_unique<TLocalCalendarSource>(st.InitialDir, st.RegionNumber, st.StationNumber);
    QStringList years;
    {
        SetBusy(true);
        years = m_source->YearFolders();
        SetBusy(false);
    }
    std::sort(years.begin(), years.end());
    {
        const QSignalBlocker block(PageCtrl);
        for (const QString& y : years)
            AddYearPage(y);
        PageCtrl->setCurrentIndex(YearCount - 1);
    }
    TimerShow->setInterval(online ? 250 : 100);
    if (YearCount >= 1) {
        SetBusy(true);
        TimerShow->start();
    }
}

void TfrmStatistik::AddYearPage(const QString& yearText)
{
    const int year = CalendarYearOf(yearText);
    // More year folders than pages: the latest years are kept.
    if (year == 0)
        return;
    if (YearCount == calendar::MaxYears) {
        const QSignalBlocker block(PageCtrl);
        delete YearSheets[0];
        std::move(YearSheets.begin() + 1, YearSheets.end(), YearSheets.begin());
        std::move(YearImages.begin() + 1, YearImages.end(), YearImages.begin());
        std::move(YearPanels.begin() + 1, YearPanels.end(), YearPanels.begin());
        --YearCount;
    }
    auto* sheet = new QWidget;
    sheet->setProperty("year", year);
    auto* panel = new QFrame(sheet);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setAutoFillBackground(true);
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, ToQColor(0x808000));
    panel->setPalette(p);
    panel->setGeometry(2, 2, 735, 279);
    auto* image = new TYearImage(panel);
    image->setGeometry(2, 2, ImageWidth, ImageHeight);
    image->Image = QImage(ImageWidth, ImageHeight, QImage::Format_RGB32);
    image->Image.fill(ToQColor(calendar::Background));
    image->OnMouseDown = [this](int x, int y) { ImageMouseDown(x, y); };
    image->setAccessibleName(yearText);
    PageCtrl->addTab(sheet, yearText);
    YearSheets[size_t(YearCount)] = sheet;
    YearPanels[size_t(YearCount)] = panel;
    YearImages[size_t(YearCount)] = image;
    ++YearCount;
}

void TfrmStatistik::YearPageShow()
{
    const int i = PageCtrl->currentIndex();
    if (i >= 0 && i < YearCount && YearImages[size_t(i)]->Tag == 0 && !m_drawing) {
        SetBusy(true);
        TimerShow->start();
    }
}

void TfrmStatistik::TimerShowTimer()
{
    TimerShow->stop();
    if (PageCtrl->isVisible()) {
        const int i = PageCtrl->currentIndex();
        if (i >= 0 && i < YearCount && !m_drawing) {
            TYearImage* image = YearImages[size_t(i)];
            m_drawing = true;
            const bool complete = DrawYear(image->Image, YearSheets[size_t(i)]->property("year").toInt());
            m_drawing = false;
            image->Tag = complete ? 1 : 0;
            image->update();
            // The window closed while the drawing waited for the device.
            if (m_freePending)
                FreePages();
        }
        SetBusy(false);
        return;
    }
    PageCtrl->setCurrentIndex(YearCount - 1);
    PageCtrl->show();
    YearPageShow();
}

bool TfrmStatistik::DrawYear(QImage& image, int year)
{
    image.fill(ToQColor(calendar::Background));
    {
        QPainter p(&image);
        p.setPen(Qt::white);
        // Arial, as the windows are laid out, at a font height of 20: from the top of the
        // ascent to the bottom of the descent 20 pixels, the height of a calendar row.
        QFont font(QStringLiteral("Arial"));
        for (int size = 20; size > 1; --size) {
            font.setPixelSize(size);
            if (QFontMetrics(font).height() <= 20)
                break;
        }
        p.setFont(font);
        // Texts are anchored at their top-left corner, 20 pixels high.
        for (int i = 0; i < 12; ++i)
            p.drawText(QRect(0, 26 + 20 * i, 92, 20), Qt::AlignRight | Qt::AlignVCenter, MonthNames[i + 1]);
        // Each number centred over its cell.
        p.setFont(CalendarDayFont(font));
        for (int d = 1; d <= 31; ++d)
            p.drawText(QRect(CalendarCellLeft(d) - 1, 4, calendar::Pitch, 20), Qt::AlignCenter, QString::number(d));
    }
    TYearImage* shown = nullptr;
    for (int i = 0; i < YearCount; ++i)
        if (&YearImages[size_t(i)]->Image == &image)
            shown = YearImages[size_t(i)];
    const auto monthStarted = [&](int m) {
        lblLoading->setText(TxtReading + QStringLiteral(": ") + MonthNames[m] + u' ' + QString::number(year)
                            + QStringLiteral(" ..."));
        if (shown)
            shown->update();
        // Repaint what is drawn so far; a click waits until the year is done.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    const auto cell = [&](int m, int d, int files) {
        if (StopDrawing)
            return false;
        QPainter p(&image);
        p.fillRect(CalendarCellLeft(d), CalendarCellTop(m), calendar::CellSize, calendar::CellSize,
                   ToQColor(CalendarCellColour(files)));
        return StopDrawing == 0;
    };
    const bool complete = m_source && ScanCalendarYear(*m_source, year, CurrentStation.StationNumber, monthStarted, cell);
    lblLoading->setText(MainWindowState().SourceLine());
    return complete;
}

void TfrmStatistik::ImageMouseDown(int x, int y)
{
    const int i = PageCtrl->currentIndex();
    if (i < 0 || i >= YearCount)
        return;
    // A point outside the cells or on a day that does not exist selects nothing.
    const TDateTime date = CalendarDateAt(YearSheets[size_t(i)]->property("year").toInt(), x, y);
    if (date == 0.0)
        return;
    SelectedDate = date;
    btnTakeOver->click();
}

void TfrmStatistik::bbtOkClick()
{
    StopDrawing = 1;
}

void TfrmStatistik::FormClose()
{
    TimerShow->stop();
    StopDrawing = 1;
    PageCtrl->hide();
    SetBusy(false);
    // A drawing still running holds its page: the pages go when it has ended.
    if (m_drawing)
        m_freePending = true;
    else
        FreePages();
}

void TfrmStatistik::FreePages()
{
    m_freePending = false;
    const QSignalBlocker block(PageCtrl);
    for (int i = YearCount - 1; i >= 0; --i) {
        delete YearImages[size_t(i)];
        delete YearPanels[size_t(i)];
        delete YearSheets[size_t(i)];
        YearImages[size_t(i)] = nullptr;
        YearPanels[size_t(i)] = nullptr;
        YearSheets[size_t(i)] = nullptr;
    }
    YearCount = 0;
}

void TfrmStatistik::done(int r)
{
    FormClose();
    QDialog::done(r == 1 ? 1 : 2);
}
