// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lyr::netbios {

// Appends fixed-size fields to a byte string. NetBIOS fields are big-endian, SMB and browser
// fields little-endian, so both orders are spelled out at each call.
class ByteWriter {
public:
    void U8(uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
    void U16BE(uint16_t value) {
        U8(static_cast<uint8_t>(value >> 8));
        U8(static_cast<uint8_t>(value));
    }
    void U32BE(uint32_t value) {
        U16BE(static_cast<uint16_t>(value >> 16));
        U16BE(static_cast<uint16_t>(value));
    }
    void U16LE(uint16_t value) {
        U8(static_cast<uint8_t>(value));
        U8(static_cast<uint8_t>(value >> 8));
    }
    void U32LE(uint32_t value) {
        U16LE(static_cast<uint16_t>(value));
        U16LE(static_cast<uint16_t>(value >> 16));
    }
    void Raw(std::string_view bytes) { bytes_.append(bytes); }
    // A packet whose length is known is written without growing its buffer on the way.
    void Reserve(size_t size) { bytes_.reserve(size); }
    void Zeros(size_t count) { bytes_.append(count, '\0'); }
    size_t Size() const { return bytes_.size(); }
    std::string Take() { return std::move(bytes_); }

private:
    std::string bytes_;
};

// Reads fixed-size fields from outside bytes. A read past the end yields zero and marks the
// reader failed, so a parser checks Ok() once at the end instead of before every field.
class ByteReader {
public:
    explicit ByteReader(std::string_view bytes, size_t position = 0)
        : bytes_(bytes), position_(position), ok_(position <= bytes.size()) {}

    uint8_t U8() {
        if (!Need(1)) {
            return 0;
        }
        return static_cast<uint8_t>(bytes_[position_++]);
    }
    uint16_t U16BE() {
        uint16_t high = U8();
        return static_cast<uint16_t>(high << 8 | U8());
    }
    uint32_t U32BE() {
        uint32_t high = U16BE();
        return high << 16 | U16BE();
    }
    uint16_t U16LE() {
        uint16_t low = U8();
        return static_cast<uint16_t>(low | U8() << 8);
    }
    uint32_t U32LE() {
        uint32_t low = U16LE();
        return low | static_cast<uint32_t>(U16LE()) << 16;
    }
    std::string_view Raw(size_t count) {
        if (!Need(count)) {
            return {};
        }
        auto result = bytes_.substr(position_, count);
        position_ += count;
        return result;
    }
    void Skip(size_t count) { Raw(count); }

    bool Ok() const { return ok_; }
    void Fail() { ok_ = false; }
    size_t Position() const { return position_; }
    size_t Remaining() const { return ok_ ? bytes_.size() - position_ : 0; }
    void SetPosition(size_t position) {
        if (position > bytes_.size()) {
            ok_ = false;
        } else {
            position_ = position;
        }
    }
    std::string_view Bytes() const { return bytes_; }

private:
    bool Need(size_t count) {
        if (!ok_ || count > bytes_.size() - position_) {
            ok_ = false;
            return false;
        }
        return true;
    }

    std::string_view bytes_;
    size_t position_;
    bool ok_;
};

}  // namespace lyr::netbios
