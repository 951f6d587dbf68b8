#pragma once
#include "comms/core/version.h"

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

    enum TOperation { opInsert, opRemove };
    // A component entered or left this component's owner (its Qt parent).
    virtual void Notification(QObject* AComponent, TOperation Operation)
    {
        Q_UNUSED(AComponent);
        Q_UNUSED(Operation);
    }
    // Tells the other components of AComponent's owner that it entered or left it. A component
    // calls it at the end of its constructor, when its owner's insertion notice (sent while
    // the object is still being built) could not yet tell what it is.
    static void NotifyOwnerComponents(QObject* AComponent, TOperation Operation)
    {
        QObject* owner = AComponent ? AComponent->parent() : nullptr;
        if (!owner)
            return;
        const QObjectList siblings = owner->children();
        for (QObject* c : siblings)
            if (auto* b = qobject_cast<TApdBaseComponent*>(c); b && c != AComponent)
                b->Notification(AComponent, Operation);
    }

    // Set while the component's stored properties are being applied.
    bool IsLoading() const { return loading_; }
    void SetLoading(bool On) { loading_ = On; }

private:
    bool loading_ = false;
};
