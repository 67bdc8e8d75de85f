#include "platform/MsgBox.h"

#include <QMessageBox>

#include "platform/App.h"

namespace platform {

void MsgBox(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, App::Title(), text, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace platform
