#pragma once

#include <QIcon>

#include "platform/Control.h"

namespace platform {

// A container that clips the controls inside it; it can show an icon at its top left.
class PictureBox : public Control {
public:
    enum Pointer { Default = 0, Hourglass = 11 };

    explicit PictureBox(QWidget* parent);

    void setIcon(const QIcon& icon, int sizePixels);
    // The parent to give the controls placed inside the box.
    QWidget* container() const { return widget(); }
    // The pointer over the box (not over controls that have their own).
    int MousePointer() const { return mousePointer_; }
    void setMousePointer(int pointer);

private:
    int mousePointer_ = Default;
};

}  // namespace platform
