#pragma once

#include <functional>

#include "platform/Control.h"

class QPushButton;

namespace platform {

// A push button; "&" in the caption marks the access key (Alt and the letter click it).
class CommandButton : public Control {
public:
    static constexpr const char* kDefaultProperty = "lumosaDefault";
    static constexpr const char* kCancelProperty = "lumosaCancel";

    CommandButton(QWidget* parent, const QString& caption, std::function<void()> onClick);

    QString Caption() const;
    // Enter presses the default button, Escape the cancel button.
    void setDefault(bool isDefault);
    void setCancel(bool isCancel);
    bool Cancel() const { return cancel_; }
    void click();

    QPushButton* button() const { return button_; }

private:
    QPushButton* button_;
    bool cancel_ = false;
};

}  // namespace platform
