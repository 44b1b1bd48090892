// SPDX-License-Identifier: GPL-3.0-or-later
#include "messaging/kept_msg_list.h"

#include <string>

#include "platform/atomic_file.h"
#include "platform/error.h"
#include "platform/file_io.h"
#include "platform/log.h"

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
    TMsgData& stored = list_.Append(std::move(record));
    if (keep_file && file_is_ours_) {
        if (records_in_file_ == list_.Count() - 1) {
            AppendLastRecord();
        } else {
            Save();
        }
    }
    return stored;
}

void KeptMsgList::AppendLastRecord() {
    TMsgList last;
    last.Append(list_.Item(list_.Count() - 1));
    try {
        AppendToFile(file_, last.ToBytes());
    } catch (const Exception&) {
        // Cut back, the file holds the records before this one; otherwise its end is unknown.
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
