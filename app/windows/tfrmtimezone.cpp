#include "app/windows/tfrmtimezone.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdlib>

#include "app/windows/mainwindowstate.h"
#include "data/econverterror.h"
#include "platform/gui/steadywidgets.h"

TfrmTimezone* frmTimezone = nullptr;

namespace {
// Offset part of an entry: characters 5 to 10 (what there is of them).
QString offsetOf(const QString& entry) { return entry.mid(4, 6); }
}  // namespace

const QStringList& TfrmTimezone::ZoneEntries()
{
    static const QStringList entries = {
        QStringLiteral("(UTC-06:00) Chicago, Dallas, Monterrey"),
        QStringLiteral("(UTC-05:00) Atlanta, Lima, New York, Toronto"),
        QStringLiteral("(UTC-03:00) Buenos Aures, Brasilia"),
        QStringLiteral("(UTC 00:00) Dublin, Casablanca, London, Lissabon, Monrovia"),
        QStringLiteral("(UTC+01:00) Berlin, Belgrad, Bern, Madrid, Prag, Rom, Paris"),
        QStringLiteral("(UTC+02:00) Athen, Bukarest, Insanbul, Helsinki, Kairo, Kiew"),
        QStringLiteral("(UTC+03:00) Bagdat, Kuweit, Moskau, Nairobi"),
        QStringLiteral("(UTC+05:45) Katmandu"),
        QStringLiteral("(UTC+08:00) Peking, Honkong, Singapur, Taipeh, Perth"),
        QStringLiteral("(UTC+09:00) Osaka, Tokio, Seoul"),
        QStringLiteral("(UTC+10:00) Brisbane, Melbourne, Sydney, Wladiwostok"),
    };
    return entries;
}

TfrmTimezone::TfrmTimezone(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmTimezone"));
    cobZones = new QComboBox(this);
    cobZones->setObjectName(QStringLiteral("cobZones"));
    platform::AdjustToContentsWhenPolished(cobZones);
    cbxDaylight = new QCheckBox(this);
    cbxDaylight->setObjectName(QStringLiteral("cbxDaylight"));
    bbtOk = new QPushButton(this);
    bbtOk->setObjectName(QStringLiteral("bbtOk"));
    bbtDefault = new QPushButton(this);
    bbtDefault->setObjectName(QStringLiteral("bbtDefault"));
    bbtCancel = new QPushButton(this);
    bbtCancel->setObjectName(QStringLiteral("bbtCancel"));
    bbtOk->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bbtDefault);
    buttons->addStretch(1);
    buttons->addWidget(bbtOk);
    buttons->addWidget(bbtCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(cobZones);
    layout->addWidget(cbxDaylight);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    connect(bbtOk, &QPushButton::clicked, this, [this] {
        bbtOkClick();
        done(1);
    });
    connect(bbtDefault, &QPushButton::clicked, this, &TfrmTimezone::bbtDefaultClick);
    connect(bbtCancel, &QPushButton::clicked, this, [this] { done(2); });
}

void TfrmTimezone::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    FormShow();
}

void TfrmTimezone::reject()
{
    done(2);
}

void TfrmTimezone::FormShow() { SelectZone(); }

void TfrmTimezone::SelectZone()
{
    // 64 bits: a bias of INT_MIN from a damaged file has no 32-bit magnitude.
    const long long a = std::llabs(static_cast<long long>(ZoneBias));
    const QString s = QString::asprintf("%s%02lld:%02lld", ZoneBias <= 0 ? "+" : "-", a / 3600,
                                        (a / 60) % 60);
    // A zone without an entry selects nothing: OK must not store a zone nobody chose.
    int found = -1;
    for (int i = 0; i < cobZones->count() && found < 0; ++i) {
        const QString e = offsetOf(cobZones->itemText(i));
        if (e == s || (ZoneBias == 0 && e == QLatin1String(" 00:00")))
            found = i;
    }
    cobZones->setCurrentIndex(found);
    cbxDaylight->setChecked(Daylight);
}

QString TfrmTimezone::ZoneText(int32_t bias)
{
    ZoneBias = bias;
    SelectZone();
    return cobZones->currentIndex() < 0 ? QString() : cobZones->currentText();
}

void TfrmTimezone::bbtOkClick()
{
    Daylight = cbxDaylight->isChecked();
    // Without a selection there is nothing to parse: the zone handed in stays.
    if (cobZones->currentIndex() < 0)
        return;
    const QString e = offsetOf(cobZones->currentText());
    const int h = TrimmedStrToIntDef(e.left(3), -99);
    const int m = TrimmedStrToIntDef(e.mid(4, 2), 0);
    ZoneBias = h != -99 ? -h * 3600 - m * 60 : 0;
}

void TfrmTimezone::bbtDefaultClick()
{
    const platform::PcZone saved = MainWindowState().SavedPcZone();
    ZoneBias = saved.secondsWest;
    Daylight = saved.daylight != 0;
    SelectZone();
}
