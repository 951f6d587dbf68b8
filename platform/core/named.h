#pragma once
#include <QLatin1String>
#include <QObject>

namespace platform {

// Gives a control made in code the name it carries in the rest of the program (tests and the
// key tables find it by that name), as a designed form's components have theirs.
template <class W>
W* Named(W* w, const char* name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

}  // namespace platform
