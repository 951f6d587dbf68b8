#include "app/mainformhvtk.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "data/stationsettings.h"
#include "app/graphevents.h"
#include "app/graph/graphgeometry.h"
#include "app/setlanguage.h"
#include "app/windows/mainwindowstate.h"
#include "platform/gui/eventwait.h"
#include "platform/gui/exceptionguard.h"
#include "platform/core/named.h"
#include "platform/core/shortdate.h"
#include "platform/gui/tradiogroup.h"

using platform::Named;

TMainFormHvtk* MainFormHvtk = nullptr;

namespace {
// The main window's answers to the other windows, which do not include it. Each falls back to
// the base class while the window does not exist.
class TMainWindowAnswers : public TMainWindowState {
public:
    std::optional<QString> StationShown() const override
    {
        if (!MainFormHvtk)
            return std::nullopt;
        return MainFormHvtk->lblStation->text();
    }

    QString SourceLine() const override { return MainFormHvtk ? MainFormHvtk->lblDevice->text() : QString(); }

    bool OnlineMode() const override { return MainFormHvtk && MainFormHvtk->OnlineMode; }

    platform::PcZone SavedPcZone() const override
    {
        if (!MainFormHvtk)
            return {};
        return {MainFormHvtk->SavedTimezone, MainFormHvtk->SavedDaylight};
    }

    void StationListChanged(const QStringList& labels, int current) override
    {
        if (!MainFormHvtk)
            return;
        QComboBox* box = MainFormHvtk->cbxStations;
        box->clear();
        box->addItems(labels);
        box->setCurrentIndex(current);
    }

    // Unchecking the box hides the view.
    void NumViewClosed() override
    {
        if (MainFormHvtk)
            MainFormHvtk->cbxNumView->setChecked(false);
    }

    void LanguageChosen(int language) override { SetLanguage(language); }
};

// Registered at load rather than by the window: a language chosen in the station editor is
// taken also while no main window exists.
TMainWindowAnswers MainWindowAnswers;
[[maybe_unused]] const bool MainWindowAnswersRegistered = (SetMainWindowState(&MainWindowAnswers), true);

// Designed bounds of the window; the settings file overrides them.
constexpr int DesignLeft = 40;
constexpr int DesignTop = 20;
constexpr int DesignWidth = 1024;
constexpr int DesignHeight = 720;

QColor rgb(int r, int g, int b) { return QColor(r, g, b); }

void setBackground(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QFont arial(int px, bool bold)
{
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(px);
    f.setBold(bold);
    return f;
}
}  // namespace

TMainFormHvtk::TMainFormHvtk(QWidget* owner) : QMainWindow(owner)
{
    setObjectName(QStringLiteral("TMainFormHvtk"));
    setMinimumSize(600, 300);
    setGeometry(DesignLeft, DesignTop, DesignWidth, DesignHeight);
    BuildMenu();
    BuildComponents();

    RemoteFileList = std::make_unique<TStringList>();

    m_graphEvents = new TGraphEvents(this);
    ConnectMenuCommands();
    // Its close box ends the program, also while an operation waits on a device.
    platform::SetProgramWindow(this);
    FormCreate();
}

TMainFormHvtk::~TMainFormHvtk()
{
    // The event router reads this window's members: it goes (with its event filters) while
    // they still exist, not among the children QWidget deletes after them.
    delete m_graphEvents;
    platform::SetProgramWindow(nullptr);  // the run ends with its window
}

void TMainFormHvtk::BuildMenu()
{
    QMenuBar* bar = menuBar();
    auto item = [](QMenu* m, const char* name) {
        QAction* a = m->addAction(QString());
        a->setObjectName(QLatin1String(name));
        return a;
    };
    mnuData = bar->addMenu(QString());
    mnuData->setObjectName(QStringLiteral("mnuData"));
    mnuDatDownLoad = item(mnuData, "mnuDatDownLoad");
    mnuData->addSeparator();
    mnuDrucken = item(mnuData, "mnuDrucken");
    mnuExport = item(mnuData, "mnuExport");
    mnuData->addSeparator();
    mnuBeenden = item(mnuData, "mnuBeenden");

    mnuEinstell = bar->addMenu(QString());
    mnuEinstell->setObjectName(QStringLiteral("mnuEinstell"));
    mnuInitialDir = item(mnuEinstell, "mnuInitialDir");
    mnuStationsdaten = item(mnuEinstell, "mnuStationsdaten");
    mnuSelSprache = item(mnuEinstell, "mnuSelSprache");

    mnuSystem = bar->addMenu(QString());
    mnuSystem->setObjectName(QStringLiteral("mnuSystem"));
    mnuFTPConfig = item(mnuSystem, "mnuFTPConfig");
    mnuRSConfig = item(mnuSystem, "mnuRSConfig");
    mnuSystem->addSeparator();
    mnuSysUpdate = item(mnuSystem, "mnuSysUpdate");
    mnuLogView = item(mnuSystem, "mnuLogView");
    mnuSystem->addSeparator();
    mnuImport = item(mnuSystem, "mnuImport");

    mnuHelp = bar->addMenu(QString());
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuInfo = item(mnuHelp, "mnuInfo");
    mnuHandbook = item(mnuHelp, "mnuHandbook");
}

void TMainFormHvtk::BuildComponents()
{
    auto* client = new QWidget(this);
    setCentralWidget(client);

    lblHeader = new QLabel(client);
    Named(lblHeader, "lblHeader");
    lblHeader->setFont(arial(30, false));
    lblHeader->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    {
        QPalette p = lblHeader->palette();
        p.setColor(QPalette::WindowText, rgb(60, 180, 220));
        lblHeader->setPalette(p);
    }
    ImageLogo = new QLabel(client);
    Named(ImageLogo, "ImageLogo");
    lblDatum = new QLabel(client);
    Named(lblDatum, "lblDatum");
    lblDatum->setFont(arial(16, true));
    lblStation = new QLabel(client);
    Named(lblStation, "lblStation");
    lblStation->setFont(arial(17, true));
    cbxStations = new QComboBox(client);
    Named(cbxStations, "cbxStations");
    cbxStations->setFont(arial(15, true));
    cbxStations->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    pnlGraph = new QFrame(client);
    Named(pnlGraph, "pnlGraph");
    pnlGraph->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlGraph->setLineWidth(2);
    setBackground(pnlGraph, rgb(0, 128, 128));
    imgGraph = new QWidget(pnlGraph);
    Named(imgGraph, "imgGraph");
    imgGraph->setCursor(Qt::CrossCursor);
    ScrollBar = new QScrollBar(Qt::Horizontal, client);
    Named(ScrollBar, "ScrollBar");
    ScrollBar->setSingleStep(graph::ScrollSmallChange);
    ScrollBar->setPageStep(20);

    pnlButtons = new QFrame(client);
    Named(pnlButtons, "pnlButtons");
    setBackground(pnlButtons, rgb(197, 223, 254));
    auto* row = new QHBoxLayout(pnlButtons);
    row->setContentsMargins(6, 2, 6, 2);
    row->setSpacing(3);

    auto speed = [this](const char* name, const QString& glyph) {
        auto* b = new QToolButton(pnlButtons);
        b->setObjectName(QLatin1String(name));
        b->setText(glyph);
        b->setAutoRaise(true);
        return b;
    };
    // The zoom group keeps one width at every zoom level (FitButtonRow), so that nothing to
    // its right moves when its controls change.
    m_zoomGroup = new QWidget(pnlButtons);
    auto* zoomBox = new QVBoxLayout(m_zoomGroup);
    zoomBox->setContentsMargins(0, 0, 0, 0);
    lblZoomNav = new QLabel(pnlButtons);
    Named(lblZoomNav, "lblZoomNav");
    zoomBox->addWidget(lblZoomNav);
    auto* zoomRow = new QHBoxLayout;
    zoomRow->setSpacing(2);
    spbZoomHrZurck = speed("spbZoomHrZurck", QStringLiteral("<<"));
    spbZoomMinZurck = speed("spbZoomMinZurck", QStringLiteral("<"));
    spbZoomAus = speed("spbZoomAus", QStringLiteral("[-]"));
    spbZoomMinVor = speed("spbZoomMinVor", QStringLiteral(">"));
    spbZoomHrVor = speed("spbZoomHrVor", QStringLiteral(">>"));
    TimePicker = new QTimeEdit(pnlButtons);
    Named(TimePicker, "TimePicker");
    TimePicker->setDisplayFormat(QStringLiteral("HH:mm"));
    TimePicker->setMinimumWidth(TimePicker->sizeHint().width());
    lblClick = new QLabel(pnlButtons);
    Named(lblClick, "lblClick");
    for (QWidget* w : {static_cast<QWidget*>(spbZoomHrZurck), static_cast<QWidget*>(spbZoomMinZurck),
             static_cast<QWidget*>(TimePicker), static_cast<QWidget*>(spbZoomAus),
             static_cast<QWidget*>(spbZoomMinVor), static_cast<QWidget*>(spbZoomHrVor),
             static_cast<QWidget*>(lblClick)})
        zoomRow->addWidget(w);
    zoomRow->addStretch(1);
    zoomBox->addLayout(zoomRow);
    // The whole-day view is the designed state; SetZoomButtons switches the controls.
    for (QWidget* w : {static_cast<QWidget*>(spbZoomHrZurck), static_cast<QWidget*>(spbZoomMinZurck),
             static_cast<QWidget*>(TimePicker), static_cast<QWidget*>(spbZoomAus),
             static_cast<QWidget*>(spbZoomMinVor), static_cast<QWidget*>(spbZoomHrVor)})
        w->setVisible(false);
    row->addWidget(m_zoomGroup);
    row->addSpacing(5);

    auto* dateBox = new QVBoxLayout;
    lblDatNav = new QLabel(pnlButtons);
    Named(lblDatNav, "lblDatNav");
    dateBox->addWidget(lblDatNav);
    auto* dateRow = new QHBoxLayout;
    dateRow->setSpacing(2);
    spbDatumZurck = speed("spbDatumZurck", QStringLiteral("<"));
    DatePicker = new QDateEdit(pnlButtons);
    Named(DatePicker, "DatePicker");
    DatePicker->setCalendarPopup(true);
    DatePicker->setDisplayFormat(platform::ShortDateFormat());
    spbDatumVor = speed("spbDatumVor", QStringLiteral(">"));
    dateRow->addWidget(spbDatumZurck);
    dateRow->addWidget(DatePicker);
    dateRow->addWidget(spbDatumVor);
    dateBox->addLayout(dateRow);
    row->addLayout(dateBox);
    row->addSpacing(5);

    spbStatistik = speed("spbStatistik", QString());
    spbStatistik->setAutoRaise(false);
    row->addWidget(spbStatistik);
    auto* checks = new QVBoxLayout;
    cbxAverage = new QCheckBox(pnlButtons);
    Named(cbxAverage, "cbxAverage");
    cbxNumView = new QCheckBox(pnlButtons);
    Named(cbxNumView, "cbxNumView");
    checks->addWidget(cbxAverage);
    checks->addWidget(cbxNumView);
    row->addLayout(checks);
    rdgOnline = new TRadioGroup(pnlButtons);
    Named(rdgOnline, "rdgOnline");
    rdgOnline->SetItems({QString(), QString()});
    rdgOnline->SetItemIndex(0);
    row->addWidget(rdgOnline);

    pnlPos = new QFrame(pnlButtons);
    Named(pnlPos, "pnlPos");
    pnlPos->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* posLay = new QHBoxLayout(pnlPos);
    posLay->setContentsMargins(3, 2, 3, 2);
    lblPos = new QLabel(pnlPos);
    Named(lblPos, "lblPos");
    posLay->addWidget(lblPos);
    row->addWidget(pnlPos);
    row->addStretch(1);

    lblDevice = new QLabel(client);
    Named(lblDevice, "lblDevice");
    bbtAbort = new QPushButton(client);
    Named(bbtAbort, "bbtAbort");
    bbtAbort->setAutoDefault(false);
    bbtAbort->hide();
    platform::SetAbortButton(this, bbtAbort);
    connect(bbtAbort, &QPushButton::clicked, this, [this] { bbtAbortClick(); });

    FitButtonRow();
    ArrangeComponents();
}

void TMainFormHvtk::FitButtonRow()
{
    // The step buttons are as narrow as their glyphs allow; those of the hour and of the
    // ten-minute view take each other's place.
    const int step = spbZoomHrZurck->fontMetrics().horizontalAdvance(QStringLiteral("[-]")) + 8;
    for (QToolButton* b : {spbZoomHrZurck, spbZoomMinZurck, spbZoomAus, spbZoomMinVor, spbZoomHrVor, spbDatumZurck, spbDatumVor})
        b->setFixedWidth(step);
    const int zoomed = 3 * step + TimePicker->sizeHint().width() + 3 * 2;
    m_zoomGroup->setFixedWidth(std::max({zoomed, lblClick->sizeHint().width(), lblZoomNav->sizeHint().width()}));
    // Room for the longest read-out, that of the twelve-minute view.
    lblPos->setMinimumWidth(lblPos->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00,0 Uhr = 000,0 dB(A) ")));
}

// Places the components for the current client size: the graph panel spans the width, the
// scroll bar and the button panel follow below it. The graph code refines this on painting.
void TMainFormHvtk::ArrangeComponents()
{
    QWidget* client = centralWidget();
    if (!client || !pnlGraph)
        return;
    const int w = client->width() > 0 ? client->width() : width();
    const int h = client->height() > 0 ? client->height() : height();
    const int pixelsPerDb = std::max(1, (height() - 330) / 100);
    lblHeader->setGeometry(0, 0, w, 42);
    ImageLogo->setGeometry(5, 4, 80, 36);
    lblDatum->adjustSize();
    lblDatum->move((w - lblDatum->width()) / 2, 44);
    lblStation->adjustSize();
    lblStation->move((w - lblStation->width()) / 2, 68);
    cbxStations->adjustSize();
    cbxStations->move((w - cbxStations->width()) / 2, 64);
    const int panelHeight = std::min(100 * pixelsPerDb + 94, std::max(100, h - 90 - 24 - 68 - 24));
    pnlGraph->setGeometry(6, 90, std::max(0, w - 12), panelHeight);
    imgGraph->setGeometry(4, 4, std::max(0, pnlGraph->width() - 8), std::max(0, panelHeight - 8));
    ScrollBar->setGeometry(5, pnlGraph->y() + panelHeight + 4, std::max(0, w - 10), 20);
    pnlButtons->setGeometry(0, ScrollBar->y() + 24, w, std::max(64, pnlButtons->sizeHint().height()));
    lblDevice->setGeometry(6, pnlButtons->y() + pnlButtons->height() + 2, std::max(0, w - 12), 20);
    const int abortWidth = std::max(90, bbtAbort->sizeHint().width());
    bbtAbort->setGeometry(std::max(0, w - 6 - abortWidth), lblDevice->y() - 2, abortWidth, 24);
}

QFileDialog* TMainFormHvtk::CsvSaveDialog()
{
    if (!SaveDialog) {
        SaveDialog = new QFileDialog(this);
        SaveDialog->setObjectName(QStringLiteral("SaveDialog"));
        SaveDialog->setAcceptMode(QFileDialog::AcceptSave);
        ApplyTextsMain(CurrentStation.CurrentLanguage);
    }
    return SaveDialog;
}

void TMainFormHvtk::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    ArrangeComponents();
}

void TMainFormHvtk::showEvent(QShowEvent* e)
{
    QMainWindow::showEvent(e);
    if (!m_shown) {
        m_shown = true;
        platform::Guarded([this] { FormShow(); });
    }
}

void TMainFormHvtk::closeEvent(QCloseEvent* e)
{
    if (!m_closed) {
        m_closed = true;
        platform::Guarded([this] { FormClose(); });
    }
    // The closing's own report (a settings file that could not be written) is shown; after
    // it every wait ends and no further box opens.
    platform::BeginClosing();
    e->accept();
}
