// SPDX-License-Identifier: GPL-3.0-or-later
// A store and its file kept in step as records come and go.
#include "messaging/kept_msg_list.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>

#include "platform/error.h"
#include "support/temp_dir.h"

namespace lyr {
namespace {

TMsgData Record(const std::string& text) {
    TMsgData record;
    record.Time = 46000.25;
    record.FromName = "PEER";
    record.ToName = "TESTPC";
    record.Text = text;
    return record;
}

class KeptMsgListTest : public ::testing::Test {
protected:
    std::string FileBytes() { return test::ReadFile(file_); }

    test::TempDir temp_;
    std::filesystem::path file_ = temp_ / "inbox.dat";
};

TEST_F(KeptMsgListTest, RecordsReachTheFileAsTheyAreAddedAndADeletionRewritesIt) {
    KeptMsgList store(file_);
    EXPECT_TRUE(store.Load().complete) << "a missing file loads as complete";
    EXPECT_FALSE(std::filesystem::exists(file_));
    for (const char* text : {"one", "two", "three"}) {
        store.Add(Record(text), true);
        EXPECT_EQ(FileBytes(), store.List().ToBytes());
    }
    store.Delete(1, true);
    EXPECT_EQ(FileBytes(), store.List().ToBytes());
    EXPECT_EQ(store.List().Count(), 2u);
    store.Add(Record("four"), true);
    TMsgList reloaded;
    EXPECT_TRUE(reloaded.LoadFromFile(file_).complete);
    ASSERT_EQ(reloaded.Count(), 3u);
    EXPECT_EQ(reloaded.Item(2).Text, "four");
}

TEST_F(KeptMsgListTest, RecordsAddedWithoutKeepingAreWrittenWithTheNextKeptOne) {
    KeptMsgList store(file_);
    store.Load();
    store.Add(Record("one"), false);
    EXPECT_FALSE(std::filesystem::exists(file_));
    store.Add(Record("two"), true);
    EXPECT_EQ(FileBytes(), store.List().ToBytes());
    store.Delete(0, false);
    store.Add(Record("three"), true);
    EXPECT_EQ(FileBytes(), store.List().ToBytes()) << "after an unsaved deletion, a rewrite";
}

TEST_F(KeptMsgListTest, AStoreThatNeverReadItsFileNeverWritesIt) {
    test::WriteFile(file_, "");
    TMsgList other;
    other.Append(Record("not read this run"));
    other.SaveToFile(file_);
    const std::string before = FileBytes();
    KeptMsgList store(file_);
    store.Add(Record("new"), true);
    store.Save();
    EXPECT_EQ(FileBytes(), before);
}

// Stores switched on during the run read their file only at exit; one that cannot be read is
// moved aside there too, and the run's records get a file of their own.
TEST_F(KeptMsgListTest, AFileUnreadableAtExitIsMovedAsideAndTheRecordsKept) {
    std::filesystem::create_directory(file_);
    KeptMsgList store(file_);
    store.Add(Record("arrived"), false);
    store.Keep();
    EXPECT_TRUE(std::filesystem::is_directory(temp_ / "inbox.dat.bad"));
    TMsgList kept;
    ASSERT_TRUE(kept.LoadFromFile(file_).complete);
    ASSERT_EQ(kept.Count(), 1u);
    EXPECT_EQ(kept.Item(0).Text, "arrived");
}

TEST_F(KeptMsgListTest, AfterDisposeAllNothingIsWritten) {
    KeptMsgList store(file_);
    store.Load();
    store.Add(Record("one"), true);
    store.DisposeAll();
    store.Add(Record("late"), true);
    store.Save();
    TMsgList reloaded;
    reloaded.LoadFromFile(file_);
    EXPECT_EQ(reloaded.Count(), 1u);
}

TEST_F(KeptMsgListTest, ADamagedFileIsSetAsideAndRewrittenAtLoad) {
    TMsgList list;
    list.Append(Record("intact"));
    const std::string damaged = list.ToBytes() + std::string(10, '\x7f');
    test::WriteFile(file_, damaged);
    KeptMsgList store(file_);
    const LoadReport report = store.Load();
    EXPECT_FALSE(report.complete);
    EXPECT_EQ(report.loaded, 1u);
    EXPECT_EQ(test::ReadFile(temp_ / "inbox.dat.bad"), damaged);
    EXPECT_EQ(FileBytes(), list.ToBytes());
    store.Add(Record("next"), true);
    EXPECT_EQ(FileBytes(), store.List().ToBytes());
}

// A write the file system stops half-way (here: the file size limit) leaves no piece of the
// entry behind; the next record rewrites the file with everything.
TEST_F(KeptMsgListTest, AHalfWrittenEntryIsCutBack) {
    KeptMsgList store(file_);
    store.Load();
    store.Add(Record("one"), true);
    const std::string before = FileBytes();

    ::signal(SIGXFSZ, SIG_IGN);
    rlimit old_limit{};
    ::getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit limit = old_limit;
    limit.rlim_cur = before.size() + 20;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    EXPECT_THROW(store.Add(Record(std::string(200, 'x')), true), Exception);
    const std::string after_failure = FileBytes();
    ::setrlimit(RLIMIT_FSIZE, &old_limit);

    EXPECT_EQ(after_failure, before);
    EXPECT_EQ(store.List().Count(), 2u) << "the record stays in the store";
    store.Add(Record("three"), true);
    EXPECT_EQ(FileBytes(), store.List().ToBytes());
}

}  // namespace
}  // namespace lyr
