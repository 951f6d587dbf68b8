#include "app/graphevents.h"

#include <QAction>
#include <QChildEvent>
#include <QCheckBox>
#include <QDateEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimeEdit>
#include <QToolButton>

#include "app/graph/graphgeometry.h"
#include "app/mainformhvtk.h"
#include "platform/gui/exceptionguard.h"

using platform::Guard;
using platform::Guarded;

TGraphEvents::TGraphEvents(TMainFormHvtk* form) : QObject(form), m_form(form)
{
    m_form->imgGraph->setMouseTracking(true);
    m_form->imgGraph->installEventFilter(this);
    // Also sees the drop-down calendar's window arrive, which the picker makes when first
    // opened: made here, it would cost the start its building and icons.
    m_form->DatePicker->installEventFilter(this);
    m_form->installEventFilter(this);
    Connect();
}

void TGraphEvents::Connect()
{
    TMainFormHvtk* f = m_form;
    connect(f->ScrollBar, &QScrollBar::valueChanged, f, Guard([f] { f->ScrollBarChange(); }));
    // Qt's page step is also the thumb's size: a click in the trough moves by the large change.
    connect(f->ScrollBar, &QScrollBar::actionTriggered, f, [f](int action) {
        if (action == QAbstractSlider::SliderPageStepAdd || action == QAbstractSlider::SliderPageStepSub)
            f->ScrollBar->setSliderPosition(f->ScrollBar->value() +
                                            (action == QAbstractSlider::SliderPageStepAdd ? 1 : -1) * graph::ScrollLargeChange);
    });
    connect(f->cbxAverage, &QCheckBox::clicked, f, Guard([f] { f->cbxAverageClick(); }));
    // Also when the box is set from code (settings, the numeric view's own close button).
    connect(f->cbxNumView, &QCheckBox::toggled, f, Guard([f] { f->cbxNumViewClick(); }));
    connect(f->spbZoomAus, &QToolButton::clicked, f, Guard([f] { f->spbZoomAusClick(); }));
    connect(f->spbZoomHrZurck, &QToolButton::clicked, f, Guard([f] { f->spbZoomHrZurckClick(); }));
    connect(f->spbZoomHrVor, &QToolButton::clicked, f, Guard([f] { f->spbZoomHrVorClick(); }));
    connect(f->spbZoomMinZurck, &QToolButton::clicked, f, Guard([f] { f->spbZoomMinZurckClick(); }));
    connect(f->spbZoomMinVor, &QToolButton::clicked, f, Guard([f] { f->spbZoomMinVorClick(); }));
    connect(f->spbDatumZurck, &QToolButton::clicked, f, Guard([f] { f->spbDatumZurckClick(); }));
    connect(f->spbDatumVor, &QToolButton::clicked, f, Guard([f] { f->spbDatumVorClick(); }));
    // Code-side changes of the time picker are made under a signal blocker.
    connect(f->TimePicker, &QTimeEdit::timeChanged, f, Guard([f] { f->TimePickerChange(); }));
    connect(f->DatePicker, &QDateEdit::dateChanged, f, Guard([f] { f->DatePickerChange(); }));
    connect(f->mnuDrucken, &QAction::triggered, f, Guard([f] { f->mnuDruckenClick(); }));
}

bool TGraphEvents::eventFilter(QObject* watched, QEvent* event)
{
    TMainFormHvtk* f = m_form;
    if (watched == f->imgGraph) {
        switch (event->type()) {
        case QEvent::Paint: {
            QPainter painter(f->imgGraph);
            painter.drawImage(0, 0, f->GraphImage);
            return true;
        }
        case QEvent::MouseMove: {
            const auto* e = static_cast<QMouseEvent*>(event);
            const QPoint p = e->position().toPoint();
            Guarded([&] { f->ImageMouseMove(e->modifiers(), p.x(), p.y()); });
            return true;
        }
        // The second press of a double-click comes as a double-click: it is a press all the same.
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto* e = static_cast<QMouseEvent*>(event);
            const QPoint p = e->position().toPoint();
            Guarded([&] { f->ImageMouseDown(e->button(), e->modifiers(), p.x(), p.y()); });
            return true;
        }
        default:
            return false;
        }
    }
    if (watched == f->DatePicker) {
        if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished) {
            // The calendar's window: its closing takes the picked date.
            QObject* child = static_cast<QChildEvent*>(event)->child();
            if (!m_calendarPopup && child->isWidgetType() && static_cast<QWidget*>(child)->isWindow()) {
                m_calendarPopup = child;
                child->installEventFilter(this);
            }
            return false;
        }
        // The date is chosen in the drop-down calendar only.
        const bool focusKey = event->type() == QEvent::KeyPress &&
                              (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Tab ||
                               static_cast<QKeyEvent*>(event)->key() == Qt::Key_Backtab);
        if (!focusKey && (event->type() == QEvent::KeyPress || event->type() == QEvent::Wheel)) {
            Guarded([f] { f->DatePickerKeyPress(); });
            return true;
        }
        return false;
    }
    if (watched == m_calendarPopup) {
        if (event->type() == QEvent::Hide)
            Guarded([f] { f->DatePickerCloseUp(); });
        return false;
    }
    if (watched == f) {
        if (event->type() == QEvent::Resize)
            Guarded([f] { f->FormResize(); });
        else if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate)
            f->Invalidate();
    }
    return false;
}
