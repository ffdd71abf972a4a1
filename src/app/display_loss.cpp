#include "app/display_loss.h"

#include <QtGlobal>

namespace {

QtMessageHandler g_previous = nullptr;
std::function<void(const QString&)> g_onLost;

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (g_onLost && isDisplayLossMessage(type == QtFatalMsg, message)) {
        // Once: whatever `onLost` itself logs goes the usual way.
        auto onLost = std::move(g_onLost);
        g_onLost = nullptr;
        onLost(message);
    }
    if (g_previous) g_previous(type, context, message);
}

}  // namespace

bool isDisplayLossMessage(bool fatal, const QString& message) {
    // qxcbconnection.cpp: "The X11 connection broke (error %d). Did the X11 server die?";
    // qguiapplication.cpp: "... no Qt platform plugin could be initialized ..." (fatal).
    return message.startsWith(QLatin1String("The X11 connection broke")) ||
           (fatal && message.contains(QLatin1String("platform plugin")));
}

void watchForDisplayLoss(std::function<void(const QString& message)> onLost) {
    g_onLost = std::move(onLost);
    g_previous = qInstallMessageHandler(handleMessage);
}
