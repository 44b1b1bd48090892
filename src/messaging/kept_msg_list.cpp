// SPDX-License-Identifier: GPL-3.0-or-later
#include "messaging/kept_msg_list.h"

#include <string>

#include "base/log.h"
#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/file_io.h"

namespace lyr {

StoreLoad KeptMsgList::Load() {
    StoreLoad load;
    std::error_code error;
    if (!std::filesystem::exists(file_, error) && !error) {
        file_is_ours_ = true;
        records_in_file_ = list_.Count();
        return load;
    }
    try {
        static_cast<LoadReport&>(load) = list_.LoadFromFile(file_);
    } catch (const std::exception& unreadable) {
        load.unreadable = unreadable.what();
        load.set_aside = MoveAside(file_);
        if (!load.set_aside) {
            return load;
        }
        LogLine(LogSeverity::Error, "store",
                load.unreadable + "; moved to " + load.set_aside->string());
        file_is_ours_ = true;
        records_in_file_ = list_.Count();  // the first message makes the new file
        return load;
    }
    file_is_ours_ = true;
    if (load.complete) {
        records_in_file_ = list_.Count();
    } else {
        Save();
    }
    return load;
}

TMsgData& KeptMsgList::Add(TMsgData record, bool keep_file) {
    std::vector<TMsgData> one;
    one.push_back(std::move(record));
    AddAll(std::move(one), keep_file);
    return list_.Item(list_.Count() - 1);
}

void KeptMsgList::AddAll(std::vector<TMsgData> records, bool keep_file) {
    const size_t first = list_.Count();
    for (TMsgData& record : records) {
        list_.Append(std::move(record));
    }
    if (keep_file && file_is_ours_ && list_.Count() > first) {
        if (records_in_file_ == first) {
            AppendNewRecords(first);
        } else {
            Save();
        }
    }
}

void KeptMsgList::AppendNewRecords(size_t first) {
    std::string bytes;
    for (size_t i = first; i < list_.Count(); ++i) {
        AppendEntryBytes(list_.Item(i), bytes);
    }
    try {
        AppendToFile(file_, bytes);
    } catch (const Exception&) {
        // Cut back, the file holds the records before these; otherwise its end is unknown.
        // Either way the next write rewrites it whole.
        records_in_file_.reset();
        throw;
    }
    records_in_file_ = list_.Count();
}

void KeptMsgList::Delete(size_t index, bool keep_file) {
    list_.Delete(index);
    records_in_file_.reset();
    if (keep_file) {
        Save();
    }
}

void KeptMsgList::Save() {
    if (!file_is_ours_) {
        return;
    }
    records_in_file_.reset();
    list_.SaveToFile(file_);
    records_in_file_ = list_.Count();
}

void KeptMsgList::Keep() {
    if (!file_is_ours_) {
        TMsgList kept;
        std::error_code error;
        if (std::filesystem::exists(file_, error)) {
            try {
                kept.LoadFromFile(file_);
            } catch (const std::exception& unreadable) {
                // Not ours to write over: set aside, or left as it is and the rest of the
                // shutdown goes on.
                const auto aside = MoveAside(file_);
                LogLine(LogSeverity::Error, "store",
                        std::string(unreadable.what()) +
                            (aside ? "; moved to " + aside->string() : "; not kept"));
                if (!aside) {
                    return;
                }
            }
        }
        for (size_t i = 0; i < list_.Count(); ++i) {
            kept.Append(list_.Item(i));
        }
        list_ = std::move(kept);
        file_is_ours_ = true;
    }
    Save();
}

void KeptMsgList::DisposeAll() {
    list_.DisposeAll();
    file_is_ours_ = false;
    records_in_file_.reset();
}

}  // namespace lyr
