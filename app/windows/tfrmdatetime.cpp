#include "app/windows/tfrmdatetime.h"

#include <QDateEdit>
#include <QDateTime>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QTimer>

#include "data/stationsettings.h"
#include "app/texts/sprachen.h"
#include "platform/gui/exceptionguard.h"
#include "platform/core/shortdate.h"

TfrmDateTime* frmDateTime = nullptr;

TfrmDateTime::TfrmDateTime(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmDateTime"));
    lblDevice = new QLabel(this);
    lblDevice->setObjectName(QStringLiteral("lblDevice"));
    dtpDate = new QDateEdit(this);
    dtpDate->setObjectName(QStringLiteral("dtpDate"));
    dtpDate->setCalendarPopup(true);
    dtpDate->setDisplayFormat(platform::ShortDateFormat());
    dtpDate->setDate(QDate::currentDate());  // a picker starts at the day it is made
    dtpTime = new QTimeEdit(this);
    dtpTime->setObjectName(QStringLiteral("dtpTime"));
    dtpTime->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    bbtSet = new QPushButton(this);
    bbtSet->setObjectName(QStringLiteral("bbtSet"));
    bbtQuit = new QPushButton(this);
    bbtQuit->setObjectName(QStringLiteral("bbtQuit"));
    Timer = new QTimer(this);
    Timer->setInterval(1000);

    using platform::Guard;
    connect(Timer, &QTimer::timeout, this, Guard([this] { TimerTimer(); }));
    connect(dtpDate, &QDateEdit::dateChanged, this, Guard([this] { dtpDateChange(); }));
    connect(dtpTime, &QTimeEdit::timeChanged, this, Guard([this] { dtpDateChange(); }));
    connect(bbtSet, &QPushButton::clicked, this, Guard([this] { bbtSetClick(); }));
    connect(bbtQuit, &QPushButton::clicked, this, [this] { done(2); });

    auto* layout = new QGridLayout(this);
    layout->addWidget(lblDevice, 0, 0, 1, 2);
    layout->addWidget(dtpDate, 1, 0);
    layout->addWidget(dtpTime, 1, 1);
    layout->addWidget(bbtSet, 2, 0);
    layout->addWidget(bbtQuit, 2, 1);
}

void TfrmDateTime::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        platform::Guarded([this] { FormShow(); });
}

void TfrmDateTime::FormShow()
{
    Timer->start();
    lblDevice->setText(TxtConnectedTo + CurrentStation.StationName + QStringLiteral(" (")
                       + CurrentStation.IPAddress + QStringLiteral(")"));
}

void TfrmDateTime::TimerTimer()
{
    // The clock's own updates are no edit by the user.
    const QSignalBlocker blockDate(dtpDate), blockTime(dtpTime);
    // Only the time part of both pickers follows the clock; the date picked stays.
    const QTime now = QTime::currentTime();
    dtpDate->setTime(now);
    dtpTime->setTime(now);
}

void TfrmDateTime::dtpDateChange()
{
    Timer->stop();
}

void TfrmDateTime::FormClose()
{
    Timer->stop();
}

void TfrmDateTime::done(int r)
{
    FormClose();
    QDialog::done(r == 1 ? 1 : 2);
}
