#pragma once

#include <QImage>
#include <QMargins>
#include <QObject>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace e2e {

// Polls `condition` every few milliseconds until it holds or `timeoutMs` have passed, letting
// the event loop run in between; returns whether it held. Bounds are generous: they only cut
// short a test that has already failed, and so does a window manager that died.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 30000);

// A virtual X server of the test's own on a display it picks itself, with or without a window
// manager, and the program started on it as a person starts it. Everything started here ends
// with the session (or with the test process).
class XSession {
public:
    XSession(QSize screenSize, bool windowManager);
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // Empty while the server and window manager are up, otherwise why not.
    QString error() const { return error_; }
    QSize screenSize() const { return screenSize_; }
    // Switches the screen to a size no larger than the first, as a projector plugged in does.
    bool setScreenSize(QSize size);
    QProcessEnvironment environment() const { return environment_; }

    // Starts `program` in `folder` (its working directory); any earlier one is ended first.
    void startProgram(const QString& program, const QString& folder,
                      const QStringList& arguments = {});
    // Starts the program file "lumosa" of a disc folder, from inside that folder.
    void startShow(const QString& disc) { startProgram(disc + QStringLiteral("/lumosa"), disc); }
    QProcess& program() { return *program_; }
    bool running() const { return program_ && program_->state() != QProcess::NotRunning; }
    // Waits for the program to end by itself; its exit status, or -1 when it did not end.
    int waitForExit(int timeoutMs = 30000);
    void stopProgram();
    QString programErrors();

    // The whole screen, read from the server's frame buffer file.
    QImage screenshot() const;
    QColor centreColour() const;
    bool waitForCentre(const QColor& colour) const;
    // The pictures shown at the screen's centre, told apart by their colours (anything else is
    // passed over), until `count` changes were seen or the program ended; their indices.
    QList<int> watch(const QList<QColor>& colours, int count);

    // Visible windows whose title matches `titlePattern` (a regular expression).
    QStringList windows(const QString& titlePattern) const;
    // Waits for exactly one such window; its id, or empty.
    QString waitForWindow(const QString& titlePattern, int timeoutMs = 30000) const;
    bool waitForNoWindow(const QString& titlePattern, int timeoutMs = 30000) const;
    // The window's inside (without frame) on the screen, and the frame around it.
    QRect geometry(const QString& window) const;
    QMargins frameExtents(const QString& window) const;

    // Keys by their X names ("2", "Escape", "alt+F4"), to the window that has the focus.
    bool key(const QString& keys) const;
    // A left click at a point given inside the window (without frame).
    bool click(const QString& window, QPoint inside) const;
    // Brings the window to the front, with the focus.
    bool activate(const QString& window) const;
    // Escape on the show, then the control panel's window; empty when it did not come.
    QString openPanel() const;
    // The panel's Thumbnail button, then the sheet's window; empty when it did not come.
    QString openSheet() const;

    // After a failed check: saves the screen and prints what the program said.
    void report(const QString& name);

    // Runs a tool on the session's display; its output, or a null string when it failed.
    QString run(const QString& tool, const QStringList& arguments, int timeoutMs = 30000) const;

private:
    QProcess* launch(const QString& program, const QStringList& arguments,
                     const QString& folder = QString());

    QSize screenSize_;
    QString error_;
    QTemporaryDir work_;
    QProcessEnvironment environment_;
    std::unique_ptr<QProcess> server_;
    std::unique_ptr<QProcess> windowManager_;
    std::unique_ptr<QProcess> program_;
    QByteArray programErrors_;
};

// The base of a test class whose functions share one X session under a window manager: the
// program is ended after each function, and a failed one leaves its screen behind.
class SessionTest : public QObject {
    Q_OBJECT

public:
    explicit SessionTest(QSize screenSize) : screenSize_(screenSize) {}

protected:
    std::unique_ptr<XSession> x_;

private Q_SLOTS:
    void initTestCase();
    void cleanup();

private:
    QSize screenSize_;
};

// Puts the real program file into a disc folder (a link to the one just built).
bool installProgram(const QString& disc);

// The bounding box of the pixels of `image` near `colour` (within what lossy compression
// changes), or of the others.
QRect extentOf(const QImage& image, const QColor& colour, bool near = true);

}  // namespace e2e
