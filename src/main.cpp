#include <QApplication>
#include <QLoggingCategory>

#include <cstdio>
#include <cstdlib>

#include "platform/App.h"
#include "platform/Form.h"
#include "platform/Picture.h"
#include "show/MainForm.h"

namespace {

QtMessageHandler qtHandler = nullptr;
bool displayRefused = false;

// While the application object starts: without a display Qt says so in three messages and then
// aborts, advising a reinstall. Say it in one line instead, and end with status 1.
void startupMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    const QLatin1StringView category(context.category ? context.category : "");
    if (category == QLatin1StringView("qt.qpa.xcb") &&
        message.startsWith(QLatin1StringView("could not connect to display"))) {
        displayRefused = true;
        return;
    }
    if (displayRefused && (type == QtFatalMsg || category == QLatin1StringView("qt.qpa.plugin"))) {
        if (type == QtFatalMsg) {
            const QByteArray display = qgetenv("DISPLAY");
            std::fprintf(stderr, "lumosa: cannot open the display %s\n",
                         display.isEmpty() ? "(DISPLAY is not set)" : display.constData());
            std::_Exit(1);
        }
        return;
    }
    qtHandler(type, context, message);
}

// Once running: a decode ended early, its picture passed over by the user, makes the decoder
// complain of the data it lacks; that is no news.
void runningMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && platform::decodeAbortedOnThisThread()) {
        return;
    }
    qtHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
    platform::settleAllocator();
    qtHandler = qInstallMessageHandler(startupMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(runningMessages);
    QApplication::setApplicationName(platform::App::Title());
    QApplication::setWindowIcon(platform::App::Icon());
    // A damaged colour profile leaves its picture in the colours stored. Qt's warning about it
    // names no file and would come again each time round the show, from every decode of the
    // picture; QT_LOGGING_RULES=qt.gui.icc=true still brings it back.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.icc.warning=false"));
    // The show window is the start-up window: its Form_Load decides what happens next.
    if (!platform::Forms::start<MainForm>()) {
        return 0;
    }
    return QApplication::exec();
}
