#pragma once
#include "comms/version.h"

#include <QObject>
#include <QString>

// Base of the library's non-visual components: the published Version, which always reads
// "v4.06" and ignores writes, and the loading state during which CheckException returns codes
// instead of raising. Belongs to the thread that created it.
class TApdBaseComponent : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Version READ Version WRITE SetVersion)
public:
    explicit TApdBaseComponent(QObject* Owner = nullptr) : QObject(Owner) {}

    QString Version() const { return QString::fromLatin1(ApdComponentVersion); }
    void SetVersion(const QString&) {}

    // Set while the component's stored properties are being applied.
    bool IsLoading() const { return loading_; }
    void SetLoading(bool On) { loading_ = On; }

private:
    bool loading_ = false;
};
