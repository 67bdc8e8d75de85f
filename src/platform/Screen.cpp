#include "platform/Screen.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/Twips.h"

namespace platform {

namespace {

QSize screenSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(640, 480);
}

}  // namespace

float Screen::Width() {
    return toTwips(screenSize().width());
}

float Screen::Height() {
    return toTwips(screenSize().height());
}

void Screen::onResize(QObject* context, std::function<void()> handler) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QObject::connect(screen, &QScreen::geometryChanged, context,
                         [handler = std::move(handler)] { handler(); });
    }
}

}  // namespace platform
