#include "app/windows/tfrminfo.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/gui/exceptionguard.h"
#include "platform/core/shellopen.h"

TfrmInfo* frmInfo = nullptr;

namespace {

const QSize LogoSize(96, 48);

QPixmap MakerLogo()
{
    QPixmap logo(LogoSize);
    logo.fill(QColor(60, 180, 220));
    QPainter p(&logo);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(26);
    p.setFont(f);
    p.drawText(logo.rect(), Qt::AlignCenter, QStringLiteral("QWL"));
    return logo;
}

QLabel* NamedLabel(QWidget* parent, const char* name)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setTextFormat(Qt::PlainText);
    return l;
}

}  // namespace

TfrmInfo::TfrmInfo(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmInfo"));
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);
    ImageKzq = NamedLabel(Panel1, "ImageKzq");
    // The logo is drawn when the window is first shown; its place is kept from the start.
    ImageKzq->setMinimumSize(LogoSize);
    ImageKzq->setAccessibleName(QStringLiteral("Logo"));
    lblProdName = NamedLabel(Panel1, "lblProdName");
    QFont big = lblProdName->font();
    big.setPointSize(big.pointSize() + 8);
    big.setBold(true);
    lblProdName->setFont(big);
    lblVersion = NamedLabel(Panel1, "lblVersion");
    lblWebServer = NamedLabel(Panel1, "lblWebServer");
    lblWebServer->setText(WebAddress());
    lblWebServer->setCursor(Qt::PointingHandCursor);
    QPalette link = lblWebServer->palette();
    link.setColor(QPalette::WindowText, QColor(0, 0, 255));
    lblWebServer->setPalette(link);
    QFont underlined = lblWebServer->font();
    underlined.setUnderline(true);
    lblWebServer->setFont(underlined);
    lblWebServer->installEventFilter(this);
    bbtOk = new QPushButton(this);
    bbtOk->setObjectName(QStringLiteral("bbtOk"));
    bbtOk->setDefault(true);
    connect(bbtOk, &QPushButton::clicked, this, [this] { done(1); });

    auto* texts = new QVBoxLayout;
    texts->addWidget(lblProdName);
    texts->addWidget(lblVersion);
    texts->addWidget(lblWebServer);
    auto* panel = new QHBoxLayout(Panel1);
    panel->addWidget(ImageKzq, 0, Qt::AlignTop);
    panel->addSpacing(12);
    panel->addLayout(texts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bbtOk);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addLayout(buttons);
}

void TfrmInfo::showEvent(QShowEvent* e)
{
    if (ImageKzq->pixmap().isNull())
        ImageKzq->setPixmap(MakerLogo());
    QDialog::showEvent(e);
}

QString TfrmInfo::WebAddress()
{
    return QString::fromLatin1(kMakerWebAddress);
}

void TfrmInfo::lblWebServerMouseDown()
{
    // What the browser makes of the address is not checked.
    platform::ShellOpen(lblWebServer->text());
}

bool TfrmInfo::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblWebServer && event->type() == QEvent::MouseButtonPress)
        platform::Guarded([this] { lblWebServerMouseDown(); });
    return QDialog::eventFilter(watched, event);
}

void TfrmInfo::done(int r)
{
    QDialog::done(r == 1 ? 1 : 2);
}
