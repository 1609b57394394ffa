#pragma once

#include "stores/Error.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace qlx {

// Little-endian appending of metafile fields into a byte string.
class ByteWriter {
public:
    void u8(uint8_t v) { m_bytes.push_back(static_cast<char>(v)); }
    void u16(uint16_t v) {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v >> 16));
    }
    void i16(int16_t v) { u16(static_cast<uint16_t>(v)); }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    void f32(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        u32(bits);
    }
    void raw(const void* data, size_t n) { m_bytes.append(static_cast<const char*>(data), n); }
    void zeros(size_t n) { m_bytes.append(n, '\0'); }
    void padTo4() {
        while (m_bytes.size() % 4 != 0)
            u8(0);
    }
    void patch32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            m_bytes[at + i] = static_cast<char>(v >> (8 * i));
    }
    size_t size() const { return m_bytes.size(); }
    std::string& bytes() { return m_bytes; }

private:
    std::string m_bytes;
};

// A bounds-checked little-endian view of one record (or a whole file). Every read outside the
// view throws, so a field can never be taken from beyond the record it belongs to.
class ByteView {
public:
    ByteView() = default;
    ByteView(const unsigned char* data, size_t size)
        : m_data(data)
        , m_size(size) {}

    size_t size() const { return m_size; }
    const unsigned char* data() const { return m_data; }

    bool fits(size_t offset, size_t length) const {
        return offset <= m_size && length <= m_size - offset;
    }
    void require(size_t offset, size_t length, const char* what) const {
        if (!fits(offset, length))
            throw Error(std::string("The metafile is damaged: ") + what +
                        " lies outside its record");
    }
    ByteView sub(size_t offset, size_t length, const char* what) const {
        require(offset, length, what);
        return ByteView(m_data + offset, length);
    }

    uint8_t u8(size_t at) const {
        require(at, 1, "a field");
        return m_data[at];
    }
    uint16_t u16(size_t at) const {
        require(at, 2, "a field");
        return static_cast<uint16_t>(m_data[at] | (m_data[at + 1] << 8));
    }
    uint32_t u32(size_t at) const {
        require(at, 4, "a field");
        return static_cast<uint32_t>(m_data[at]) | (static_cast<uint32_t>(m_data[at + 1]) << 8) |
               (static_cast<uint32_t>(m_data[at + 2]) << 16) |
               (static_cast<uint32_t>(m_data[at + 3]) << 24);
    }
    int16_t i16(size_t at) const { return static_cast<int16_t>(u16(at)); }
    int32_t i32(size_t at) const { return static_cast<int32_t>(u32(at)); }
    float f32(size_t at) const {
        uint32_t bits = u32(at);
        float v;
        std::memcpy(&v, &bits, 4);
        return v;
    }

private:
    const unsigned char* m_data = nullptr;
    size_t m_size = 0;
};

} // namespace qlx
