#pragma once

#include <QDateTime>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

#include "show/ShowReader.h"

namespace show {

// A place in the show: a folder of the show's folder list, a picture of that folder's picture
// list (-1: none selected).
struct Position {
    int folder = -1;
    int picture = -1;
    bool operator==(const Position& other) const = default;
};

// The show's order, without a window: where each move leads from a position, across folders
// and round the loop, and the listing of a folder once per visit.
class ShowOrder {
public:
    // The pictures of a folder, in listing order.
    using Lister = std::function<QStringList(const QString& folder)>;

    // What a move gives: the new position, and whether it enters another folder (which is then
    // opened: its pictures listed, its descriptions read).
    struct Step {
        Position to;
        bool entersFolder = false;
    };

    explicit ShowOrder(Lister lister) : lister_(std::move(lister)) {}

    // `where` is "First", "Prev", "Next", "Last" (letter case counts) or a picture index;
    // `folders` is the number of the show's folders, `pictures` the number in the current one.
    // Only "Next" leaves the folder, past its last picture, and only with more than one
    // folder: to the following one, after the last to the first, at its first picture. "Prev"
    // wraps inside the folder. An index out of range, or another word, stays where it is.
    static Step step(Position from, int folders, int pictures, const QVariant& where);

    // Both may be called from any thread, one at a time.
    // The pictures of `folder` for a visit that enters it now. A listing made by a look ahead
    // (peek) serves while the folder is unchanged since, so that it is listed once per visit;
    // a folder changed within seconds of that listing is listed again.
    QStringList enter(const QString& folder);
    // The pictures of `folder`, listed for a look ahead and kept for the visit that follows.
    QStringList peek(const QString& folder);

private:
    // Whether the listing of the last peek still holds for `folder`.
    bool peekHolds(const QString& folder) const;

    Lister lister_;
    QMutex mutex_;
    QString peekedFolder_;
    FileStamp peekedStamp_;
    QDateTime peekedAt_;
    QStringList peeked_;
};

}  // namespace show
