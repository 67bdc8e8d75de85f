#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QPromise>
#include <QString>

#include <functional>
#include <memory>

namespace platform {

// Runs `job` on a thread of its own that nothing ever waits for: a read stuck on a failing
// medium holds that thread until the read returns or the process ends, never the window, a
// destructor or the program's end. The job must own everything it touches.
void startDetached(std::function<void()> job);

// `work` run by startDetached; `done` is called with its result in `context`'s thread, and not
// at all once `context` is gone.
template <class T>
void runDetached(QObject* context, std::function<T()> work, std::function<void(const T&)> done) {
    auto promise = std::make_shared<QPromise<T>>();
    auto* watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcher<T>::finished, context,
                     [watcher, done = std::move(done)] {
                         watcher->deleteLater();
                         if (watcher->future().resultCount() > 0) {
                             done(watcher->future().result());
                         }
                     });
    watcher->setFuture(promise->future());
    promise->start();
    startDetached([promise, work = std::move(work)] {
        promise->addResult(work());
        promise->finish();
    });
}

// While it lives, a thread stuck longer than `milliseconds` (on a medium that does not answer)
// ends the process with `message` on standard error and exit status 1: a bound for work that
// must be done before anything else can run.
class Deadline {
public:
    Deadline(int milliseconds, QString message);
    ~Deadline();
    Deadline(const Deadline&) = delete;
    Deadline& operator=(const Deadline&) = delete;

private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace platform
