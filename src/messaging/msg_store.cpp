// SPDX-License-Identifier: GPL-3.0-or-later
#include "messaging/msg_store.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/file_io.h"

namespace lyr {
namespace {

constexpr size_t kTimeOffset = 0;
constexpr size_t kFromNameOffset = 8;
constexpr size_t kToNameOffset = kFromNameOffset + TMsgName::kStoredSize;
constexpr size_t kLengthOffset = kToNameOffset + TMsgName::kStoredSize;
static_assert(kLengthOffset + 4 == kMsgEntryHeaderSize && kMsgEntryHeaderSize == 74);

// Entries are little-endian whatever the host is.
template <typename Number>
Number ReadLittleEndian(const unsigned char* bytes) {
    Number value;
    std::memcpy(&value, bytes, sizeof value);
    if constexpr (std::endian::native == std::endian::big) {
        Number swapped = 0;
        for (size_t i = 0; i < sizeof value; ++i) {
            swapped = static_cast<Number>(swapped << 8 | bytes[sizeof value - 1 - i]);
        }
        value = swapped;
    }
    return value;
}

void AppendLittleEndian(std::string& out, uint64_t value, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        out.push_back(static_cast<char>(value >> (8 * i) & 0xFF));
    }
}

// Bytes of a store from memory.
class MemorySource {
public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    uint64_t Size() const { return bytes_.size(); }
    uint64_t Offset() const { return offset_; }
    bool Read(char* destination, size_t count) {
        if (count > bytes_.size() - offset_) {
            return false;
        }
        std::memcpy(destination, bytes_.data() + offset_, count);
        offset_ += count;
        return true;
    }
    std::string Failure() const { return {}; }

private:
    std::string_view bytes_;
    size_t offset_ = 0;
};

// Bytes of a store from an open file, read in large blocks: a store of many short messages
// costs a few system calls, and no more memory than one block beside the records.
class FileSource {
public:
    explicit FileSource(FileReader& file)
        : file_(file), size_(file.Size()), buffer_(new char[kBlockSize]) {}
    uint64_t Size() const { return size_; }
    uint64_t Offset() const { return offset_; }

    bool Read(char* destination, size_t count) {
        while (count > 0) {
            if (begin_ == end_) {
                begin_ = 0;
                end_ = file_.Read(buffer_.get(), kBlockSize);
                if (end_ == 0) {
                    return false;
                }
            }
            const size_t take = std::min(count, end_ - begin_);
            std::memcpy(destination, buffer_.get() + begin_, take);
            begin_ += take;
            offset_ += take;
            destination += take;
            count -= take;
        }
        return true;
    }
    // The system's reason when a read failed rather than met the end of the file.
    const std::string& Failure() const { return file_.Failure(); }

private:
    static constexpr size_t kBlockSize = 1 << 20;

    FileReader& file_;
    uint64_t size_;
    uint64_t offset_ = 0;
    std::unique_ptr<char[]> buffer_;
    size_t begin_ = 0;
    size_t end_ = 0;
};

// Appends the entries of `source` to `items` until the end or the first entry that is not whole.
template <typename Source>
LoadReport ReadEntries(Source& source, std::vector<std::unique_ptr<TMsgData>>& items) {
    LoadReport report;
    auto stop = [&](uint64_t entry_offset, const std::string& what) {
        report.complete = false;
        report.skipped_bytes = source.Size() - entry_offset;
        report.problem = "entry " + std::to_string(report.loaded + 1) + " at offset " +
                         std::to_string(entry_offset) + ": " + what;
        if (!source.Failure().empty()) {
            report.problem += " (" + source.Failure() + ")";
        }
    };
    while (source.Offset() < source.Size()) {
        const uint64_t entry_offset = source.Offset();
        unsigned char header[kMsgEntryHeaderSize];
        if (source.Size() - entry_offset < kMsgEntryHeaderSize ||
            !source.Read(reinterpret_cast<char*>(header), sizeof header)) {
            stop(entry_offset, "the file ends inside the entry");
            break;
        }
        const auto length =
            static_cast<int32_t>(ReadLittleEndian<uint32_t>(header + kLengthOffset));
        const uint64_t left = source.Size() - source.Offset();
        if (length < 0) {
            stop(entry_offset, "negative text length " + std::to_string(length));
            break;
        }
        if (static_cast<uint64_t>(length) > kMaxStoredText) {
            stop(entry_offset, "text length " + std::to_string(length) +
                                   " is more than any message (" + std::to_string(kMaxStoredText) +
                                   " bytes)");
            break;
        }
        if (static_cast<uint64_t>(length) > left) {
            stop(entry_offset, "text length " + std::to_string(length) + " is more than the " +
                                   std::to_string(left) + " bytes left");
            break;
        }
        auto record = std::make_unique<TMsgData>();
        record->Time = std::bit_cast<double>(ReadLittleEndian<uint64_t>(header + kTimeOffset));
        std::memcpy(record->FromName.Bytes().data(), header + kFromNameOffset,
                    TMsgName::kStoredSize);
        std::memcpy(record->ToName.Bytes().data(), header + kToNameOffset, TMsgName::kStoredSize);
        record->Text.resize(static_cast<size_t>(length));
        if (!source.Read(record->Text.data(), record->Text.size())) {
            stop(entry_offset, "the file ends inside the entry");
            break;
        }
        items.push_back(std::move(record));
        ++report.loaded;
    }
    return report;
}

std::filesystem::path SameFileKey(const std::filesystem::path& path) {
    std::error_code ignored;
    auto canonical = std::filesystem::weakly_canonical(path, ignored);
    return canonical.empty() ? path : canonical;
}

}  // namespace

void TMsgName::Set(std::string_view text) {
    bytes_.fill(0);
    const size_t length = std::min(text.size(), kMaxLength);
    bytes_[0] = static_cast<uint8_t>(length);
    std::memcpy(bytes_.data() + 1, text.data(), length);
}

std::string TMsgName::Text() const {
    const size_t length = std::min<size_t>(bytes_[0], kMaxLength);
    return std::string(reinterpret_cast<const char*>(bytes_.data() + 1), length);
}

TMsgData& TMsgList::Append(TMsgData record) {
    if (record.Text.size() > kMaxStoredText) {
        record.Text.resize(kMaxStoredText);
    }
    items_.push_back(std::make_unique<TMsgData>(std::move(record)));
    return *items_.back();
}

void TMsgList::Delete(size_t index) {
    if (index >= items_.size()) {
        throw std::out_of_range("TMsgList::Delete: no message " + std::to_string(index));
    }
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

void AppendEntryBytes(const TMsgData& record, std::string& bytes) {
    if (record.Text.size() > kMaxStoredText) {
        throw Exception("A message text of " + std::to_string(record.Text.size()) +
                        " bytes is too long to store");
    }
    AppendLittleEndian(bytes, std::bit_cast<uint64_t>(record.Time), 8);
    bytes.append(reinterpret_cast<const char*>(record.FromName.Bytes().data()),
                 TMsgName::kStoredSize);
    bytes.append(reinterpret_cast<const char*>(record.ToName.Bytes().data()),
                 TMsgName::kStoredSize);
    AppendLittleEndian(bytes, record.Text.size(), 4);
    bytes += record.Text;
}

std::string TMsgList::ToBytes() const {
    size_t size = 0;
    for (const auto& item : items_) {
        size += kMsgEntryHeaderSize + item->Text.size();
    }
    std::string bytes;
    bytes.reserve(size);
    for (const auto& item : items_) {
        AppendEntryBytes(*item, bytes);
    }
    return bytes;
}

void TMsgList::SaveToFile(const std::filesystem::path& path) {
    const std::string bytes = ToBytes();
    const auto damaged =
        std::find(damaged_sources_.begin(), damaged_sources_.end(), SameFileKey(path));
    if (damaged != damaged_sources_.end()) {
        std::error_code error;
        if (std::filesystem::exists(path, error) && !KeepDamagedCopy(path)) {
            throw Exception("Cannot keep the damaged " + path.string() + " as " + path.string() +
                            ".bad; it is left as it was");
        }
    }
    WriteFileAtomically(path, bytes);
    if (damaged != damaged_sources_.end()) {
        damaged_sources_.erase(damaged);
    }
}

LoadReport TMsgList::LoadFromFile(const std::filesystem::path& path) {
    FileReader file(path);
    const size_t count_before = items_.size();
    LoadReport report;
    try {
        FileSource source(file);
        report = ReadEntries(source, items_);
    } catch (...) {
        items_.resize(count_before);
        throw;
    }
    if (!report.complete) {
        auto key = SameFileKey(path);
        if (std::find(damaged_sources_.begin(), damaged_sources_.end(), key) ==
            damaged_sources_.end()) {
            damaged_sources_.push_back(std::move(key));
        }
    }
    return report;
}

LoadReport TMsgList::LoadFromBytes(std::string_view bytes) {
    const size_t count_before = items_.size();
    try {
        MemorySource source(bytes);
        return ReadEntries(source, items_);
    } catch (...) {
        items_.resize(count_before);
        throw;
    }
}

}  // namespace lyr
