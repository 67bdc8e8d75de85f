#include <QApplication>
#include <QIcon>

#include "platform/App.h"
#include "platform/Form.h"
#include "show/MainForm.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(platform::App::Title());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/lumosa.ico")));
    // The show window is the start-up window: its Form_Load decides what happens next.
    if (!platform::Forms::start<MainForm>()) {
        return 0;
    }
    return QApplication::exec();
}
