#include "platform/gui/x11probe.h"

#include <QGuiApplication>
#include <QList>
#include <xcb/xcb.h>

namespace platform {

namespace {
xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(r);
    return a;
}

QString property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop, xcb_atom_t type)
{
    if (prop == XCB_ATOM_NONE)
        return {};
    xcb_get_property_reply_t* r = xcb_get_property_reply(c, xcb_get_property(c, 0, w, prop, type, 0, 1024), nullptr);
    QString s;
    if (r && r->format == 8) {
        const int len = xcb_get_property_value_length(r);
        const char* v = static_cast<const char*>(xcb_get_property_value(r));
        s = type == XCB_ATOM_STRING ? QString::fromLatin1(v, len) : QString::fromUtf8(v, len);
    }
    free(r);
    return s;
}

QList<xcb_window_t> children(xcb_connection_t* c, xcb_window_t w)
{
    QList<xcb_window_t> out;
    xcb_query_tree_reply_t* r = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr);
    if (r) {
        const xcb_window_t* ch = xcb_query_tree_children(r);
        for (int i = 0; i < xcb_query_tree_children_length(r); ++i)
            out.append(ch[i]);
    }
    free(r);
    return out;
}

bool search(xcb_connection_t* c, const QString& title)
{
    if (!c || xcb_connection_has_error(c))
        return false;
    const xcb_atom_t netName = atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(c, "UTF8_STRING");
    auto titled = [&](xcb_window_t w) {
        const QString n = property(c, w, netName, utf8);
        return n == title || (n.isEmpty() && property(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING) == title);
    };
    for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it)) {
        // Top-level windows are the root's children; under a reparenting window manager the
        // titled client window sits one level below its frame.
        for (xcb_window_t top : children(c, it.data->root)) {
            if (titled(top))
                return true;
            for (xcb_window_t inner : children(c, top))
                if (titled(inner))
                    return true;
        }
    }
    return false;
}
}  // namespace

bool TopLevelWindowTitledOnDisplay(const QByteArray& display, const QString& title)
{
    xcb_connection_t* c = xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr);
    const bool found = search(c, title);
    if (c)
        xcb_disconnect(c);
    return found;
}

bool TopLevelWindowTitled(const QString& title)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return false;
    return TopLevelWindowTitledOnDisplay(QByteArray(), title);
}

}  // namespace platform
