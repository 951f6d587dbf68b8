#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

class QAbstractButton;

// A button that changes its meaning once pressed (Continue becomes Finish) must not take the
// rest of that press for its new meaning: after MeaningChanged(), a mouse press on it within
// the system's double-click interval, an Enter press (Space on the focused button) within it
// or held down (auto-repeat) are dropped. A later, deliberate press acts as usual. GUI thread only.
class PressGate : public QObject {
public:
    explicit PressGate(QAbstractButton* button);
    ~PressGate() override;

    void MeaningChanged();
    // The button has its first meaning again: every press counts.
    void Reset();

protected:
    bool eventFilter(QObject* receiver, QEvent* e) override;

private:
    bool Armed() const { return m_changed.isValid(); }
    bool WithinInterval() const;

    QPointer<QAbstractButton> m_button;
    QElapsedTimer m_changed;
};
