#include "app/windows/tfrmstatedit.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <QVBoxLayout>
#include <algorithm>

#include "data/runtimetexts.h"
#include "data/stationsettings.h"
#include "app/texts/tfrmselsprache.h"
#include "data/econverterror.h"
#include "app/windows/mainwindowstate.h"
#include "app/windows/tfrmstation.h"
#include "app/windows/tfrmtimezone.h"
#include "platform/core/inifile.h"
#include "platform/core/settingsfile.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/exceptionguard.h"

TfrmStatEdit* frmStatEdit = nullptr;

namespace {

// Typing stops at Max characters as a maximum length would, but a longer value that the
// station list puts there stays whole (a maximum length cuts it): the check at OK names it.
class LimitedValidator : public QValidator {
public:
    LimitedValidator(QLineEdit* ed, int max) : QValidator(ed), m_max(max)
    {
        connect(ed, &QLineEdit::textChanged, this, [this](const QString& t) { m_shown = t.size(); });
    }

protected:
    bool TooLong(const QString& input) const { return m_max > 0 && input.size() > m_max && input.size() > m_shown; }

private:
    int m_max;
    qsizetype m_shown = 0;
};

// Refuses any input (typed or pasted) that holds a character the key filter would drop.
class DigitsValidator : public LimitedValidator {
public:
    using LimitedValidator::LimitedValidator;
    State validate(QString& input, int&) const override
    {
        if (TooLong(input))
            return Invalid;
        for (QChar c : input) {
            QChar k = c;
            TfrmStatEdit::edNumKeyPress(k);
            if (k.isNull())
                return Invalid;
        }
        return Acceptable;
    }
};

// A name is one line of printable text: control characters (a pasted line end, a tab) go.
QString withoutControls(QString t)
{
    t.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    return t;
}

class NameValidator : public LimitedValidator {
public:
    using LimitedValidator::LimitedValidator;
    State validate(QString& input, int& pos) const override
    {
        pos -= int(input.left(pos).size() - withoutControls(input.left(pos)).size());
        input = withoutControls(input);
        return TooLong(input) ? Invalid : Acceptable;
    }
};

// The characters of name that the settings file cannot store, each once.
QString unstorable(const IniFile& settings, const QString& name)
{
    QString found;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const qsizetype n = name[i].isHighSurrogate() && i + 1 < name.size() ? 2 : 1;
        const QStringView c = QStringView(name).mid(i, n);
        if (!settings.CanHold(c) && !found.contains(c))
            found += c;
        i += n - 1;
    }
    return found;
}

QString unstorableText(const QString& chars)
{
    return CurrentStation.CurrentLanguage == 0
               ? QString::fromUtf8(
                     "Die Einstellungsdatei ist in Windows-1252 geschrieben und kann diese Zeichen des Namens "
                     "nicht speichern: „%1“")
                     .arg(chars)
               : QStringLiteral("The settings file is written in Windows-1252 and cannot store these characters of the "
                                "name: \"%1\"")
                     .arg(chars);
}

bool isNumberField(const QString& t)
{
    if (t.isEmpty() || t.size() > 3)
        return false;
    for (QChar c : t)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

QLineEdit* numberEdit(QWidget* parent, const char* name, int maxLength)
{
    auto* ed = new QLineEdit(parent);
    ed->setObjectName(QString::fromLatin1(name));
    ed->setValidator(new DigitsValidator(ed, maxLength));
    return ed;
}

QLabel* label(QWidget* parent, const char* name)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

}  // namespace

TfrmStatEdit::TfrmStatEdit(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmStatEdit"));
    edRegNum = numberEdit(this, "edRegNum", 3);
    edStatNum = numberEdit(this, "edStatNum", 3);
    edAktName = new QLineEdit(this);
    edAktName->setObjectName(QStringLiteral("edAktName"));
    edAktName->setValidator(new NameValidator(edAktName, MaxStationTextChars));
    bbtTimezone = new QPushButton(this);
    bbtTimezone->setObjectName(QStringLiteral("bbtTimezone"));
    edTimezoneStr = new QLineEdit(this);
    edTimezoneStr->setObjectName(QStringLiteral("edTimezoneStr"));
    edTimezoneStr->setReadOnly(true);
    int zoneWidth = 0;
    for (const QString& z : TfrmTimezone::ZoneEntries())
        zoneWidth = std::max(zoneWidth, edTimezoneStr->fontMetrics().horizontalAdvance(z));
    edTimezoneStr->setMinimumWidth(zoneWidth + 16);
    // Show a zone text from its start, not scrolled to its end.
    connect(edTimezoneStr, &QLineEdit::textChanged, edTimezoneStr, [this] { edTimezoneStr->setCursorPosition(0); });
    edTimezone = new QLineEdit(this);
    edTimezone->setObjectName(QStringLiteral("edTimezone"));
    edTimezone->setReadOnly(true);
    edTimezone->hide();
    edDaylight = new QLineEdit(this);
    edDaylight->setObjectName(QStringLiteral("edDaylight"));
    edDaylight->setReadOnly(true);
    edDaylight->hide();
    edWdNightLow = numberEdit(this, "edWdNightLow", 0);
    edWdNightHigh = numberEdit(this, "edWdNightHigh", 0);
    edWdDay1Low = numberEdit(this, "edWdDay1Low", 0);
    edWdDay1High = numberEdit(this, "edWdDay1High", 0);
    edWdDay2Low = numberEdit(this, "edWdDay2Low", 0);
    edWdDay2High = numberEdit(this, "edWdDay2High", 0);
    edSdNightLow = numberEdit(this, "edSdNightLow", 0);
    edSdNightHigh = numberEdit(this, "edSdNightHigh", 0);
    edSdDay1Low = numberEdit(this, "edSdDay1Low", 0);
    edSdDay1High = numberEdit(this, "edSdDay1High", 0);
    edSdDay2Low = numberEdit(this, "edSdDay2Low", 0);
    edSdDay2High = numberEdit(this, "edSdDay2High", 0);
    bbtOk = new QPushButton(this);
    bbtOk->setObjectName(QStringLiteral("bbtOk"));
    bbtOk->setDefault(true);
    bbtCancel = new QPushButton(this);
    bbtCancel->setObjectName(QStringLiteral("bbtCancel"));
    bbtLanguage = new QPushButton(this);
    bbtLanguage->setObjectName(QStringLiteral("bbtLanguage"));

    lblNum = label(this, "lblNum");
    lblRegion = label(this, "lblRegion");
    lblName = label(this, "lblName");
    lblTimeZone = label(this, "lblTimeZone");
    lblOclock1 = label(this, "lblOclock1");
    lblOclock2 = label(this, "lblOclock2");
    lblOclock3 = label(this, "lblOclock3");
    lblWorkdays = label(this, "lblWorkdays");
    lblSundays = label(this, "lblSundays");
    lblNightRegion = label(this, "lblNightRegion");
    lblDayRegion1 = label(this, "lblDayRegion1");
    lblDayRegion2 = label(this, "lblDayRegion2");
    lblEnterRegion = label(this, "lblEnterRegion");

    for (int i = 0; i < 12; ++i)
        HourEdit(i)->setFixedWidth(40);
    edRegNum->setFixedWidth(50);
    edStatNum->setFixedWidth(50);

    // Identity: region, station, name, zone.
    auto* top = new QGridLayout;
    top->addWidget(lblRegion, 0, 0);
    auto* numbers = new QHBoxLayout;
    numbers->addWidget(edRegNum);
    numbers->addSpacing(16);
    numbers->addWidget(lblNum);
    numbers->addWidget(edStatNum);
    numbers->addStretch(1);
    top->addLayout(numbers, 0, 1, 1, 2);
    top->addWidget(lblName, 1, 0);
    top->addWidget(edAktName, 1, 1, 1, 2);
    top->addWidget(lblTimeZone, 2, 0);
    top->addWidget(edTimezoneStr, 2, 1);
    top->addWidget(bbtTimezone, 2, 2);

    // Hours: one row each for night, forenoon and afternoon; weekday and Sunday columns.
    auto* hours = new QGridLayout;
    hours->addWidget(lblWorkdays, 0, 1, 1, 3, Qt::AlignLeft);
    hours->addWidget(lblSundays, 0, 5, 1, 3, Qt::AlignLeft);
    QLabel* rowLabels[3] = {lblNightRegion, lblDayRegion1, lblDayRegion2};
    QLabel* oclock[3] = {lblOclock1, lblOclock2, lblOclock3};
    for (int row = 0; row < 3; ++row) {
        hours->addWidget(rowLabels[row], row + 1, 0);
        for (int day = 0; day < 2; ++day) {
            const int col = 1 + day * 4;
            hours->addWidget(HourEdit(day * 6 + row * 2), row + 1, col);
            hours->addWidget(new QLabel(QStringLiteral("-"), this), row + 1, col + 1, Qt::AlignCenter);
            hours->addWidget(HourEdit(day * 6 + row * 2 + 1), row + 1, col + 2);
        }
        hours->addWidget(oclock[row], row + 1, 9);
    }
    hours->setColumnMinimumWidth(4, 24);
    hours->setColumnStretch(10, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bbtLanguage);
    buttons->addStretch(1);
    buttons->addWidget(bbtOk);
    buttons->addWidget(bbtCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(10);
    layout->addWidget(lblEnterRegion);
    layout->addLayout(hours);
    layout->addSpacing(10);
    layout->addLayout(buttons);
    layout->addWidget(edTimezone);
    layout->addWidget(edDaylight);

    using platform::Guard;
    connect(bbtOk, &QPushButton::clicked, this, Guard([this] { bbtOkClick(); }));
    connect(bbtCancel, &QPushButton::clicked, this, [this] { done(2); });
    connect(bbtTimezone, &QPushButton::clicked, this, Guard([this] { bbtTimezoneClick(); }));
    connect(bbtLanguage, &QPushButton::clicked, this, Guard([this] { bbtLanguageClick(); }));
}

QLineEdit* TfrmStatEdit::HourEdit(int index) const
{
    QLineEdit* const edits[12] = {edWdNightLow, edWdNightHigh, edWdDay1Low, edWdDay1High,
                                  edWdDay2Low,  edWdDay2High,  edSdNightLow, edSdNightHigh,
                                  edSdDay1Low,  edSdDay1High,  edSdDay2Low,  edSdDay2High};
    return index >= 0 && index < 12 ? edits[index] : nullptr;
}

void TfrmStatEdit::edNumKeyPress(QChar& key)
{
    if (key == QChar(8) || (key >= QLatin1Char('0') && key <= QLatin1Char('9')))
        return;
    key = QChar();
}

void TfrmStatEdit::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    FormShow();
}

void TfrmStatEdit::FormShow()
{
    m_result = 2;
    // Typing starts in the first field, also after a showing that ended on a button.
    edRegNum->setFocus();
    edRegNum->selectAll();
}

// Every way of closing hands over the result that the buttons left.
void TfrmStatEdit::done(int) { QDialog::done(m_result); }

void TfrmStatEdit::bbtOkClick()
{
    using namespace platform;
    auto fail = [](const QString& message, QLineEdit* field) {
        MessageDlg(message, MsgDlgType::Error, mbOK);
        field->selectAll();
        field->setFocus();
    };
    // The fields take digits only; a text put there by other means is caught here.
    if (!isNumberField(edRegNum->text()))
        return fail(MsgInvalidStationNumber, edRegNum);
    if (!isNumberField(edStatNum->text()))
        return fail(MsgInvalidStationNumber, edStatNum);
    edAktName->setText(withoutControls(edAktName->text()));
    if (edAktName->text().isEmpty())
        return fail(MsgStationNameMissing, edAktName);
    if (edAktName->text().size() > MaxStationTextChars)
        return fail(MsgStationNameTooLong.arg(MaxStationTextChars), edAktName);
    // The older program reads an 8-bit settings file; it is not re-encoded for one name.
    if (const QString chars = unstorable(IniFile(platform::SettingsFilePath()), edAktName->text()); !chars.isEmpty())
        return fail(unstorableText(chars), edAktName);
    if (frmStation && !frmStation->IsUniqueRegionStation(edRegNum->text().toInt(), edStatNum->text().toInt()))
        return fail(MsgStationNotUnique, edStatNum);
    if (frmStation) {
        static const int focusByRule[9] = {-1, 2, 4, 3, 5, 8, 10, 9, 11};
        const int k = frmStation->CheckHourWindows();
        if (k >= 1 && k <= 8)
            return fail(MsgHourRangesOverlap, HourEdit(focusByRule[k]));
    }
    m_result = 1;
    done(1);
}

void TfrmStatEdit::bbtTimezoneClick()
{
    if (!frmTimezone)
        return;
    frmTimezone->ZoneBias = StrToInt(edTimezone->text());
    frmTimezone->Daylight = StrToInt(edDaylight->text()) != 0;
    if (frmTimezone->exec() != 1)
        return;
    const int z = frmTimezone->ZoneBias;
    const bool d = frmTimezone->Daylight;
    edTimezoneStr->setText(frmTimezone->ZoneText(z));
    edTimezone->setText(QString::number(z));
    edDaylight->setText(d ? QStringLiteral("1") : QStringLiteral("0"));
}

void TfrmStatEdit::bbtLanguageClick()
{
    if (!frmSelSprache)
        return;
    frmSelSprache->SetItemIndex(static_cast<int8_t>(CurrentStation.CurrentLanguage));
    if (frmSelSprache->exec() != 1)
        return;
    CurrentStation.CurrentLanguage = frmSelSprache->GetItemIndex();
    MainWindowState().LanguageChosen(CurrentStation.CurrentLanguage);
    update();
}
