#pragma once
#include <QObject>

class TMainFormHvtk;

// Routes the graph's Qt events to the main window's handlers: painting and the
// pointer on the image, the window's size and first showing, the date picker's
// keys, and the signals of the zoom, navigation and view controls.
class TGraphEvents : public QObject {
    Q_OBJECT
public:
    explicit TGraphEvents(TMainFormHvtk* form);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Connect();
    TMainFormHvtk* m_form;
    QObject* m_calendarPopup = nullptr;
};
