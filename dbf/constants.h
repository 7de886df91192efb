// Numbers the storage engine shares between its layers: error codes and locations of the error
// report, record request codes, status events, table states and the lock protocols with their
// byte layouts.
#pragma once

#include <cstdint>

namespace xb {

// Error codes of the report (the platform's pass through unchanged).
namespace err {
inline constexpr int kInvalidAccess = 12;  // a create over a file this process has open
inline constexpr int kFileNotOpen = 103;   // a transfer on a closed disk file
inline constexpr int kShortRead = 221;     // the engine's own: a transfer cut short, no text
inline constexpr int kHeaderInvalid = 1001;
inline constexpr int kBeyondEof = 1002;
inline constexpr int kFieldName = 1003;
inline constexpr int kFieldType = 1004;
inline constexpr int kMemoFormat = 1005;
inline constexpr int kFormula = 1006;
inline constexpr int kNumberTooLarge = 1011;
inline constexpr int kFileReplaced = 1012;  // the name now leads to another file than the one open
inline constexpr int kManyNames = 1013;     // a file with hard links that a replacement would part
inline constexpr int kPasswordIncluded = 1269;
inline constexpr int kNoPassword = 1270;
inline constexpr int kInvalidPassword = 1271;
}  // namespace err

// Locations: which step failed.
namespace loc {
inline constexpr int kNone = -7;
inline constexpr int kRead = 1101;
inline constexpr int kWrite = 1102;
inline constexpr int kFileSize = 1105;
inline constexpr int kRename = 1106;
inline constexpr int kOpen = 1107;
inline constexpr int kCreate = 1108;
inline constexpr int kTruncate = 1109;
inline constexpr int kFlush = 1111;
inline constexpr int kTableOpen = 1204;
inline constexpr int kRecordRead = 1207;
inline constexpr int kPutDate = 1251;
inline constexpr int kPutNumber = 1261;
inline constexpr int kPutLogical = 1262;
inline constexpr int kFieldLookup = 1298;
inline constexpr int kTypeCheck = 1299;
inline constexpr int kChangeKey = 2105;
}  // namespace loc

// Record requests of the read operation; n >= 1 asks for record n.
namespace req {
inline constexpr std::int64_t kNext = -1;
inline constexpr std::int64_t kPrior = -2;
inline constexpr std::int64_t kFirst = -3;
inline constexpr std::int64_t kLast = -4;
inline constexpr std::int64_t kCurrent = -5;
}  // namespace req

// Status events raised by reads and writes (code, number).
namespace ev {
inline constexpr int kBlank = 0;
inline constexpr int kFieldPut = 1;
inline constexpr int kOpened = 2;
inline constexpr int kBeforeRead = 4;
inline constexpr int kBeforeWrite = 5;
inline constexpr int kAfterRead = 6;
inline constexpr int kAfterWrite = 7;
inline constexpr int kFlushed = 8;
}  // namespace ev

// Table states; only "normal" occurs in this program, the others belong to whole-table operations.
namespace state {
inline constexpr int kNormal = 1;
inline constexpr int kAppendOnly = 3;  // every replace becomes an append
inline constexpr int kKeepState = 5;   // survives a read
}  // namespace state

// Version bytes a table may carry.
namespace ver {
inline constexpr std::uint8_t kDbase3 = 0x03;
inline constexpr std::uint8_t kVersion30 = 0x30;
inline constexpr std::uint8_t kDbase3Memo = 0x83;
inline constexpr std::uint8_t kDbase4Memo = 0x8B;
inline constexpr std::uint8_t kFoxMemo = 0xF5;
}  // namespace ver

// Where the header's values lie in its first 32 bytes (numbers little-endian).
namespace hdr {
inline constexpr int kVersion = 0;
inline constexpr int kUpdateYear = 1;  // year modulo 100, then month and day
inline constexpr int kUpdateMonth = 2;
inline constexpr int kUpdateDay = 3;
inline constexpr int kRecordCount = 4;    // 32 bits
inline constexpr int kHeaderLength = 8;   // 16 bits
inline constexpr int kRecordLength = 10;  // 16 bits
inline constexpr int kEncrypted = 15;
inline constexpr int kUpdateStamp = 16;  // 32 bits: ((hour * 64 + minute) * 64 + second) * 1024 + ms
inline constexpr int kUserNumber = 20;   // 32 bits
inline constexpr int kTableFlags = 28;   // low three bits
inline constexpr int kLanguageDriver = 29;
}  // namespace hdr

// Where a field descriptor's values lie in its 32 bytes. The engine keeps the field's offset in
// the record and its 1-based number in bytes the file leaves unused.
namespace fld {
inline constexpr int kName = 0;  // up to 11 bytes, ended by a zero byte when shorter
inline constexpr int kNameSize = 11;
inline constexpr int kType = 11;
inline constexpr int kOffset = 12;  // 32 bits, the engine's own
inline constexpr int kLength = 16;  // C fields: bytes 16-17 are the length
inline constexpr int kDecimals = 17;
inline constexpr int kNumber = 26;  // 16 bits, the engine's own
}  // namespace fld

// What a table name without an extension is given, unless a file of exactly that name exists
// (see xb::lacksTableExtension). The file is found in any letter case.
inline constexpr const char* kTableExtension = ".dbf";

inline constexpr int kHeaderSize = 32;
inline constexpr int kDescriptorSize = 32;
inline constexpr int kVersion30Backlink = 263;
inline constexpr int kMaxFields = 4096;
inline constexpr std::uint8_t kEofByte = 0x1A;
inline constexpr std::uint8_t kDescriptorEnd = 0x0D;
inline constexpr std::uint8_t kDeletedFlag = '*';
inline constexpr std::uint8_t kLiveFlag = ' ';
inline constexpr std::int32_t kReadAheadSize = 32768;

}  // namespace xb

// Which bytes the record, append and whole-table locks occupy.
enum class TxbLokProtocol : int { Default = 0, DB4Lock = 1, ClipLock = 2, FoxLock = 3 };

namespace xb {

struct LockConstants {
    std::uint32_t lockBase;
    std::uint32_t appendByte;
    std::uint32_t fileLockLength;
};

inline constexpr LockConstants kDefaultLocks{0x40000000u, 0x7FFFFFFEu, 0x3FFFFFFFu};
inline constexpr LockConstants kDb4Locks{0x40000000u, 0xEFFFFFFFu, 0xB0000000u};
inline constexpr LockConstants kClipLocks{1000000000u, 1000000000u, 1000000000u};
inline constexpr LockConstants kFoxLocks{0x40000000u, 0x7FFFFFFEu, 0x3FFFFFFFu};

inline constexpr std::uint32_t kWholeFileLength = 0x7FFFFFFFu;

}  // namespace xb
