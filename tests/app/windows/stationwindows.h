#pragma once
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

#include "data/stationsettings.h"
#include "app/setlanguage.h"
#include "data/runtimetexts.h"
#include "app/texts/tfrmselsprache.h"
#include "app/windows/tfrmstatedit.h"
#include "app/windows/tfrmstation.h"
#include "app/windows/tfrmtimezone.h"
#include "platform/gui/dialogs.h"

// The station list, its editor and the time-zone and language windows as the program has
// them, behind their global pointers, with texts in one language and dialogs scripted.
class StationWindows {
public:
    explicit StationWindows(int language = 0)
        : oldTz(frmTimezone), oldSt(frmStation), oldEd(frmStatEdit), oldSp(frmSelSprache),
          oldStation(CurrentStation)
    {
        frmTimezone = tz.get();
        frmStation = st.get();
        frmStatEdit = ed.get();
        frmSelSprache = sp.get();
        CurrentStation.CurrentLanguage = uint8_t(language);
        SetLanguage(language);
        platform::DialogScript::begin();
    }
    ~StationWindows()
    {
        platform::DialogScript::end();
        frmTimezone = oldTz;
        frmStation = oldSt;
        frmStatEdit = oldEd;
        frmSelSprache = oldSp;
        CurrentStation = oldStation;
    }

    std::unique_ptr<TfrmTimezone> tz = std::make_unique<TfrmTimezone>();
    std::unique_ptr<TfrmStation> st = std::make_unique<TfrmStation>();
    std::unique_ptr<TfrmStatEdit> ed = std::make_unique<TfrmStatEdit>();
    std::unique_ptr<TfrmSelSprache> sp = std::make_unique<TfrmSelSprache>();

private:
    TfrmTimezone* oldTz;
    TfrmStation* oldSt;
    TfrmStatEdit* oldEd;
    TfrmSelSprache* oldSp;
    TStationSettings oldStation;
};

// Runs action as soon as the dialog is shown (checked every 10 ms for at most 5 s). Should the
// dialog still be open 5 s after that, it is cancelled so that a failing test cannot hang; a
// later showing of the same dialog, for the test's next step, is left alone.
inline void whenShown(QWidget* dialog, std::function<void()> action)
{
    auto* poll = new QTimer(dialog);
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, dialog, [=] {
        if (!dialog->isVisible()) {
            if (++*tries > 500)
                poll->deleteLater();
            return;
        }
        poll->stop();
        poll->deleteLater();
        auto* d = qobject_cast<QDialog*>(dialog);
        auto* showing = new QObject(dialog);  // gone when this showing ends
        if (d)
            QObject::connect(d, &QDialog::finished, showing, &QObject::deleteLater);
        action();
        QTimer::singleShot(5000, showing, [d] {
            if (d && d->isVisible())
                d->done(2);
        });
    });
    poll->start(10);
}
