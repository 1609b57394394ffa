#include "metafile/BitmapCache.h"

namespace qlx {

BitmapCache& BitmapCache::instance() {
    static BitmapCache cache;
    return cache;
}

uint64_t BitmapCache::newOwner() {
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_nextOwner++;
}

QImage BitmapCache::find(uint64_t owner, uint64_t key) {
    const std::lock_guard<std::mutex> hold(m_lock);
    const auto found = m_index.find(Key{owner, key});
    if (found == m_index.end())
        return QImage();
    m_used.splice(m_used.begin(), m_used, found->second);
    return found->second->image;
}

void BitmapCache::insert(uint64_t owner, uint64_t key, const QImage& image) {
    const qint64 size = image.sizeInBytes();
    if (image.isNull() || size > kByteBudget)
        return;
    const std::lock_guard<std::mutex> hold(m_lock);
    const Key k{owner, key};
    const auto found = m_index.find(k);
    if (found != m_index.end()) {
        m_bytes -= found->second->bytes;
        m_used.erase(found->second);
        m_index.erase(found);
    }
    trim(kByteBudget - size);
    m_used.push_front(Entry{k, image, size});
    m_index.emplace(k, m_used.begin());
    m_bytes += size;
}

void BitmapCache::trim(qint64 budget) {
    while (m_bytes > budget && !m_used.empty()) {
        m_bytes -= m_used.back().bytes;
        m_index.erase(m_used.back().key);
        m_used.pop_back();
    }
}

void BitmapCache::dropOwner(uint64_t owner) {
    const std::lock_guard<std::mutex> hold(m_lock);
    for (auto it = m_used.begin(); it != m_used.end();) {
        if (it->key.owner == owner) {
            m_bytes -= it->bytes;
            m_index.erase(it->key);
            it = m_used.erase(it);
        } else {
            ++it;
        }
    }
}

qint64 BitmapCache::bytes() const {
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_bytes;
}

size_t BitmapCache::entries() const {
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_used.size();
}

} // namespace qlx
