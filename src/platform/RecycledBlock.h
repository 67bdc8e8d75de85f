#pragma once

#include <QImage>
#include <QSize>
#include <QtGlobal>

#include <mutex>
#include <vector>

namespace platform {

// Large blocks of memory for pictures being read or decoded, handed back when done with and
// given again to the next picture that fits. Memory fresh from the system comes a page at a
// time, each cleared as it is first touched: for a camera photo that costs a seventh of its
// decode, paid again for every photo. A few blocks are kept (together at most kKeptBytes), the
// others go back to the system, so that memory stays level; a block asked for that is larger
// than kKeptBytes takes the place of all those kept. Safe to use from several threads.
class BlockPool {
public:
    BlockPool() = default;
    ~BlockPool();
    BlockPool(const BlockPool&) = delete;
    BlockPool& operator=(const BlockPool&) = delete;

    // The program's, never destroyed: an image may hand its block back after statics are gone.
    static BlockPool& shared();

    // An image of `size` and `format` whose pixels lie in a block of this pool, handed back once
    // the image's last copy ends; null when the memory cannot be had.
    QImage image(QSize size, QImage::Format format);

    // Blocks below this size come from the C library's allocator, which reuses them by itself.
    static constexpr qsizetype kSmallest = 1024 * 1024;
    static constexpr qsizetype kKeptBytes = 64LL * 1024 * 1024;
    static constexpr int kKeptBlocks = 4;
    // The bytes of the blocks kept for reuse.
    qsizetype keptBytes() const;

private:
    friend class RecycledBlock;
    struct Block {
        char* data = nullptr;
        qsizetype capacity = 0;
    };
    Block take(qsizetype bytes);
    void handBack(Block block);

    mutable std::mutex mutex_;
    std::vector<Block> kept_;  // the one handed back last at the end
    qsizetype keptBytes_ = 0;
};

// A block of at least `bytes` from a pool, handed back when it ends; data() is null for none
// (0 bytes, or no memory to be had).
class RecycledBlock {
public:
    explicit RecycledBlock(qsizetype bytes, BlockPool& pool = BlockPool::shared());
    ~RecycledBlock();
    RecycledBlock(const RecycledBlock&) = delete;
    RecycledBlock& operator=(const RecycledBlock&) = delete;

    char* data() const { return block_.data; }

private:
    BlockPool& pool_;
    BlockPool::Block block_;
};

}  // namespace platform
