// SPDX-License-Identifier: GPL-3.0-or-later
#include "messaging/msg_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cstdlib>
#include <limits>
#include <new>

#include "platform/error.h"
#include "support/temp_dir.h"

// The largest single allocation while a test watches: a hostile text length must not turn
// into an allocation of that size.
namespace {
std::atomic<bool> watching_allocations{false};
std::atomic<size_t> largest_allocation{0};
}  // namespace

#if defined(__GNUC__) && !defined(__clang__)
// The replacement pair below is malloc and free on both sides; gcc sees only half of it.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void* operator new(size_t size) {
    if (watching_allocations) {
        size_t seen = largest_allocation;
        while (size > seen && !largest_allocation.compare_exchange_weak(seen, size)) {
        }
    }
    if (void* memory = std::malloc(size ? size : 1)) {
        return memory;
    }
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, size_t) noexcept {
    std::free(memory);
}

namespace lyr {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string result;
    for (int value : values) {
        result.push_back(static_cast<char>(value));
    }
    return result;
}

// One entry as another program would have written it.
std::string Entry(double time, std::string_view from, std::string_view to, std::string_view text) {
    std::string entry;
    const auto bits = std::bit_cast<uint64_t>(time);
    for (int i = 0; i < 8; ++i) {
        entry.push_back(static_cast<char>(bits >> (8 * i)));
    }
    for (std::string_view name : {from, to}) {
        std::string field(31, '\0');
        field[0] = static_cast<char>(name.size());
        field.replace(1, name.size(), name);
        entry += field;
    }
    const auto length = static_cast<uint32_t>(text.size());
    for (int i = 0; i < 4; ++i) {
        entry.push_back(static_cast<char>(length >> (8 * i)));
    }
    return entry += text;
}

TMsgData Record(double time, std::string_view from, std::string_view to, std::string text) {
    TMsgData record;
    record.Time = time;
    record.FromName = from;
    record.ToName = to;
    record.Text = std::move(text);
    return record;
}

TEST(MsgStore, OneEntryHasTheExactLayout) {
    test::TempDir dir;
    TMsgList list;
    list.Append(Record(46000.5, "PC1", "PC2", "Hi\r\nthere"));
    list.SaveToFile(dir / "inbox.dat");

    std::string expected = Bytes({0x00, 0x00, 0x00, 0x00, 0x10, 0x76, 0xE6, 0x40});  // 46000.5
    expected += Bytes({3, 'P', 'C', '1'}) + std::string(27, '\0');
    expected += Bytes({3, 'P', 'C', '2'}) + std::string(27, '\0');
    expected += Bytes({9, 0, 0, 0}) + "Hi\r\nthere";
    EXPECT_EQ(test::ReadFile(dir / "inbox.dat"), expected);
    EXPECT_EQ(expected.size(), 74u + 9u);
}

TEST(MsgStore, EmptyStoreAndEmptyTextSizes) {
    test::TempDir dir;
    TMsgList empty;
    empty.SaveToFile(dir / "empty.dat");
    EXPECT_EQ(test::ReadFile(dir / "empty.dat"), "");
    TMsgList loaded;
    LoadReport report = loaded.LoadFromFile(dir / "empty.dat");
    EXPECT_TRUE(report.complete);
    EXPECT_EQ(loaded.Count(), 0u);

    TMsgList one;
    one.Append(Record(1, "", "", ""));
    one.SaveToFile(dir / "one.dat");
    EXPECT_EQ(test::ReadFile(dir / "one.dat").size(), 74u);
}

TEST(MsgStore, LongNamesAreCutToThirtyAndZeroFilled) {
    TMsgName name;
    name.Set("ABCDEFGHIJKLMNOPQRSTUVWXYZ01234");  // 31 characters
    EXPECT_EQ(name.Text(), "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123");
    EXPECT_EQ(name.Bytes()[0], 30);
    name.Set("ab");  // a shorter name leaves nothing of the longer one behind
    EXPECT_EQ(name.Bytes()[0], 2);
    for (size_t i = 3; i < name.Bytes().size(); ++i) {
        EXPECT_EQ(name.Bytes()[i], 0) << i;
    }
}

TEST(MsgStore, LoadingAppendsInFileOrder) {
    test::TempDir dir;
    TMsgList list;
    list.Append(Record(1, "A", "B", "first"));
    list.Append(Record(2, "C", "D", "second"));
    list.SaveToFile(dir / "inbox.dat");

    list.LoadFromFile(dir / "inbox.dat");
    ASSERT_EQ(list.Count(), 4u);
    EXPECT_EQ(list.Item(2).Text, "first");
    EXPECT_EQ(list.Item(3).Text, "second");
    list.LoadFromFile(dir / "inbox.dat");
    EXPECT_EQ(list.Count(), 6u);

    list.Delete(0);
    EXPECT_EQ(list.Item(0).Text, "second");
    EXPECT_THROW(list.Delete(5), std::out_of_range);
    list.DisposeAll();
    EXPECT_EQ(list.Count(), 0u);
}

TEST(MsgStore, SaveLoadSaveIsByteIdentical) {
    // Bits the program never makes but a file may hold: NaN payloads, signalling NaN, -0.0,
    // a denormal; bytes after a name's text; a length byte beyond 30; Cyrillic and NUL in text.
    std::string file;
    for (uint64_t bits : {0x7FF8000000000123ull, 0x7FF0000000000001ull, 0x8000000000000000ull,
                          0x0000000000000001ull, 0xFFFFFFFFFFFFFFFFull}) {
        file +=
            Entry(std::bit_cast<double>(bits), "PC1", "WORKGROUP", std::string("\xCF\xF0\0!", 4));
    }
    file[8 + 5] = 'x';          // garbage after "PC1"
    file[8 + 30] = '\x7F';      // in the last byte of the field
    file[74 + 4 + 8] = '\xC8';  // second entry: length byte 200
    test::TempDir dir;
    test::WriteFile(dir / "inbox.dat", file);

    TMsgList list;
    EXPECT_TRUE(list.LoadFromFile(dir / "inbox.dat").complete);
    ASSERT_EQ(list.Count(), 5u);
    EXPECT_EQ(list.Item(0).FromName.Text(), "PC1");
    EXPECT_EQ(list.Item(1).FromName.Text().size(), 30u);
    list.SaveToFile(dir / "again.dat");
    EXPECT_EQ(test::ReadFile(dir / "again.dat"), file);
}

TEST(MsgStore, TextsLongerThanTheReadBlockSurvive) {
    test::TempDir dir;
    TMsgList list;
    // Texts of the longest stored length, odd-sized, so that block ends fall inside texts.
    std::string long_text(kMaxStoredText - 3, 'x');
    long_text[12345] = '\0';
    list.Append(Record(1, "a", "b", "short"));
    for (int i = 0; i < 40; ++i) {
        list.Append(Record(2, "c", "d", long_text));
    }
    list.Append(Record(3, "e", "f", "after"));
    list.SaveToFile(dir / "inbox.dat");
    ASSERT_GT(std::filesystem::file_size(dir / "inbox.dat"), size_t{2} << 20);

    TMsgList loaded;
    EXPECT_TRUE(loaded.LoadFromFile(dir / "inbox.dat").complete);
    ASSERT_EQ(loaded.Count(), 42u);
    EXPECT_EQ(loaded.Item(1).Text, long_text);
    EXPECT_EQ(loaded.Item(40).Text, long_text);
    EXPECT_EQ(loaded.Item(41).Text, "after");
}

// No message is longer than 64 KB: a record that claims more is damage, even when the file does
// hold that many bytes, and is never read into memory.
TEST(MsgStore, ARecordLongerThanAnyMessageIsDamageWithoutItsAllocation) {
    const std::string good = Entry(1, "A", "B", "fine");
    test::TempDir dir;
    for (uint64_t length : {uint64_t{kMaxStoredText} + 1, uint64_t{100} << 20}) {
        SCOPED_TRACE(length);
        const std::string huge = Entry(2, "C", "D", "");
        std::string header = huge;
        for (int i = 0; i < 4; ++i) {
            header[70 + i] = static_cast<char>(length >> (8 * i));
        }
        test::WriteFile(dir / "inbox.dat", good + header);
        // The text's bytes are there (a sparse file: nothing is written to the disk).
        std::filesystem::resize_file(dir / "inbox.dat", good.size() + header.size() + length);

        TMsgList list;
        largest_allocation = 0;
        watching_allocations = true;
        const LoadReport report = list.LoadFromFile(dir / "inbox.dat");
        watching_allocations = false;
        EXPECT_LT(largest_allocation.load(), size_t{4} << 20);
        EXPECT_FALSE(report.complete);
        EXPECT_EQ(report.loaded, 1u);
        EXPECT_EQ(report.skipped_bytes, header.size() + length);
        EXPECT_NE(report.problem.find("more than any message"), std::string::npos)
            << report.problem;
    }

    // The longest text loads; a longer one appended (a long pasted text sent) is cut to it, so
    // that what is saved loads whole.
    TMsgList list;
    list.Append(Record(1, "a", "b", std::string(kMaxStoredText, 'y')));
    list.Append(Record(2, "a", "b", std::string(kMaxStoredText + 10, 'z')));
    EXPECT_EQ(list.Item(1).Text, std::string(kMaxStoredText, 'z'));
    list.SaveToFile(dir / "outbox.dat");
    TMsgList loaded;
    EXPECT_TRUE(loaded.LoadFromFile(dir / "outbox.dat").complete);
    EXPECT_EQ(loaded.Count(), 2u);
}

TEST(MsgStore, TruncatedFileKeepsTheCompleteEntries) {
    const std::string whole = Entry(1, "A", "B", "one") + Entry(2, "C", "D", "two");
    const std::string third = Entry(3, "E", "F", "three");
    test::TempDir dir;
    // Cut inside the third entry's header, and inside its text.
    for (size_t cut : {size_t{1}, size_t{73}, size_t{74}, third.size() - 1}) {
        SCOPED_TRACE(cut);
        test::WriteFile(dir / "inbox.dat", whole + third.substr(0, cut));
        TMsgList list;
        list.Append(Record(0, "old", "old", "kept"));
        LoadReport report = list.LoadFromFile(dir / "inbox.dat");
        EXPECT_FALSE(report.complete);
        EXPECT_EQ(report.loaded, 2u);
        EXPECT_EQ(report.skipped_bytes, cut);
        EXPECT_NE(report.problem.find("offset " + std::to_string(whole.size())), std::string::npos)
            << report.problem;
        ASSERT_EQ(list.Count(), 3u);
        EXPECT_EQ(list.Item(2).Text, "two");
    }
}

TEST(MsgStore, HostileTextLengthsNeverAllocate) {
    const std::string good = Entry(1, "A", "B", "fine");
    test::TempDir dir;
    // 105: one byte more than the 26 + 78 left after the header.
    for (uint32_t length : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 105u}) {
        SCOPED_TRACE(length);
        std::string bad = Entry(2, "C", "D", std::string(26, 'z'));  // 100 bytes, 26 of text
        for (int i = 0; i < 4; ++i) {
            bad[70 + i] = static_cast<char>(length >> (8 * i));
        }
        ASSERT_EQ(bad.size(), 100u);
        test::WriteFile(dir / "inbox.dat", good + bad + good);

        TMsgList list;
        largest_allocation = 0;
        watching_allocations = true;
        LoadReport report = list.LoadFromFile(dir / "inbox.dat");
        watching_allocations = false;
        EXPECT_LT(largest_allocation.load(), size_t{4} << 20);
        EXPECT_FALSE(report.complete);
        EXPECT_EQ(report.loaded, 1u);
        EXPECT_EQ(report.skipped_bytes, bad.size() + good.size());
        EXPECT_EQ(list.Count(), 1u);

        TMsgList from_memory;
        EXPECT_EQ(from_memory.LoadFromBytes(good + bad).loaded, 1u);
    }
}

TEST(MsgStore, UnreadableFileIsAnErrorAndAppendsNothing) {
    test::TempDir dir;
    TMsgList list;
    list.Append(Record(0, "a", "b", "c"));
    EXPECT_THROW(list.LoadFromFile(dir / "none.dat"), Exception);
    EXPECT_THROW(list.LoadFromFile(dir.Path()), Exception);
    EXPECT_EQ(list.Count(), 1u);
    EXPECT_THROW(list.SaveToFile(dir / "no" / "such" / "dir.dat"), Exception);
}

TEST(MsgStore, DamagedFileIsKeptBesideBeforeItIsOverwritten) {
    test::TempDir dir;
    const auto path = dir / "inbox.dat";
    const std::string damaged = Entry(1, "A", "B", "one") + Entry(2, "C", "D", "two").substr(0, 50);
    test::WriteFile(path, damaged);

    TMsgList list;
    ASSERT_FALSE(list.LoadFromFile(path).complete);
    list.Append(Record(3, "E", "F", "new"));
    list.SaveToFile(dir / "elsewhere.dat");  // another file: nothing to keep
    EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere.dat.bad"));
    EXPECT_FALSE(std::filesystem::exists(dir / "inbox.dat.bad"));

    list.SaveToFile(dir / "." / "inbox.dat");  // the same file by another spelling
    EXPECT_EQ(test::ReadFile(dir / "inbox.dat.bad"), damaged);
    TMsgList reloaded;
    EXPECT_TRUE(reloaded.LoadFromFile(path).complete);
    EXPECT_EQ(reloaded.Count(), 2u);

    // The next save replaces a whole file: the damaged original stays in the copy.
    list.SaveToFile(path);
    EXPECT_EQ(test::ReadFile(dir / "inbox.dat.bad"), damaged);

    // A store that loaded completely leaves no copy behind.
    TMsgList complete;
    complete.LoadFromFile(dir / "elsewhere.dat");
    complete.SaveToFile(dir / "elsewhere.dat");
    EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere.dat.bad"));
}

TEST(MsgStore, NoOverwriteWhenTheDamagedCopyCannotBeKept) {
    test::TempDir dir;
    const auto path = dir / "inbox.dat";
    const std::string damaged = Entry(1, "A", "B", "one").substr(0, 60);
    test::WriteFile(path, damaged);
    // A directory in the way of the copy stands for any reason the copy fails, even for root.
    std::filesystem::create_directory(dir / "inbox.dat.bad");
    std::filesystem::create_directory(dir / "inbox.dat.bad" / "busy");

    TMsgList list;
    ASSERT_FALSE(list.LoadFromFile(path).complete);
    EXPECT_THROW(list.SaveToFile(path), Exception);
    EXPECT_EQ(test::ReadFile(path), damaged);
}

}  // namespace
}  // namespace lyr
