#pragma once

#include <functional>

#include "platform/Control.h"

class QScrollBar;

namespace platform {

// A vertical scroll bar. `onChange` runs after every change of Value; a dragged thumb changes
// Value once, when it is released.
class VScrollBar : public Control {
public:
    VScrollBar(QWidget* parent, std::function<void()> onChange);

    int Min() const;
    void setMin(int value);
    int Max() const;
    void setMax(int value);
    int Value() const;
    void setValue(int value);
    int SmallChange() const;
    void setSmallChange(int value);
    int LargeChange() const;
    void setLargeChange(int value);

    QScrollBar* bar() const { return bar_; }

private:
    QScrollBar* bar_;
};

}  // namespace platform
