// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "messaging/msg_store.h"

namespace lyr {

inline constexpr char kInboxFileName[] = "inbox.dat";
inline constexpr char kOutboxFileName[] = "outbox.dat";

// What the load of a store's file found, for the start-up to tell the user.
// What was read of a readable file is the LoadReport.
struct StoreLoad : LoadReport {
    std::string unreadable;  // why the file could not be read at all; empty when it could
    std::optional<std::filesystem::path> set_aside;  // where such a file was moved
};

// One message store and its file. The file belongs to the store once the store has read it at
// start (or found none): only then is it written, so a run whose start-up ended before the load
// never replaces a file it did not read. While the file is kept (SaveUserBoxes), every record
// reaches it as soon as it is stored: one append, cut back to the last whole entry when the
// write fails, so the file never ends inside an entry of ours. A deletion rewrites the file
// atomically.
class KeptMsgList {
public:
    explicit KeptMsgList(std::filesystem::path file) : file_(std::move(file)) {}

    TMsgList& List() { return list_; }
    const TMsgList& List() const { return list_; }
    const std::filesystem::path& File() const { return file_; }

    // Reads the file into the store when it exists (a missing file reads as complete). A damaged
    // file is rewritten at once with what could be read, its original kept as NAME.bad (by
    // TMsgList). A file that cannot be read at all (a directory, no permission) is moved aside
    // (MoveAside), and the store starts a new file, so that this run's messages are kept; when it
    // cannot be moved, the file is not the store's. Throws lyr::Exception when the damaged file
    // cannot be set aside (TMsgList then refuses every later write over it until the copy can be
    // made).
    StoreLoad Load();

    // Appends a record; with `keep_file` the file gets it before this returns. Throws
    // lyr::Exception when the file cannot be written; the record is in the store even then.
    TMsgData& Add(TMsgData record, bool keep_file);
    // The same for records that arrived together: one append and one flush to the disk for all.
    void AddAll(std::vector<TMsgData> records, bool keep_file);
    // Removes the record at `index` (from 0); with `keep_file` the file is rewritten atomically.
    // Throws lyr::Exception when the file cannot be written; the record is gone from the store.
    void Delete(size_t index, bool keep_file);
    // Writes the whole store atomically, unless its file is not the store's (see above).
    void Save();
    // The store kept at exit. A file that was not read at start (the stores were not kept then,
    // and the user has asked for them since) is read first, a damaged one set aside as NAME.bad,
    // and what it holds comes before what this run stored; then the whole is written. A file
    // that cannot be read is moved aside as in Load, or, when it cannot be, left as it is (and
    // said in the log). Throws lyr::Exception when the file cannot be written.
    void Keep();
    // Empties the store at exit; its file is not written any more.
    void DisposeAll();

private:
    // Writes the records from `first` (from 0) to the end, which the file lacks, after its end.
    void AppendNewRecords(size_t first);

    std::filesystem::path file_;
    TMsgList list_;
    bool file_is_ours_ = false;
    // How many records of the store, from the first, the file holds; nothing when unknown.
    std::optional<size_t> records_in_file_;
};

}  // namespace lyr
