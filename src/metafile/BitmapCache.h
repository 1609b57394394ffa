#pragma once

#include <QImage>
#include <cstdint>
#include <list>
#include <mutex>
#include <unordered_map>

namespace qlx {

// Bitmaps decoded while metafiles are played, kept for the next playback of the same picture:
// decoding a label-sized bitmap costs far more than drawing it. One cache serves every picture
// of the process and holds at most kByteBudget bytes of pixels; beyond that the least recently
// used bitmaps go first. A bitmap larger than the whole budget is never kept. Each picture
// owns its entries by an owner number and drops them when it goes away.
class BitmapCache {
public:
    static constexpr qint64 kByteBudget = 64 * 1024 * 1024;

    static BitmapCache& instance();

    // A number for a new owner of entries; never 0.
    uint64_t newOwner();
    // The bitmap kept for (owner, key), or a null image.
    QImage find(uint64_t owner, uint64_t key);
    void insert(uint64_t owner, uint64_t key, const QImage& image);
    void dropOwner(uint64_t owner);

    qint64 bytes() const;
    size_t entries() const;

private:
    struct Key {
        uint64_t owner, key;
        bool operator==(const Key& o) const { return owner == o.owner && key == o.key; }
    };
    struct KeyHash {
        size_t operator()(const Key& k) const {
            return std::hash<uint64_t>()(k.owner * 0x9E3779B97F4A7C15ull ^ k.key);
        }
    };
    struct Entry {
        Key key;
        QImage image;
        qint64 bytes;
    };
    void trim(qint64 budget);

    mutable std::mutex m_lock;
    std::list<Entry> m_used; // most recently used first
    std::unordered_map<Key, std::list<Entry>::iterator, KeyHash> m_index;
    qint64 m_bytes = 0;
    uint64_t m_nextOwner = 1;
};

} // namespace qlx
