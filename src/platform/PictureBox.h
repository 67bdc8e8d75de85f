#pragma once

#include <QIcon>

#include "platform/Control.h"

namespace platform {

// A container that clips the controls inside it; it can show an icon at its top left.
class PictureBox : public Control {
public:
    explicit PictureBox(QWidget* parent);

    void setIcon(const QIcon& icon, int sizePixels);
    QWidget* container() const { return widget(); }
};

}  // namespace platform
