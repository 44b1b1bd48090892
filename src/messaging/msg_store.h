// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lyr {

// A name of a stored message as the file holds it: one length byte, then 30 character bytes.
// The bytes after the text are kept as they stand, so that a record read from a file is written
// back byte for byte; setting a name cuts it to 30 bytes and zero-fills the rest.
class TMsgName {
public:
    static constexpr size_t kMaxLength = 30;
    static constexpr size_t kStoredSize = 1 + kMaxLength;

    TMsgName() = default;
    explicit TMsgName(std::string_view text) { Set(text); }
    TMsgName& operator=(std::string_view text) {
        Set(text);
        return *this;
    }

    void Set(std::string_view text);
    // The text, at most 30 bytes even when a damaged length byte claims more.
    std::string Text() const;

    const std::array<uint8_t, kStoredSize>& Bytes() const { return bytes_; }
    std::array<uint8_t, kStoredSize>& Bytes() { return bytes_; }

    friend bool operator==(const TMsgName&, const TMsgName&) = default;

private:
    std::array<uint8_t, kStoredSize> bytes_{};
};

// One stored message. A new record has every byte zero; whoever makes it sets `Time` to
// CurrentDateTime() (platform/date_time.h).
struct TMsgData {
    double Time = 0;    // days since 1899-12-30 plus the fraction of the day, local time
    TMsgName FromName;  // received: the sender as it came off the wire; sent: this computer
    TMsgName ToName;   // received: the receiver off the wire; sent: the addressees, blank-separated
    std::string Text;  // ANSI code page, lines separated by CR LF
};

// The longest text a record holds: longer than any message the program can receive, so a longer
// length in a file is damage, never an allocation of that size.
constexpr size_t kMaxStoredText = 64 * 1024;

// What a load read. A file that ends inside an entry, or whose entry claims a text length that
// is negative, more than kMaxStoredText or more than the bytes left, is read up to the last
// complete entry before it.
struct LoadReport {
    size_t loaded = 0;           // entries appended
    bool complete = true;        // the whole file was read
    uint64_t skipped_bytes = 0;  // bytes from the first bad entry to the end of the file
    std::string problem;         // what was wrong there, in English, with the entry's offset
};

// Every entry is 74 + N bytes, little-endian on every host: Time (8-byte IEEE double),
// FromName (31 bytes), ToName (31 bytes), N (32-bit signed), then N text bytes. No header, no
// count: an empty list is an empty file.
constexpr size_t kMsgEntryHeaderSize = 8 + 2 * TMsgName::kStoredSize + 4;

// Appends the file entry of `record` to `bytes`. Throws lyr::Exception for a text longer than
// kMaxStoredText, which no entry may hold.
void AppendEntryBytes(const TMsgData& record, std::string& bytes);

// The received or sent messages, oldest first. The list owns its records; a record's address
// stays the same while it is in the list.
//
// Damaged files: a load that did not read its whole file remembers the file, and the next
// SaveToFile over that same file first keeps it beside as NAME.bad (an older copy is replaced),
// so the program never writes less over a file than it held without keeping the original. The
// save fails, writing nothing, when that copy cannot be made.
class TMsgList {
public:
    size_t Count() const { return items_.size(); }
    bool Empty() const { return items_.empty(); }
    // Index from 0, the oldest message; the index must be below Count().
    TMsgData& Item(size_t index) { return *items_.at(index); }
    const TMsgData& Item(size_t index) const { return *items_.at(index); }
    // A text longer than kMaxStoredText is cut to it, so that every record saved loads again.
    TMsgData& Append(TMsgData record);
    void Delete(size_t index);
    void DisposeAll() { items_.clear(); }

    // Writes every record in list order, atomically. Throws lyr::Exception when the file cannot be
    // written (the old file then stays as it was).
    void SaveToFile(const std::filesystem::path& path);
    // Appends the file's entries in file order, without emptying the list first. Throws
    // lyr::Exception when the file cannot be opened (a missing file included), then appends
    // nothing. A damaged file is read as far as it is intact; the report says what was skipped.
    LoadReport LoadFromFile(const std::filesystem::path& path);
    // The same over bytes already in memory (no damaged-file bookkeeping: there is no file).
    LoadReport LoadFromBytes(std::string_view bytes);
    // The file contents SaveToFile writes.
    std::string ToBytes() const;

private:
    std::vector<std::unique_ptr<TMsgData>> items_;
    std::vector<std::filesystem::path> damaged_sources_;
};

}  // namespace lyr
