// Navigation over visible records: skipping deleted and rejected records in the direction of the
// move, the end-of-file and beginning-of-file marks, skip by n, records appended by others, the
// exact count, status events and the read-ahead cache.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "dbf/constants.h"
#include "dbf/table_handler.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/draw_table.h"

namespace {

using testsupport::DbfImage;
using testsupport::expectXbaseError;

// Records numbered 1..count: C1 holds the number, NAME "r<number>"; `deleted` picks the
// records written with the deletion flag.
DbfImage numberedImage(int count, const std::set<int>& deleted = {}) {
    DbfImage image;
    image.field("C1", 'N', 3).field("NAME", 'C', 6);
    for (int i = 1; i <= count; ++i) image.record({std::to_string(i), "r" + std::to_string(i)}, deleted.count(i) != 0);
    return image;
}

std::string recordBytes(int number, bool deleted = false) {
    DbfImage one;
    one.field("C1", 'N', 3)
        .field("NAME", 'C', 6)
        .record({std::to_string(number), "r" + std::to_string(number)}, deleted);
    return one.bytes().substr(one.computedHeaderLength(), one.computedRecordLength());
}

class NavigationTest : public testsupport::EngineTest {
protected:
    std::string write(const DbfImage& image) {
        m_image = image;
        return EngineTest::write(image, "kenobase.dbf");
    }
    std::unique_ptr<XBO_dBHandler> open(const DbfImage& image, bool useDeleted, bool shared = true,
                                        bool readWrite = false) {
        auto table = std::make_unique<XBO_dBHandler>(write(image), "", readWrite, shared);
        table->setUseDeleted(useDeleted);
        return table;
    }
    static int current(const XBO_dBHandler& table) { return static_cast<int>(table.getNumber(1)); }

    DbfImage m_image;
};

TEST_F(NavigationTest, MovesSkipDeletedRecordsInTheirDirection) {
    auto table = open(numberedImage(5, {1, 2, 5}), false);

    table->readRecord(xb::req::kFirst);
    EXPECT_EQ(table->currentRecord(), 3u);
    EXPECT_EQ(current(*table), 3);
    EXPECT_FALSE(table->bof());
    EXPECT_FALSE(table->eof());

    // Prior from 3 reads 2 and 1, then runs off the start with record 1 in the buffer.
    table->readRecord(xb::req::kPrior);
    EXPECT_TRUE(table->bof());
    EXPECT_FALSE(table->eof());
    EXPECT_EQ(table->currentRecord(), 1u);
    EXPECT_EQ(current(*table), 1);
    EXPECT_TRUE(table->isDeleted());

    table->readRecord(xb::req::kLast);
    EXPECT_EQ(table->currentRecord(), 4u) << "last scans backward past the deleted last record";
    EXPECT_FALSE(table->eof());

    table->readRecord(xb::req::kNext);
    EXPECT_TRUE(table->eof());
    EXPECT_EQ(table->currentRecord(), 5u) << "the last record actually read";
    EXPECT_EQ(current(*table), 5);
    EXPECT_EQ(table->recordCount(), 5u);

    // Going to a record number reads it even when deleted.
    table->readRecord(2);
    EXPECT_EQ(table->currentRecord(), 2u);
    EXPECT_TRUE(table->isDeleted());
    table->readRecord(xb::req::kNext);
    EXPECT_EQ(table->currentRecord(), 3u);

    table->setUseDeleted(true);
    table->readRecord(xb::req::kFirst);
    EXPECT_EQ(table->currentRecord(), 1u);
    table->readRecord(xb::req::kLast);
    EXPECT_EQ(table->currentRecord(), 5u);
}

TEST_F(NavigationTest, AllDeletedOrEmptyTables) {
    {
        auto table = open(numberedImage(4, {1, 2, 3, 4}), false);
        table->readRecord(xb::req::kFirst);
        EXPECT_TRUE(table->eof());
        EXPECT_EQ(table->currentRecord(), 4u);
        EXPECT_EQ(current(*table), 4);
        EXPECT_EQ(table->exactCount(), 0u);
        EXPECT_EQ(table->recordCount(), 4u);
        table->readRecord(xb::req::kLast);
        EXPECT_TRUE(table->bof());
        EXPECT_EQ(table->currentRecord(), 1u);
    }
    {
        auto table = open(numberedImage(0), false);
        std::vector<std::uint8_t> lent(table->recordLength() + 1, 'Q');
        table->setRecordBuffer(lent.data());
        table->readRecord(xb::req::kFirst);
        EXPECT_TRUE(table->eof());
        EXPECT_TRUE(table->bof());
        EXPECT_EQ(table->currentRecord(), 0u);
        EXPECT_EQ(std::string(lent.begin(), lent.end()), std::string(lent.size(), 'Q')) << "nothing is blanked";
        table->readRecord(xb::req::kLast);
        EXPECT_TRUE(table->eof());
        EXPECT_TRUE(table->bof());
        table->useOwnRecordBuffer();
        EXPECT_EQ(table->exactCount(), 0u);
    }
}

TEST_F(NavigationTest, RecordNumbersPastTheEnd) {
    auto table = open(numberedImage(5, {5}), false);
    table->readRecord(5);
    EXPECT_EQ(table->currentRecord(), 5u);
    EXPECT_TRUE(table->isDeleted());

    table->readRecord(6);
    EXPECT_TRUE(table->eof());
    EXPECT_FALSE(table->isDeleted()) << "the buffer is blanked";
    EXPECT_EQ(table->getText(2), "      ");
    EXPECT_EQ(table->getNumber(1), 0.0L);
    EXPECT_EQ(table->getDisplayText(1), "0");

    auto e = expectXbaseError([&] { table->readRecord(7); });
    EXPECT_EQ(e.Code(), 1002);
    EXPECT_EQ(e.Location(), xb::loc::kRecordRead);
    EXPECT_EQ(e.Message(), "dBase record request beyond EOF - " + table->path());
}

TEST_F(NavigationTest, CurrentRecordThatBecameHiddenMovesForward) {
    auto table = open(numberedImage(4), false);
    table->readRecord(2);
    testsupport::patchFile(table->path(), m_image.recordOffset(2), "*");
    table->readRecord(xb::req::kCurrent);
    EXPECT_EQ(table->currentRecord(), 3u);
    EXPECT_FALSE(table->isDeleted());

    testsupport::patchFile(table->path(), m_image.recordOffset(3), "*");
    table->skipRecords(0);
    EXPECT_EQ(table->currentRecord(), 4u);
}

TEST_F(NavigationTest, SharedTableSeesRecordsAppendedByOthers) {
    {
        // Read-write, since an object opened later on the same file shares this descriptor.
        auto table = open(numberedImage(3), false, true, true);
        table->readRecord(xb::req::kLast);
        // Another program appends over the end marker and leaves the header alone.
        testsupport::patchFile(table->path(), m_image.recordOffset(4), recordBytes(4) + "\x1A");
        table->readRecord(xb::req::kNext);
        EXPECT_FALSE(table->eof());
        EXPECT_EQ(table->currentRecord(), 4u);
        EXPECT_EQ(current(*table), 4);
        EXPECT_EQ(table->recordCount(), 4u);

        // Another object of this process does the same through the shared descriptor.
        XBO_DiskFile other(table->path(), true, true);
        other.open();
        EXPECT_EQ(other.sharedHandle().get(), table->sharedHandle().get());
        const std::string fifth = recordBytes(5) + "\x1A";
        other.writeAt(m_image.recordOffset(5), fifth.data(), static_cast<std::uint32_t>(fifth.size()));
        other.close();
        table->readRecord(xb::req::kNext);
        EXPECT_EQ(table->currentRecord(), 5u);
        EXPECT_EQ(current(*table), 5);
        table->readRecord(xb::req::kNext);
        EXPECT_TRUE(table->eof());
        EXPECT_EQ(table->currentRecord(), 5u);
    }
    {
        // An empty shared table recounts before each read.
        auto table = open(numberedImage(0), false);
        testsupport::patchFile(table->path(), m_image.recordOffset(1), recordBytes(1) + "\x1A");
        table->readRecord(xb::req::kFirst);
        EXPECT_FALSE(table->eof());
        EXPECT_EQ(table->currentRecord(), 1u);
        EXPECT_EQ(table->recordCount(), 1u);
    }
    {
        // An unshared table trusts the count it has.
        auto table = open(numberedImage(3), false, false);
        table->readRecord(xb::req::kLast);
        testsupport::patchFile(table->path(), m_image.recordOffset(4), recordBytes(4) + "\x1A");
        table->readRecord(xb::req::kNext);
        EXPECT_TRUE(table->eof());
        EXPECT_EQ(table->currentRecord(), 3u);
        EXPECT_EQ(table->recordCount(), 3u);
    }
}

TEST_F(NavigationTest, SkipCountsEveryRecordWhenDeletedOnesAreVisible) {
    auto table = open(numberedImage(100, {4, 99}), true);
    table->readRecord(95);
    table->skipRecords(10);
    EXPECT_EQ(table->currentRecord(), 100u);
    EXPECT_TRUE(table->eof());
    EXPECT_FALSE(table->bof());
    EXPECT_EQ(current(*table), 100);

    table->readRecord(3);
    table->skipRecords(-10);
    EXPECT_EQ(table->currentRecord(), 1u);
    EXPECT_TRUE(table->bof());
    EXPECT_FALSE(table->eof());

    table->readRecord(3);
    table->skipRecords(1);
    EXPECT_EQ(table->currentRecord(), 4u);
    EXPECT_TRUE(table->isDeleted());
    table->skipRecords(94);
    EXPECT_EQ(table->currentRecord(), 98u);
    EXPECT_FALSE(table->eof());
    table->skipRecords(-97);
    EXPECT_EQ(table->currentRecord(), 1u);
    EXPECT_FALSE(table->bof()) << "landing exactly on the first record is no fall";
}

TEST_F(NavigationTest, SkipStepsOverHiddenRecords) {
    auto table = open(numberedImage(10, {2, 3, 7}), false);
    table->readRecord(1);
    table->skipRecords(2);
    EXPECT_EQ(table->currentRecord(), 5u);
    table->skipRecords(2);
    EXPECT_EQ(table->currentRecord(), 8u);
    table->skipRecords(-3);
    EXPECT_EQ(table->currentRecord(), 4u);
    EXPECT_FALSE(table->bof());
    table->skipRecords(-3);
    EXPECT_TRUE(table->bof());
    EXPECT_EQ(table->currentRecord(), 1u);
    table->readRecord(8);
    table->skipRecords(5);
    EXPECT_TRUE(table->eof());
    EXPECT_EQ(table->currentRecord(), 10u);
}

TEST_F(NavigationTest, ExactCountCountsVisibleRecordsAndReturns) {
    auto table = open(numberedImage(10, {2, 3, 7}), false);
    table->readRecord(6);
    EXPECT_EQ(table->exactCount(), 7u);
    EXPECT_EQ(table->currentRecord(), 6u);
    EXPECT_EQ(current(*table), 6);
    EXPECT_FALSE(table->eof());
    EXPECT_EQ(table->recordCount(), 10u);

    table->readRecord(7);
    EXPECT_EQ(table->exactCount(), 7u);
    EXPECT_EQ(table->currentRecord(), 7u) << "the remembered record is read by number, deleted or not";
    EXPECT_TRUE(table->isDeleted());

    table->setUseDeleted(true);
    EXPECT_EQ(table->exactCount(), 10u);
    EXPECT_EQ(table->currentRecord(), 7u);
}

// A dataset stand-in that hides records whose number is even.
class OddRecordsOnly : public DBFObjectHooks {
public:
    bool acceptRecord() override { return static_cast<int>(table->getNumber(1)) % 2 == 1; }
    DBFObject* table = nullptr;
};

TEST_F(NavigationTest, DatasetHookHidesRecords) {
    OddRecordsOnly hooks;
    DBFObject table(write(numberedImage(10, {5})), "", false, true, &hooks);
    hooks.table = &table;
    table.setUseDeleted(false);

    table.readRecord(xb::req::kFirst);
    EXPECT_EQ(table.currentRecord(), 1u);
    table.readRecord(xb::req::kNext);
    EXPECT_EQ(table.currentRecord(), 3u);
    table.readRecord(xb::req::kNext);
    EXPECT_EQ(table.currentRecord(), 7u) << "5 is deleted, 4 and 6 rejected";
    table.readRecord(xb::req::kLast);
    EXPECT_EQ(table.currentRecord(), 9u);
    EXPECT_EQ(table.exactCount(), 4u);
    EXPECT_EQ(table.currentRecord(), 9u);
}

// Records the status events the reads raise.
class EventRecorder : public XBO_dBHandler {
public:
    using XBO_dBHandler::XBO_dBHandler;
    bool statusEvent(int code, std::int64_t number) override {
        events.emplace_back(code, number);
        return XBO_dBHandler::statusEvent(code, number);
    }
    std::vector<std::pair<int, std::int64_t>> events;
};

TEST_F(NavigationTest, ReadsRaiseStatusEventsAroundEachTransfer) {
    EventRecorder table(write(numberedImage(3, {1})), "", false, true);
    table.setUseDeleted(false);
    table.events.clear();
    table.readRecord(xb::req::kFirst);
    using Events = std::vector<std::pair<int, std::int64_t>>;
    EXPECT_EQ(table.events, (Events{{4, -3}, {6, 1}, {4, -1}, {6, 2}}));
    EXPECT_FALSE(table.recordModified());

    table.events.clear();
    table.readRecord(3);
    // Past the end nothing is read; the blanked buffer gets 0 put into C1.
    table.readRecord(4);
    EXPECT_EQ(table.events, (Events{{4, 3}, {6, 3}, {1, 1}, {0, 0}}));
}

TEST_F(NavigationTest, ReadAheadGivesTheSameRecordsAsPlainReads) {
    const std::string path = m_dir.file("kenobase.dbf");
    // 3000 records of 13 bytes: more than one cache block.
    const auto draws = testsupport::makeDrawTable(path, kSuperLoto, 3000, 20240229);
    XBO_dBHandler plain(path, "", false, true);
    XBO_dBHandler cached(path, "", false, true);
    cached.setReadAhead(true);
    EXPECT_TRUE(cached.readAheadOn());
    cached.setReadAhead(true);
    EXPECT_TRUE(cached.readAheadOn());
    ASSERT_EQ(cached.recordCount(), 3000u);

    const auto sameRecord = [&](std::uint32_t number) {
        const auto& draw = draws[number - 1];
        for (int f = 1; f <= 6; ++f) {
            if (cached.getNumber(f) != draw[static_cast<std::size_t>(f - 1)] || cached.getText(f) != plain.getText(f))
                return false;
        }
        return cached.currentRecord() == number;
    };

    cached.readRecord(xb::req::kFirst);
    for (std::uint32_t n = 1; n <= 3000; ++n) {
        plain.readRecord(n);
        ASSERT_TRUE(sameRecord(n)) << "forward, record " << n;
        cached.readRecord(xb::req::kNext);
    }
    EXPECT_TRUE(cached.eof());
    cached.readRecord(xb::req::kLast);
    for (int i = 3000; i >= 1; --i) {
        const auto n = static_cast<std::uint32_t>(i);
        plain.readRecord(n);
        ASSERT_TRUE(sameRecord(n)) << "backward, record " << n;
        cached.readRecord(xb::req::kPrior);
    }
    EXPECT_TRUE(cached.bof());
    std::mt19937 generator(7);
    std::uniform_int_distribution<std::uint32_t> pick(1, 3000);
    for (int i = 0; i < 500; ++i) {
        const std::uint32_t n = pick(generator);
        plain.readRecord(n);
        cached.readRecord(n);
        ASSERT_TRUE(sameRecord(n)) << "jump to record " << n;
    }

    cached.setReadAhead(false);
    EXPECT_FALSE(cached.readAheadOn());
    cached.setReadAheadAllowed(false);
    cached.setReadAhead(true);
    EXPECT_FALSE(cached.readAheadOn()) << "refused while not allowed";
    cached.readRecord(2999);
    plain.readRecord(2999);
    EXPECT_TRUE(sameRecord(2999));
}

TEST_F(NavigationTest, ReadAheadFollowsOwnWritesAndOthersAppends) {
    auto table = open(numberedImage(20), true, true, true);
    table->setReadAhead(true);
    table->readRecord(1);
    const std::string changed = recordBytes(777, true);
    table->writeAt(m_image.recordOffset(3), changed.data(), static_cast<std::uint32_t>(changed.size()));
    table->readRecord(3);
    EXPECT_EQ(current(*table), 777);
    EXPECT_TRUE(table->isDeleted());
    EXPECT_EQ(testsupport::readFile(table->path()).substr(m_image.recordOffset(3), changed.size()), changed);

    const std::string last = recordBytes(888);
    table->writeAt(m_image.recordOffset(20), last.data(), static_cast<std::uint32_t>(last.size()));
    table->readRecord(xb::req::kLast);
    EXPECT_EQ(current(*table), 888);

    testsupport::patchFile(table->path(), m_image.recordOffset(21), recordBytes(21) + "\x1A");
    table->readRecord(xb::req::kNext);
    EXPECT_FALSE(table->eof());
    EXPECT_EQ(table->currentRecord(), 21u);
    EXPECT_EQ(current(*table), 21);
}

}  // namespace
