#include "app/windows/tfrmlogview.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>

#include "data/dbbnames.h"
#include "data/localpath.h"
#include "data/stationsettings.h"
#include "app/texts/sprachen.h"
#include "app/windows/mainwindowstate.h"
#include "app/windows/tfrminfo.h"
#include "app/windows/tfrmstation.h"
#include "device/tdatamodftp.h"
#include "device/tfrmftptransfer.h"
#include "platform/gui/eventwait.h"
#include "platform/gui/exceptionguard.h"
#include "platform/core/named.h"
#include "platform/core/shellopen.h"

using platform::Named;

TfrmLogView* frmLogView = nullptr;

namespace {

// A log is shown up to the size a device's log may have; of a larger file its end, the
// newest lines. It is read a block at a time, never whole.
constexpr qint64 ShownLogBytes = FtpMaxLogFileBytes;
constexpr qint64 LogBlockBytes = 1024 * 1024;

// Line breaks as a text box counts them (CR LF, LF, a lone CR). Pieces are cut after a LF,
// so none splits a CR LF.
int CountBreaks(QStringView text)
{
    int breaks = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\n' || (c == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n')))
            ++breaks;
    }
    return breaks;
}

// The file from byte from on into the box, as UTF-8 or, when it is not, as Latin-1; returns
// the line count: a final line break ends the last line, it starts none.
int ShowLogFile(QPlainTextEdit* box, QFile& file, qint64 from)
{
    for (const auto encoding : {QStringDecoder::Utf8, QStringDecoder::Latin1}) {
        box->clear();
        if (!file.seek(from))
            return 0;
        QStringDecoder decoder(encoding);
        QTextCursor cursor(box->document());
        QString carry;
        int breaks = 0;
        QChar last;
        const auto insert = [&](const QString& piece) {
            if (piece.isEmpty())
                return;
            breaks += CountBreaks(piece);
            last = piece.back();
            cursor.insertText(piece);
        };
        bool ok = true;
        for (QByteArray bytes; ok && !(bytes = file.read(LogBlockBytes)).isEmpty();) {
            QString text = carry + decoder.decode(bytes);
            ok = !decoder.hasError();
            const qsizetype cut = text.lastIndexOf(u'\n') + 1;
            carry = text.mid(cut);
            text.truncate(cut);
            insert(text);
        }
        if (!ok)
            continue;
        insert(carry);
        return last.isNull() ? 0 : (last == u'\n' || last == u'\r') ? breaks : breaks + 1;
    }
    return 0;
}

bool IsLogName(const QString& name)
{
    return name.endsWith(QStringLiteral(".Log"), Qt::CaseInsensitive);
}

}  // namespace

TfrmLogView::TfrmLogView(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmLogView"));
    redLog = new QPlainTextEdit(this);
    Named(redLog, "redLog");
    redLog->setReadOnly(true);
    redLog->setUndoRedoEnabled(false);
    redLog->setLineWrapMode(QPlainTextEdit::NoWrap);
    redLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    redLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    redLog->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // The hit of a search stays visible while the focus is elsewhere.
    QPalette pal = redLog->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, pal.color(QPalette::Active, QPalette::HighlightedText));
    redLog->setPalette(pal);

    FileListBox = new QListWidget(this);
    Named(FileListBox, "FileListBox");
    FileListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    lblStation = new QLabel(this);
    Named(lblStation, "lblStation");
    bbtStation = new QPushButton(this);
    Named(bbtStation, "bbtStation");
    bbtLoad = new QPushButton(this);
    Named(bbtLoad, "bbtLoad");
    bbtExit = new QPushButton(this);
    Named(bbtExit, "bbtExit");
    bbtAbort = new QPushButton(this);
    Named(bbtAbort, "bbtAbort");
    bbtAbort->hide();
    platform::SetAbortButton(this, bbtAbort);
    lblSearch = new QLabel(this);
    Named(lblSearch, "lblSearch");
    edSearch = new QLineEdit(this);
    Named(edSearch, "edSearch");
    bbtSearch = new QPushButton(this);
    Named(bbtSearch, "bbtSearch");
    for (QPushButton* b : {bbtStation, bbtLoad, bbtExit, bbtAbort, bbtSearch})
        b->setAutoDefault(false);
    StatusBar = new QStatusBar(this);
    Named(StatusBar, "StatusBar");
    StatusBar->setSizeGripEnabled(false);
    StatusPanel0 = new QLabel(StatusBar);
    StatusPanel0->setMinimumWidth(100);
    StatusPanel1 = new QLabel(StatusBar);
    StatusPanel1->setMinimumWidth(500);
    StatusBar->addWidget(StatusPanel0);
    StatusBar->addWidget(StatusPanel1, 1);
    lblSearch->setBuddy(edSearch);

    auto* side = new QVBoxLayout;
    side->addWidget(FileListBox, 1);
    side->addWidget(bbtLoad);
    side->addWidget(bbtAbort);
    side->addWidget(bbtStation);
    side->addWidget(bbtExit);
    auto* search = new QHBoxLayout;
    search->addWidget(lblSearch);
    search->addWidget(edSearch, 1);
    search->addWidget(bbtSearch);
    auto* text = new QVBoxLayout;
    text->addWidget(lblStation);
    text->addWidget(redLog, 1);
    text->addLayout(search);
    auto* body = new QHBoxLayout;
    body->addLayout(text, 1);
    body->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(StatusBar);
    resize(820, 560);

    using platform::Guard;
    connect(FileListBox, &QListWidget::itemClicked, this, Guard([this] { FileListBoxClick(); }));
    connect(FileListBox, &QListWidget::currentRowChanged, this, Guard([this] {
        if (FileListBox->hasFocus())  // keyboard moves; code selects and loads itself
            FileListBoxClick();
    }));
    connect(bbtSearch, &QPushButton::clicked, this, Guard([this] { bbtSearchClick(); }));
    connect(edSearch, &QLineEdit::returnPressed, this, Guard([this] { bbtSearchClick(); }));
    connect(bbtLoad, &QPushButton::clicked, this, Guard([this] { bbtLoadClick(); }));
    connect(bbtStation, &QPushButton::clicked, this, Guard([this] { bbtStationClick(); }));
    connect(bbtExit, &QPushButton::clicked, this, [this] { done(1); });
    connect(bbtAbort, &QPushButton::clicked, this, Guard([] { frmFtpTransfer->AbortDeviceLogs(); }));
}

void TfrmLogView::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        platform::Guard([this] { FormShow(); })();
}

void TfrmLogView::done(int r)
{
    platform::Guard([this] { FormClose(); })();
    QDialog::done(r == 1 ? 1 : 2);
}

void TfrmLogView::FormShow()
{
    if (const auto station = MainWindowState().StationShown())
        lblStation->setText(*station);
    ShowStationLogs();
}

void TfrmLogView::FormClose()
{
    // Nothing to restore: the listing never changes the process's current directory.
}

void TfrmLogView::SetFileListDirectory(const QString& folder)
{
    m_directory = folder;
    FileListBox->clear();
    if (folder.isEmpty())
        return;
    QDir dir(folder);
    QStringList names;
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System))
        if (IsLogName(info.fileName()))
            names << info.fileName();
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    FileListBox->addItems(names);
}

void TfrmLogView::ShowStationLogs()
{
    m_rememberedDir = m_directory;
    const QString folder = JoinLocalPath({CurrentStation.InitialDir,
                                          StationDir(CurrentStation.RegionNumber, CurrentStation.StationNumber),
                                          QStringLiteral("Log")});
    QDir().mkpath(folder);
    SetFileListDirectory(folder);
    for (int i = 0; i < FileListBox->count(); ++i) {
        if (FileListBox->item(i)->text().compare(QStringLiteral("Current.Log"), Qt::CaseInsensitive) == 0) {
            FileListBox->setCurrentRow(i);
            FileListBoxClick();
            break;
        }
    }
    FileListBox->setFocus();
}

void TfrmLogView::FileListBoxClick()
{
    QListWidgetItem* item = FileListBox->currentItem();
    if (!item || !item->isSelected() || m_directory.isEmpty())
        return;
    QFile file(JoinLocalPath({m_directory, item->text()}));
    if (!QFileInfo(file.fileName()).isFile() || !file.open(QIODevice::ReadOnly))
        return;  // gone since the listing: keep what the box shows
    qint64 from = 0;
    if (file.size() > ShownLogBytes) {
        // From the first whole line of the part shown.
        file.seek(file.size() - ShownLogBytes);
        file.readLine(LogBlockBytes);
        from = file.pos();
        StatusPanel1->setText(MsgLogTailShown.arg(ShownLogBytes / (1024 * 1024)));
    } else if (StatusPanel1->text() == MsgLogTailShown.arg(ShownLogBytes / (1024 * 1024))) {
        StatusPanel1->clear();  // said of the file shown before; other messages stay
    }
    StatusPanel0->setText(QString::number(ShowLogFile(redLog, file, from)) + QLatin1Char(' ') + TxtLines);
}

void TfrmLogView::bbtSearchClick()
{
    const QString needle = edSearch->text();
    for (int pass = 0; pass < 2; ++pass) {
        const QTextCursor sel = redLog->textCursor();
        const int start = sel.hasSelection() ? sel.selectionEnd() : 0;
        const QTextCursor hit = needle.isEmpty() ? QTextCursor() : redLog->document()->find(needle, start);
        if (!hit.isNull()) {
            redLog->setFocus();
            redLog->setTextCursor(hit);
            redLog->ensureCursorVisible();
            StatusPanel1->clear();
            redLog->viewport()->update();
            return;
        }
        if (start == 0)
            break;
        QTextCursor none = redLog->textCursor();
        none.clearSelection();
        redLog->setTextCursor(none);
    }
    QApplication::beep();
    StatusPanel1->setText(MsgTextNotFound);
}

void TfrmLogView::UpdateStationLabel()
{
    lblStation->setText(CurrentStation.StationName + QStringLiteral(": ")
                        + QString::asprintf("%03d/%03d", CurrentStation.RegionNumber, CurrentStation.StationNumber));
}

void TfrmLogView::bbtLoadClick()
{
    frmFtpTransfer->LogDownloadMode = true;
    if (frmFtpTransfer->exec() != 1)
        return;
    // The transfer window may have made another station active.
    if (frmStation)
        frmStation->ReadStationRow(CurrentStation);
    UpdateStationLabel();
    SetFileListDirectory(QString());  // leave the folder while files are written into it
    StatusPanel1->setText(TxtTransferring);
    frmFtpTransfer->OnLogProgress = [this](int done, int total) {
        StatusPanel1->setText(TxtTransferring + QStringLiteral(" %1 / %2").arg(done).arg(total));
    };
    bbtAbort->show();
    frmFtpTransfer->DownloadDeviceLogs(QStringLiteral("current.log"),
                                       StationDir(CurrentStation.RegionNumber, CurrentStation.StationNumber));
    bbtAbort->hide();
    frmFtpTransfer->OnLogProgress = nullptr;
    StatusPanel1->clear();
    ShowStationLogs();
}

void TfrmLogView::bbtStationClick()
{
    StationChanged = 1;
    if (frmStation) {
        frmStation->exec();
        SetFileListDirectory(QString());
        frmStation->ReadStationRow(CurrentStation);
    }
    UpdateStationLabel();
    ShowStationLogs();
}

void TfrmLogView::BitBtn1Click()
{
    platform::ShellOpen(QStringLiteral("mailto:") + QLatin1String(kMakerMailAddress));
}
