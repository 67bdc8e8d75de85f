#pragma once

#include <QBitArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <deque>
#include <memory>

#include "platform/Picture.h"

namespace thumbs {

// Decodes a list of picture files at thumbnail size on worker threads, a few at a time, and
// tells of each as it comes: the sheet fills while its window answers. Decodes go in list order,
// except those asked for first (the rows in view). Nothing waits for a decode: one stuck on the
// medium keeps its thread, and after a while no longer counts among the workers, so that the
// others go on; it is left to end by itself, or with the process. Once the decoder is gone, the
// decodes under way are called off: each stops at its next read of the file or of its bytes.
class ThumbDecoder : public QObject {
    Q_OBJECT

public:
    ThumbDecoder(QStringList paths, QSize bound, int workers = defaultWorkers(),
                 QObject* parent = nullptr);
    ~ThumbDecoder() override;

    // A worker per core, at most four. Decodes under the size at which large ones take turns
    // (64 MB, their files included) run side by side, so each worker adds to the peak memory:
    // the cap keeps the sheet's peak the same on machines with many cores.
    static int defaultWorkers();

    int count() const { return static_cast<int>(paths_.size()); }
    // Decodes picture `index` before those not asked for, again if it was decoded before.
    void request(int index);

    // A decode that has run this long no longer holds a worker's place; at most this many may
    // be stuck so (on a medium that does not answer), so that threads stay bounded.
    static constexpr int kStuckMs = 2000;
    static constexpr int kMaxStuck = 8;

Q_SIGNALS:
    // Picture `index`: null, with the reason, when it could not be decoded.
    void decoded(int index, const platform::Picture& picture, const QString& why);

private:
    void startMore();

    const QStringList paths_;
    const QSize bound_;
    const int workers_;
    int nextInOrder_ = 0;
    QBitArray started_;      // decoded in list order already, or asked for first
    std::deque<int> asked_;  // asked for first, most recent first
    QList<QElapsedTimer> running_;
    QList<int> runningIndex_;
    QTimer stuckCheck_;
    // Set when the decoder goes (the sheet closed): the decodes under way stop early.
    std::shared_ptr<std::atomic<bool>> gone_ = std::make_shared<std::atomic<bool>>(false);
};

}  // namespace thumbs
