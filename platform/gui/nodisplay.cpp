#include "platform/gui/nodisplay.h"

#include <QList>
#include <cstdio>
#include <cstdlib>
#include <tuple>
#include <utility>

namespace platform {

namespace {

struct HeldBack {
    QtMessageHandler previous = nullptr;
    QString line;
    std::function<void()> cleanUp;
    QList<std::tuple<QtMsgType, QByteArray, QString>> messages;  // type, category, text
};
HeldBack* g_heldBack = nullptr;

void HoldBack(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        // The platform plugin found no display: Qt would abort now.
        std::fprintf(stderr, "%s\n", qPrintable(g_heldBack->line));
        std::fflush(stderr);
        if (g_heldBack->cleanUp)
            g_heldBack->cleanUp();
        std::_Exit(1);
    }
    g_heldBack->messages.append({type, QByteArray(context.category ? context.category : "default"), text});
}

}  // namespace

NoDisplayExit::NoDisplayExit(QString line, std::function<void()> cleanUp)
{
    g_heldBack = new HeldBack{nullptr, std::move(line), std::move(cleanUp), {}};
    g_heldBack->previous = qInstallMessageHandler(HoldBack);
}

NoDisplayExit::~NoDisplayExit()
{
    qInstallMessageHandler(g_heldBack->previous);
    HeldBack* held = std::exchange(g_heldBack, nullptr);
    for (const auto& [type, category, text] : held->messages)
        qt_message_output(type, QMessageLogContext(nullptr, 0, nullptr, category.constData()), text);
    delete held;
}

}  // namespace platform
