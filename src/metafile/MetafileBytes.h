#pragma once

#include "stores/Error.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace qlx {

// Little-endian appending of metafile fields into a byte string.
class ByteWriter {
public:
    void u8(uint8_t v) { bytes_.push_back(static_cast<char>(v)); }
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
    void raw(const void* data, size_t n) { bytes_.append(static_cast<const char*>(data), n); }
    void zeros(size_t n) { bytes_.append(n, '\0'); }
    void padTo4() {
        while (bytes_.size() % 4 != 0)
            u8(0);
    }
    void patch32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes_[at + i] = static_cast<char>(v >> (8 * i));
    }
    size_t size() const { return bytes_.size(); }
    std::string& bytes() { return bytes_; }

private:
    std::string bytes_;
};

// A bounds-checked little-endian view of one record (or a whole file). Every read outside the
// view throws, so a field can never be taken from beyond the record it belongs to.
class ByteView {
public:
    ByteView() = default;
    ByteView(const unsigned char* data, size_t size)
        : data_(data)
        , size_(size) {}

    size_t size() const { return size_; }
    const unsigned char* data() const { return data_; }

    bool fits(size_t offset, size_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }
    void require(size_t offset, size_t length, const char* what) const {
        if (!fits(offset, length))
            throw Error(std::string("The metafile is damaged: ") + what +
                        " lies outside its record");
    }
    ByteView sub(size_t offset, size_t length, const char* what) const {
        require(offset, length, what);
        return ByteView(data_ + offset, length);
    }

    uint8_t u8(size_t at) const {
        require(at, 1, "a field");
        return data_[at];
    }
    uint16_t u16(size_t at) const {
        require(at, 2, "a field");
        return static_cast<uint16_t>(data_[at] | (data_[at + 1] << 8));
    }
    uint32_t u32(size_t at) const {
        require(at, 4, "a field");
        return static_cast<uint32_t>(data_[at]) | (static_cast<uint32_t>(data_[at + 1]) << 8) |
               (static_cast<uint32_t>(data_[at + 2]) << 16) |
               (static_cast<uint32_t>(data_[at + 3]) << 24);
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
    const unsigned char* data_ = nullptr;
    size_t size_ = 0;
};

} // namespace qlx
