#include "platform/CommandButton.h"

#include <QPushButton>

namespace platform {

CommandButton::CommandButton(QWidget* parent, const QString& caption, std::function<void()> onClick)
    : Control(new QPushButton(caption, parent)), button_(static_cast<QPushButton*>(widget())) {
    QObject::connect(button_, &QPushButton::clicked, button_,
                     [onClick = std::move(onClick)] { onClick(); });
}

QString CommandButton::Caption() const {
    return button_->text();
}

void CommandButton::setToolTipText(const QString& text) {
    button_->setToolTip(text);
}

void CommandButton::setDefault(bool isDefault) {
    button_->setDefault(isDefault);
    button_->setAutoDefault(isDefault);
    button_->setProperty(kDefaultProperty, isDefault);
}

void CommandButton::setCancel(bool isCancel) {
    cancel_ = isCancel;
    // The window looks for it when Escape is typed (see Form).
    button_->setProperty(kCancelProperty, isCancel);
}

void CommandButton::click() {
    button_->click();
}

}  // namespace platform
