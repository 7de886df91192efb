// Opening a table: how the name becomes a path, what the header and descriptors give, every
// damaged or refused file, faults of the operating system during the open, and the raw record
// read with its end-of-file rules.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "dbf/constants.h"
#include "dbf/dbf_table.h"
#include "platform/error_codes.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/child_process.h"

namespace {

using platform::Call;
using platform::Fault;
using testsupport::DbfImage;
using testsupport::expectXbaseError;
using testsupport::openDescriptorCount;
using testsupport::registrySize;

DbfImage drawImage() {
    DbfImage image;
    image.field("C1", 'N', 2).field("NAME", 'C', 10).field("D1", 'D', 8);
    image.record({"7", "first", "19800101"});
    image.record({"12", "second", "20240229"}, true);
    image.record({"49", "third", ""});
    return image;
}

class TableOpenTest : public testsupport::EngineTest {
protected:
    // The open must fail with this code, location and message, and leave nothing open.
    void expectOpenFails(const std::string& name, int code, int location, const std::string& message) {
        auto e = expectXbaseError([&] { XBO_dBaseFld table(name, "", false, true); });
        EXPECT_EQ(e.Code(), code) << name;
        EXPECT_EQ(e.Location(), location) << name;
        EXPECT_EQ(e.Message(), message) << name;
        expectNothingOpen();
    }
};

TEST_F(TableOpenTest, HeaderAndDescriptorsGiveTheTableLayout) {
    DbfImage image = drawImage();
    image.tableFlags(0xFF).updateStamp(0x12345678).codePage(0x65);
    const std::string path = write(image);

    XBO_dBaseFld table(path, "", false, true);
    EXPECT_EQ(table.path(), path);
    EXPECT_EQ(table.version(), 0x03);
    EXPECT_EQ(table.headerLength(), 32u + 3 * 32 + 1);
    EXPECT_EQ(table.recordLength(), 21u);
    EXPECT_EQ(table.recordCount(), 3u);
    EXPECT_EQ(table.fieldCount(), 3);
    EXPECT_EQ(table.tableFlags(), 0x07) << "only bits 0-2 are remembered";
    EXPECT_EQ(table.updateStamp(), 0x12345678u);
    EXPECT_FALSE(table.encrypted());
    EXPECT_FALSE(table.memoPresent());
    const std::string bytes = image.bytes();
    EXPECT_EQ(std::string(table.headerImage().begin(), table.headerImage().end()), bytes.substr(0, 32));

    // Before the first read.
    EXPECT_EQ(table.currentRecord(), 0u);
    EXPECT_TRUE(table.bof());
    EXPECT_FALSE(table.eof());
    EXPECT_TRUE(table.useDeleted());
    EXPECT_EQ(table.tableState(), xb::state::kNormal);
    EXPECT_EQ(table.userNumber(), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(table.recordBuffer()), 21), std::string(21, ' '));
    EXPECT_EQ(table.recordBuffer()[21], xb::kEofByte);
    EXPECT_FALSE(table.isDeleted());
    EXPECT_EQ(table.changedMarks().size(), 4u);

    EXPECT_EQ(table.fieldName(1), "C1");
    EXPECT_EQ(table.fieldType(1), 'N');
    EXPECT_EQ(table.fieldLength(2), 10u);
    EXPECT_EQ(table.fieldType(3), 'D');
    EXPECT_EQ(table.fieldOffset(1), 1u);
    EXPECT_EQ(table.fieldOffset(2), 3u);
    EXPECT_EQ(table.fieldOffset(3), 13u);
    ASSERT_NE(table.field(3), nullptr);
    EXPECT_EQ(table.field(3)->number(), 3);
    EXPECT_EQ(table.field(3)->offset(), 13u);
    EXPECT_EQ(table.field(3)->name(), "D1");
}

TEST_F(TableOpenTest, NameIsTrimmedGivenDbfAndMatchedWithoutRegardToCase) {
    const std::string path = write(drawImage());
    {
        XBO_dBaseFld table(m_dir.path() + "/LOTOBASE", "", false, true);
        EXPECT_EQ(table.path(), path);
    }
    {
        XBO_dBaseFld table(" \t" + m_dir.path() + "/LotoBase.DBF \r\n", "", false, true);
        EXPECT_EQ(table.path(), path);
    }
    {
        std::filesystem::path saved = std::filesystem::current_path();
        std::filesystem::current_path(m_dir.path());
        std::unique_ptr<XBO_dBaseFld> table;
        EXPECT_NO_THROW(table = std::make_unique<XBO_dBaseFld>("lotobase", "", false, true));
        std::filesystem::current_path(saved);
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table->path(), path);
        EXPECT_EQ(table->recordCount(), 3u);
    }
    // A name with an extension of its own keeps it; a dot in a directory name is no extension.
    write(drawImage(), "draws.tab");
    {
        XBO_dBaseFld table(m_dir.file("draws.tab"), "", false, true);
        EXPECT_EQ(table.path(), m_dir.file("draws.tab"));
    }
    std::filesystem::create_directory(m_dir.file("v1.2"));
    write(drawImage(), "v1.2/kenobase.dbf");
    {
        XBO_dBaseFld table(m_dir.file("v1.2/kenobase"), "", false, true);
        EXPECT_EQ(table.path(), m_dir.file("v1.2/kenobase.dbf"));
    }

    expectOpenFails(m_dir.file("missing"), 2, xb::loc::kOpen, "File not found - " + m_dir.file("missing.dbf"));
    expectOpenFails(m_dir.file("nodir/lotobase"), 3, xb::loc::kOpen,
                    "Path not found - " + m_dir.file("nodir/lotobase.dbf"));
    std::filesystem::create_directory(m_dir.file("folder.dbf"));
    expectOpenFails(m_dir.file("folder"), 5, xb::loc::kOpen, "File access denied - " + m_dir.file("folder.dbf"));
}

TEST_F(TableOpenTest, SpecialFilesAreRefusedAtOnceWithoutWaiting) {
    // A FIFO with no writer would hold a reading open forever: the open runs in another process,
    // which must answer within the time.
    const std::string fifo = m_dir.file("fifo.dbf");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/null", m_dir.file("null.dbf"));
    for (const bool readWrite : {false, true}) {
        for (const std::string& path : {fifo, m_dir.file("null.dbf")}) {
            SCOPED_TRACE(path + (readWrite ? " read-write" : " read-only"));
            testsupport::Child child([&](testsupport::Child& self) {
                try {
                    XBO_dBaseFld table(path, "", readWrite, true);
                    self.tell('O');
                } catch (const EXbaseError& e) {
                    const bool expected = e.Code() == 222 && e.Message() == "Not a regular file - " + path;
                    self.tell(expected ? 'R' : 'M');
                }
                return 0;
            });
            EXPECT_EQ(child.receive(std::chrono::milliseconds(5000)), 'R')
                << "O: opened, M: another message, nothing: the open waited";
        }
    }
    expectOpenFails(fifo, 222, xb::loc::kOpen, "Not a regular file - " + fifo);
}

TEST_F(TableOpenTest, EveryAcceptedVersionOpensAndOthersAreRefused) {
    for (std::uint8_t version : {0x03, 0x83, 0x8B, 0xF5}) {
        const std::string path = write(drawImage().version(version));
        XBO_dBaseFld table(path, "", false, true);
        EXPECT_EQ(table.version(), version);
        EXPECT_EQ(table.fieldCount(), 3);
        EXPECT_EQ(table.memoPresent(), version != 0x03) << int(version);
    }
    for (std::uint8_t version : {0x00, 0x02, 0x04, 0x31, 0x43, 0x63, 0xCB, 0xE5, 0xFF}) {
        const std::string path = write(drawImage().version(version));
        expectOpenFails(path, 1001, xb::loc::kTableOpen, "dBase DBF file header invalid - " + path);
    }

    // Version 0x30: the descriptor area ends 296 bytes before the header's end.
    DbfImage fox = drawImage().version(0x30);
    const std::string path = write(fox);
    {
        XBO_dBaseFld table(path, "", false, true);
        EXPECT_EQ(table.headerLength(), 32u + 3 * 32 + 1 + 263);
        EXPECT_EQ(table.fieldCount(), 3);
        EXPECT_FALSE(table.memoPresent());
        EXPECT_EQ(table.recordCount(), 3u);
        table.readRecord(1);
        EXPECT_EQ(table.getText(2), "first     ");
    }
    {
        write(fox.tableFlags(0x02));
        XBO_dBaseFld table(path, "", false, true);
        EXPECT_TRUE(table.memoPresent()) << "flag bit 1 means a memo file for version 0x30";
    }
}

TEST_F(TableOpenTest, DamagedHeadersAreRefusedWithoutCrashing) {
    const std::string path = m_dir.file("lotobase.dbf");
    const std::string numbered = "Xbase Error 221, SubCode 1204.\r " + path + ">1204";
    const std::string invalid = "dBase DBF file header invalid - " + path;

    testsupport::writeFile(path, "");
    expectOpenFails(path, 221, xb::loc::kTableOpen, numbered);
    write(drawImage().truncateTo(20));
    expectOpenFails(path, 221, xb::loc::kTableOpen, numbered);
    write(drawImage().truncateTo(31));
    expectOpenFails(path, 221, xb::loc::kTableOpen, numbered);
    // Descriptor area cut short by the end of the file.
    write(drawImage().truncateTo(32 + 40));
    expectOpenFails(path, 221, xb::loc::kTableOpen, numbered);

    write(drawImage().recordLength(0));
    expectOpenFails(path, 1001, xb::loc::kTableOpen, invalid);
    write(drawImage().headerLength(32));
    expectOpenFails(path, 1001, xb::loc::kTableOpen, invalid);
    write(drawImage().headerLength(0));
    expectOpenFails(path, 1001, xb::loc::kTableOpen, invalid);
    write(drawImage().version(0x30).headerLength(295));
    expectOpenFails(path, 1001, xb::loc::kTableOpen, invalid);
    // The fields need 21 bytes with the deletion flag; the header claims 20.
    write(drawImage().recordLength(20));
    expectOpenFails(path, 1001, xb::loc::kTableOpen, invalid);
    write(DbfImage().field("NOTE", 'C', 300).field("X", 'N', 2).recordLength(100));
    expectOpenFails(path, 1001, xb::loc::kTableOpen, invalid);
}

TEST_F(TableOpenTest, RecordCountComesFromTheFileSize) {
    const std::string path = m_dir.file("lotobase.dbf");
    {
        // The header says 10; twelve whole records and part of another are in the file.
        DbfImage image;
        image.field("C1", 'N', 2).headerCount(10);
        for (int i = 1; i <= 12; ++i) image.record({std::to_string(i)});
        image.tail(" 9").endMarker(false);
        image.writeTo(path);
        XBO_dBaseFld table(path, "", false, true);
        EXPECT_EQ(table.recordCount(), 12u);
        table.readRecord(xb::req::kLast);
        EXPECT_EQ(table.currentRecord(), 12u);
        EXPECT_EQ(table.getText(1), "12");
    }
    {
        // Exactly the header: no records; the first read sets both marks and reads nothing.
        DbfImage image = drawImage();
        image.endMarker(false).truncateTo(image.computedHeaderLength());
        image.writeTo(path);
        XBO_dBaseFld table(path, "", false, true);
        EXPECT_EQ(table.recordCount(), 0u);
        table.readRecord(xb::req::kFirst);
        EXPECT_TRUE(table.eof());
        EXPECT_TRUE(table.bof());
        EXPECT_EQ(table.currentRecord(), 0u);
    }
    for (bool shared : {false, true}) {
        // Shorter than its header length (the terminator is missing): still no records.
        DbfImage image = drawImage();
        image.truncateTo(image.computedHeaderLength() - 1u);
        image.writeTo(path);
        XBO_dBaseFld table(path, "", false, shared);
        EXPECT_EQ(table.recordCount(), 0u) << "shared " << shared;
        EXPECT_EQ(table.fieldCount(), 3);
        table.readRecord(xb::req::kFirst);
        EXPECT_TRUE(table.eof());
        EXPECT_TRUE(table.bof());
    }
    {
        // Records longer than their fields: the header's record length steps through the file.
        DbfImage image;
        image.field("C1", 'N', 2).field("C2", 'N', 2).recordLength(9);
        image.rawRecord("  1 2JUNK").rawRecord("* 3 4JUNK").rawRecord("  5 6JUNK");
        image.writeTo(path);
        XBO_dBaseFld table(path, "", false, true);
        EXPECT_EQ(table.recordCount(), 3u);
        table.readRecord(3);
        EXPECT_EQ(table.getNumber(2), 6.0L);
        table.readRecord(2);
        EXPECT_TRUE(table.isDeleted());
        EXPECT_EQ(table.getNumber(1), 3.0L);
    }
}

TEST_F(TableOpenTest, LongCharacterFieldUsesTheSecondLengthByte) {
    DbfImage image;
    image.fieldRaw("NOTE", 'C', 44, 1).field("C1", 'N', 2);
    image.record({std::string(299, 'a') + "z", "42"});
    const std::string path = write(image);

    XBO_dBaseFld table(path, "", false, true);
    EXPECT_EQ(table.fieldLength(1), 300u);
    EXPECT_EQ(table.fieldDecimals(1), 0);
    EXPECT_EQ(table.fieldOffset(2), 301u);
    EXPECT_EQ(table.recordLength(), 303u);
    table.readRecord(1);
    EXPECT_EQ(table.getText(1).size(), 300u);
    EXPECT_EQ(table.getText(1).back(), 'z');
    EXPECT_EQ(table.getNumber(2), 42.0L);
}

TEST_F(TableOpenTest, KeyMustMatchTheEncryptionFlag) {
    // Opening the file with the key is refused as a mismatch of key and flag, with the message.
    const auto refused = [&](const std::string& path, const char* key, const std::string& message) {
        try {
            XBO_dBaseFld table(path, key, false, true);
            ADD_FAILURE() << path << " opened with the key '" << key << "'";
        } catch (const EXbaseEncryption& e) {
            EXPECT_EQ(e.Message(), message);
        }
        expectNothingOpen();
    };
    const std::string plain = write(drawImage());
    refused(plain, "secret", "A Password is included for unencrypted file " + plain);
    const std::string locked = write(drawImage().encryptedFlag(1), "locked.dbf");
    refused(locked, "", "No Password for encrypted file " + locked);
}

TEST_F(TableOpenTest, SystemFailuresDuringOpenLeaveNothingOpen) {
    const std::string path = write(drawImage());
    const std::string readFault = "Xbase Error 30, SubCode 1101.\r " + path + ">1101";
    const std::string cut = "Xbase Error 221, SubCode 1204.\r " + path + ">1204";

    const std::vector<std::pair<Fault, std::string>> cases = {
        {Fault{Call::Open, 0, 1, platform::code::kFileNotFound, 0}, "File not found - " + path},
        {Fault{Call::Open, 0, 1, platform::code::kSharingViolation, 0}, "File access denied - " + path},
        {Fault{Call::Identity, 0, -1, platform::code::kTooManyOpenFiles, 0}, "Too many open files - " + path},
        {Fault{Call::Read, 0, 1, platform::code::kReadFault, 0}, readFault},  // the header
        {Fault{Call::Read, 1, 1, platform::code::kReadFault, 0}, readFault},  // the descriptors
        {Fault{Call::Read, 0, 1, 0, 16}, cut},                                // header cut short
        {Fault{Call::Read, 1, 1, 0, 40}, cut},                                // descriptors cut short
        {Fault{Call::Size, 0, 1, platform::code::kReadFault, 0}, "Xbase Error 30, SubCode 1105.\r " + path + ">1105"},
    };
    for (const auto& [fault, message] : cases) {
        platform::FaultGuard guard(fault);
        auto e = expectXbaseError([&] { XBO_dBaseFld table(path, "", false, true); });
        EXPECT_EQ(e.Message(), message) << "call kind " << static_cast<int>(fault.call) << " skip " << fault.skip;
        expectNothingOpen();
    }

    // A failing close while the open is being undone does not hide why the open failed.
    const std::string bad = write(drawImage().version(0x04), "bad.dbf");
    const int before = openDescriptorCount();
    {
        platform::FaultGuard guard(Fault{Call::Close, 0, 1, platform::code::kInvalidHandle, 0});
        auto e = expectXbaseError([&] { XBO_dBaseFld table(bad, "", false, true); });
        EXPECT_EQ(e.Message(), "dBase DBF file header invalid - " + bad);
        EXPECT_EQ(registrySize(), m_registered);
    }
    EXPECT_EQ(openDescriptorCount(), before);
}

TEST_F(TableOpenTest, TablesOnOneFileShareTheDescriptor) {
    const std::string path = write(drawImage());
    const int before = openDescriptorCount();
    auto first = std::make_unique<XBO_dBaseFld>(m_dir.path() + "/lotobase", "", false, true);
    XBO_dBaseFld second(m_dir.path() + "/LOTOBASE.DBF", "", false, true);
    EXPECT_EQ(first->sharedHandle().get(), second.sharedHandle().get());
    EXPECT_EQ(openDescriptorCount(), before + 1);
    EXPECT_EQ(registrySize(), m_registered + 2);

    first->readRecord(1);
    first.reset();
    EXPECT_EQ(openDescriptorCount(), before + 1);
    second.readRecord(3);
    EXPECT_EQ(second.getText(2), "third     ");
    second.close();
    EXPECT_EQ(openDescriptorCount(), before);
    EXPECT_EQ(registrySize(), m_registered);
}

TEST_F(TableOpenTest, RawReadFollowsTheRequestCodes) {
    const std::string path = write(drawImage());
    XBO_dBaseFld table(path, "", false, true);

    table.readRecord(xb::req::kFirst);
    EXPECT_EQ(table.currentRecord(), 1u);
    EXPECT_FALSE(table.bof());
    EXPECT_EQ(table.getText(2), "first     ");
    EXPECT_EQ(std::string(table.oldRecord().begin(), table.oldRecord().begin() + 21),
              std::string(reinterpret_cast<const char*>(table.recordBuffer()), 21));

    table.readRecord(xb::req::kNext);
    EXPECT_EQ(table.currentRecord(), 2u);
    EXPECT_TRUE(table.isDeleted()) << "the raw read does not skip deleted records";
    table.readRecord(xb::req::kCurrent);
    EXPECT_EQ(table.currentRecord(), 2u);
    table.readRecord(xb::req::kLast);
    EXPECT_EQ(table.currentRecord(), 3u);
    EXPECT_FALSE(table.isDeleted());
    table.readRecord(xb::req::kPrior);
    EXPECT_EQ(table.currentRecord(), 2u);
    table.readRecord(1);
    table.readRecord(xb::req::kPrior);
    EXPECT_TRUE(table.bof());
    EXPECT_EQ(table.currentRecord(), 1u);
    EXPECT_EQ(table.getText(2), "first     ");

    // Count + 1: end of file, nothing read, the previous record kept.
    table.readRecord(3);
    table.readRecord(4);
    EXPECT_TRUE(table.eof());
    EXPECT_EQ(table.currentRecord(), 3u);
    EXPECT_EQ(table.getText(2), "third     ");
    table.readRecord(0);
    EXPECT_TRUE(table.eof()) << "request 0 does nothing";
    table.readRecord(xb::req::kNext);
    EXPECT_TRUE(table.eof());
    EXPECT_EQ(table.currentRecord(), 3u);

    const std::string beyond = "dBase record request beyond EOF - " + path;
    for (std::int64_t request : {std::int64_t{5}, std::int64_t{1000}, std::int64_t{-6}, std::int64_t{-100}}) {
        auto e = expectXbaseError([&] { table.readRecord(request); });
        EXPECT_EQ(e.Code(), 1002) << request;
        EXPECT_EQ(e.Location(), xb::loc::kRecordRead) << request;
        EXPECT_EQ(e.Message(), beyond) << request;
        EXPECT_EQ(table.currentRecord(), 3u);
        EXPECT_EQ(table.getText(2), "third     ");
    }

    // A record buffer lent by the caller receives the read; the table's own stays as it was.
    std::vector<std::uint8_t> lent(table.recordLength() + 1, '#');
    table.setRecordBuffer(lent.data());
    table.readRecord(1);
    EXPECT_EQ(std::string(lent.begin() + 3, lent.begin() + 13), "first     ");
    EXPECT_EQ(table.getText(2), "first     ");
    table.useOwnRecordBuffer();
    EXPECT_EQ(table.getText(2), "third     ");
}

TEST_F(TableOpenTest, RecordCutShortOrUnreadableIsReported) {
    const std::string path = write(drawImage());
    XBO_dBaseFld table(path, "", false, true);
    const std::string cut = "Xbase Error 221, SubCode 1207.\r " + path + ">1207";
    table.readRecord(2);

    {
        platform::FaultGuard guard(Fault{Call::Read, 0, 1, 0, 5});
        auto e = expectXbaseError([&] { table.readRecord(1); });
        EXPECT_EQ(e.Code(), 221);
        EXPECT_EQ(e.Location(), xb::loc::kRecordRead);
        EXPECT_EQ(e.Message(), cut);
        EXPECT_EQ(table.currentRecord(), 2u);
    }
    {
        platform::FaultGuard guard(Fault{Call::Read, 0, 1, platform::code::kReadFault, 0});
        auto e = expectXbaseError([&] { table.readRecord(3); });
        EXPECT_EQ(e.Message(), "Xbase Error 30, SubCode 1101.\r " + path + ">1101");
        EXPECT_EQ(table.currentRecord(), 2u);
    }

    // Another program cuts the file inside the last record after the count was taken.
    std::filesystem::resize_file(path, drawImage().recordOffset(3) + 10);
    auto e = expectXbaseError([&] { table.readRecord(3); });
    EXPECT_EQ(e.Message(), cut);
    EXPECT_EQ(table.currentRecord(), 2u);
    EXPECT_TRUE(table.isDeleted()) << "the failed read leaves the buffer as it was";
    EXPECT_EQ(table.getText(2), "second    ");
    table.readRecord(1);
    EXPECT_EQ(table.getText(2), "first     ");
}

}  // namespace
