#include "platform/Screen.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/Twips.h"

namespace platform {

namespace {

QRect screenGeometry() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 640, 480);
}

}  // namespace

float Screen::Width() {
    return toTwips(screenGeometry().width());
}

float Screen::Height() {
    return toTwips(screenGeometry().height());
}

QPoint Screen::Origin() {
    return screenGeometry().topLeft();
}

void Screen::onResize(QObject* context, std::function<void()> handler) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QObject::connect(screen, &QScreen::geometryChanged, context,
                         [handler = std::move(handler)] { handler(); });
    }
}

}  // namespace platform
