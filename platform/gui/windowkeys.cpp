#include "platform/gui/windowkeys.h"

#include <QKeyEvent>

namespace platform {

bool IsWindowKey(const QKeyEvent* key)
{
    switch (key->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_F4:  // a picker's drop-down
        return true;
    default:
        return key->modifiers().testFlag(Qt::AltModifier);
    }
}

}  // namespace platform
