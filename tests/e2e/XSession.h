#pragma once

#include <QImage>
#include <QObject>
#include <QProcess>
#include <QRect>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace e2e {

// Polls `condition` with the event loop running until it holds; generous bounds only cut short
// a failed test. Fails at once once the window manager died.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = 30000);

// A virtual X server of the test's own, with or without a window manager, and the program started
// on it as a person starts it; everything started here ends with the session or the test process.
class XSession {
public:
    XSession(QSize screenSize, bool windowManager);
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    QString error() const { return error_; }  // empty while the server and manager are up
    bool setScreenSize(QSize size);           // no larger than the first, as a projector does
    QProcessEnvironment environment() const { return environment_; }

    // Starts `program` in `folder`, ending any earlier one; startShow runs the program just built
    // as a disc's "lumosa", false when it cannot be put there.
    void startProgram(const QString& program, const QString& folder,
                      const QStringList& arguments = {});
    bool startShow(const QString& disc);
    QProcess& program() { return *program_; }
    bool running() const { return program_ && program_->state() != QProcess::NotRunning; }
    int waitForExit();  // the exit status, or -1 when it did not end by itself
    void stopProgram();
    QString programErrors() {  // what it wrote to stderr since the last call
        return program_ ? QString::fromLocal8Bit(program_->readAllStandardError()) : QString();
    }

    QImage screenshot() const;  // read from the server's frame buffer file
    // The indices of the `colours` seen at the screen's centre in turn, until `count` changes
    // were seen or the program ended.
    QList<int> watch(const QList<QColor>& colours, int count) const;

    QStringList windows(const QString& titlePattern) const;    // visible ones, by a regex
    QString waitForWindow(const QString& titlePattern) const;  // exactly one; its id or empty
    bool waitForNoWindow(const QString& pattern) const {
        return waitFor([&] { return windows(pattern).isEmpty(); });
    }
    QRect geometry(const QString& window) const;  // the inside, without the frame
    QRect outer(const QString& window) const;     // with the window manager's frame

    bool key(const QString& keys) const;  // X names, to the focused window: "6", "alt+F4"
    bool click(const QString& window, QPoint inside) const;
    bool activate(const QString& window) const;
    QString openPanel() const;  // by Escape; the panel's id or empty
    QString openSheet() const;  // by the panel's Thumbnail key; the sheet's id or empty

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
};

// Test functions sharing one session under a window manager: the program ends after each, and a
// failed one leaves its screen behind.
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

bool installProgram(const QString& disc);  // links the program just built into a disc folder

// The bounding box of the pixels of `image` near `colour` (or, with near false, of the others).
QRect extentOf(const QImage& image, const QColor& colour, bool near = true);

}  // namespace e2e
