#include "platform/Keys.h"

#include <QKeyEvent>

namespace platform {

namespace {

int keypadDigit(int key) {
    switch (key) {
        case Qt::Key_Insert:
            return '0';
        case Qt::Key_End:
            return '1';
        case Qt::Key_Down:
            return '2';
        case Qt::Key_PageDown:
            return '3';
        case Qt::Key_Left:
            return '4';
        case Qt::Key_Clear:
            return '5';
        case Qt::Key_Right:
            return '6';
        case Qt::Key_Home:
            return '7';
        case Qt::Key_Up:
            return '8';
        case Qt::Key_PageUp:
            return '9';
        default:
            return 0;
    }
}

}  // namespace

int keyAsciiOf(const QKeyEvent& event) {
    if (event.modifiers().testFlag(Qt::KeypadModifier)) {
        if (int digit = keypadDigit(event.key())) {
            return digit;
        }
    }
    if (event.key() == Qt::Key_Escape) {
        return 27;
    }
    const QString text = event.text();
    if (text.size() == 1) {
        return text.at(0).unicode();
    }
    return 0;
}

}  // namespace platform
