#include "about/frmAbout.h"

#include "platform/App.h"
#include "show/Slideshow.h"

using platform::App;
using platform::Forms;

namespace {

void placeLabel(platform::Label& label, float left, float top, float width, float height) {
    label.Move(left, top, width, height);
    label.setColors(Qt::black, QColor(0, 0, 0, 0));
    label.setWordWrap(true);
}

}  // namespace

frmAbout::frmAbout() {
    // A fixed dialog frame: no minimize or maximize button, not resizable.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowIcon(platform::App::Icon());

    picIcon.Move(240, 120, 540, 540);
    picIcon.setIcon(platform::App::Icon(), 32);
    placeLabel(lblTitle, 1050, 120, 4095, 240);
    placeLabel(lblVersion, 1050, 480, 1335, 225);
    placeLabel(lblDescription, 1080, 840, 4095, 690);
    placeLabel(lblInfo, 240, 1665, 4335, 2265);
    QFont bold = lblTitle.widget()->font();
    bold.setBold(true);
    lblTitle.setFont(bold);
    cmdOK.Move(4800, 1920, 870, 345);
    cmdOK.setToolTipText(QStringLiteral("Close About Window"));
    cmdOK.setDefault(true);
    cmdOK.setCancel(true);
    cbExit.Move(4800, 3000, 855, 375);
    cbExit.setToolTipText(QStringLiteral("Exit Lumosa"));
    setTabOrder(cmdOK.widget(), cbExit.widget());

    setClientSize(5865, 3990);
    setFixedSize(size());
    centreOnScreen();
}

QString frmAbout::keypadHelp() {
    const QStringList lines{
        QStringLiteral("Numeric keypad control options."),
        QStringLiteral(
            "The keys below can be used instead of using the panel to control the show. "),
        QString(),
        QString(26, QLatin1Char(' ')) + QStringLiteral("8 = Last Image"),
        QString(),
        QStringLiteral(" 4 = Previous     5 = Start/Stop     6 = Next "),
        QString(),
        QString(26, QLatin1Char(' ')) + QStringLiteral("2 = First Image"),
        QString(),
        QStringLiteral("    + = Speed up display   - = Slow down display"),
    };
    return lines.join(QStringLiteral("\r\n"));
}

void frmAbout::Form_Load() {
    SavedTimerEnabled = show::Slideshow::current()->pauseShow();
    setCaption(QStringLiteral("About ") + App::Title());
    lblTitle.setCaption(App::Title());
    lblVersion.setCaption(
        QStringLiteral("Version %1.%2.%3").arg(App::Major).arg(App::Minor).arg(App::Revision));
    lblDescription.setCaption(App::Comments());
    lblInfo.setCaption(keypadHelp());
    lblDescription.shrinkFontToFit();
    lblInfo.shrinkFontToFit();
}

void frmAbout::cmdOK_Click() {
    show::Slideshow::current()->resumeShow(SavedTimerEnabled);
    Forms::Unload(*this);
}

void frmAbout::cbExit_Click() {
    platform::End();
}
