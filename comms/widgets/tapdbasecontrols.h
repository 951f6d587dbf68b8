#pragma once
#include "comms/core/version.h"

#include <QScrollArea>
#include <QString>
#include <QWidget>

// Bases of the library's visual components: each has the published Version, which always reads
// "v4.06" and ignores writes. A window control, a window control that stands where an embedded
// (OLE) control would (there is no OLE here: it is a plain window control), a control drawn on
// its parent's area and a scrolling window control; GUI thread only.
template <class Base>
class TApdVersioned : public Base {
public:
    using Base::Base;
    QString Version() const { return QString::fromLatin1(ApdComponentVersion); }
    void SetVersion(const QString&) {}
};

// The published property of each base (moc expands it).
#define QWL_APD_PUBLISHED_VERSION \
    Q_OBJECT \
    Q_PROPERTY(QString Version READ Version WRITE SetVersion)

class TApdBaseWinControl : public TApdVersioned<QWidget> {
    QWL_APD_PUBLISHED_VERSION
    using TApdVersioned::TApdVersioned;
};

class TApdBaseOleControl : public TApdVersioned<QWidget> {
    QWL_APD_PUBLISHED_VERSION
    using TApdVersioned::TApdVersioned;
};

class TApdBaseGraphicControl : public TApdVersioned<QWidget> {
    QWL_APD_PUBLISHED_VERSION
    using TApdVersioned::TApdVersioned;
};

class TApdBaseScrollingWinControl : public TApdVersioned<QScrollArea> {
    QWL_APD_PUBLISHED_VERSION
    using TApdVersioned::TApdVersioned;
};
