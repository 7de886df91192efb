// The table dataset over the storage engine: opening, record reads with the at-first and at-last
// marks, field values, counting, bookmarks, code pages, and the edit cycle with its record lock.
#include "dataset/xbase_dataset.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "dataset/aliases.h"
#include "dataset/xbase_dataset_private.h"
#include "dbf/dbf_date.h"
#include "dbf/table_file.h"
#include "dbf/text_numbers.h"
#include "platform/ascii_case.h"
#include "platform/code_page.h"
#include "platform/os_file.h"

namespace {

constexpr std::size_t kBookmarkSize = 11;

// A calculated or lookup field's slot: a flag byte (0 for null), then the value.
bool readCalcSlot(const std::uint8_t* slot, const TField& field, TFieldValue& value) {
    if (slot[0] == 0) return false;
    switch (field.DataType()) {
        case TFieldType::ftString:
            value = std::string(
                reinterpret_cast<const char*>(slot + 1),
                strnlen(reinterpret_cast<const char*>(slot + 1), static_cast<std::size_t>(field.DataSize())));
            break;
        case TFieldType::ftSmallint:
        case TFieldType::ftInteger: {
            std::int32_t number = 0;
            std::memcpy(&number, slot + 1, sizeof number);
            value = number;
            break;
        }
        case TFieldType::ftBoolean:
            value = slot[1] != 0;
            break;
        default: {
            double number = 0;
            std::memcpy(&number, slot + 1, sizeof number);
            value = number;
        }
    }
    return true;
}

}  // namespace

using namespace xbase_detail;

// ---- aliases ----------------------------------------------------------------------------------

std::vector<std::pair<std::string, std::string>>& TXbaseDataSet::Aliases() { return DirectoryAliases(); }

void TXbaseDataSet::LoadAliases() { LoadDirectoryAliases(); }

// ---- properties -------------------------------------------------------------------------------

TXbaseDataSet::TXbaseDataSet() = default;

TXbaseDataSet::~TXbaseDataSet() {
    try {
        Close();
    } catch (const Exception&) {
        // A window going away cannot report; the file is closed with the engine below.
    }
    m_engine.reset();
}

std::string TXbaseDataSet::About() const { return "Sharometr DBF engine 1.0"; }

void TXbaseDataSet::SetDatabaseName(const std::string& name) {
    CheckInactive();
    m_databaseName = RegisterDatabaseName(name);
}

void TXbaseDataSet::SetEncryptionKey(const std::string& key) {
    CheckInactive();
    m_encryptionKey = key;
}

void TXbaseDataSet::SetExclusive(bool exclusive) {
    CheckInactive();
    m_exclusive = exclusive;
}

void TXbaseDataSet::SetTableName(const std::string& name) {
    CheckInactive();
    if (name != m_tableName) m_indexFiles.clear();
    m_tableName = name;
}

void TXbaseDataSet::SetLockProtocol(TxbLokProtocol protocol) {
    m_lockProtocol = protocol;
    if (m_engine) m_engine->setLockProtocol(protocol);
}

void TXbaseDataSet::SetUseDeleted(bool useDeleted) {
    m_useDeleted = useDeleted;
    m_knownCount = {};
    if (m_engine) m_engine->setUseDeleted(useDeleted);
}

void TXbaseDataSet::SetUserID(std::int32_t user) {
    m_userID = user;
    if (m_engine) m_engine->setUserNumber(user);
}

void TXbaseDataSet::SetReadAhead(bool on) {
    if (m_engine) m_engine->setReadAhead(on);
}

bool TXbaseDataSet::ReadAhead() const { return m_engine && m_engine->readAheadOn(); }

void TXbaseDataSet::SetReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    if (m_engine && !m_engine->isReadWrite()) m_readOnly = true;
}

// ---- opening ----------------------------------------------------------------------------------

std::string TXbaseDataSet::ResolveDirectory() const { return DatabaseDirectory(m_databaseName); }

std::string TXbaseDataSet::TablePath() const { return ResolveDirectory() + m_tableName; }

void TXbaseDataSet::InternalOpen() {
    if (m_tableName.empty()) DatabaseError(xbtext::STableNameMissing);
    // The engine's rule: a file of exactly the name given is the table, whatever its name. The
    // dataset shows the added extension in capitals, as table names have always been shown.
    if (xb::lacksTableExtension(TablePath())) m_tableName += platform::upperAscii(xb::kTableExtension);
    const std::string path = TablePath();
    if (!platform::pathExists(platform::fullPath(path))) {
        DatabaseError(FormatMessage(xbtext::SCannotFindFile, {path}));
    }
    m_engine = std::make_unique<DBFObject>(path, m_encryptionKey, !m_readOnly, !m_exclusive,
                                           static_cast<DBFObjectHooks*>(this));
    m_engine->setUseDeleted(m_useDeleted);
    m_engine->setLockProtocol(m_lockProtocol);
    m_engine->setUserNumber(m_userID);
    m_engine->setReadAhead(false);
    m_recordLength = m_engine->recordLength();
    try {
        BuildFieldDefs();
        CreateFields();
    } catch (...) {
        m_engine.reset();
        throw;
    }
    m_atFirst = true;
    m_atLast = false;
    m_editInProgress = false;
}

void TXbaseDataSet::BuildFieldDefs() {
    auto& defs = FieldDefs();
    defs.clear();
    for (int n = 1; n <= m_engine->fieldCount(); ++n) {
        TFieldDef def;
        def.Name = m_engine->fieldName(n);
        def.FieldNo = n;
        const auto length = static_cast<int>(m_engine->fieldLength(n));
        switch (m_engine->fieldType(n)) {
            case 'C':
                def.DataType = TFieldType::ftString;
                def.Size = std::min(length, 65535);
                break;
            case 'N':
            case 'F':
                if (m_engine->fieldDecimals(n) > 0) {
                    def.DataType = TFieldType::ftFloat;
                } else {
                    def.DataType = length >= 5 ? TFieldType::ftInteger : TFieldType::ftSmallint;
                }
                break;
            case 'I':
                def.DataType = TFieldType::ftInteger;
                break;
            case 'L':
                def.DataType = TFieldType::ftBoolean;
                break;
            case 'D':
                def.DataType = TFieldType::ftDate;
                break;
            case 'T':
                def.DataType = TFieldType::ftDateTime;
                break;
            case 'M':
                def.DataType = TFieldType::ftMemo;
                break;
            case 'B':
            case 'G':
                def.DataType = TFieldType::ftBlob;
                break;
            default:
                // No field object; the columns after it keep their own engine field numbers.
                continue;
        }
        defs.push_back(def);
    }
}

void TXbaseDataSet::InternalClose() {
    DestroyFields();
    m_engine.reset();
    m_knownCount = {};
    m_atFirst = false;
    m_atLast = false;
    m_editInProgress = false;
}

// ---- row buffers ------------------------------------------------------------------------------

std::size_t TXbaseDataSet::RecordInfoOffset() const {
    return m_recordLength + static_cast<std::size_t>(CalcFieldsSize());
}

TRecordBuffer TXbaseDataSet::AllocRecordBuffer() {
    const std::size_t size = RecordInfoOffset() + sizeof(std::int32_t) + 1 + kBookmarkSize;
    auto* buffer = new std::uint8_t[size];
    std::memset(buffer, ' ', m_recordLength);
    std::memset(buffer + m_recordLength, 0, size - m_recordLength);
    return buffer;
}

void TXbaseDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
    delete[] buffer;
    buffer = nullptr;
}

std::int32_t TXbaseDataSet::RowRecordNumber(TRecordBuffer buffer) const {
    std::int32_t number = 0;
    std::memcpy(&number, buffer + RecordInfoOffset(), sizeof number);
    return number;
}

void TXbaseDataSet::SetRowRecordNumber(TRecordBuffer buffer, std::int32_t number) {
    std::memcpy(buffer + RecordInfoOffset(), &number, sizeof number);
}

TBookmarkFlag TXbaseDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
    return static_cast<TBookmarkFlag>(buffer[RecordInfoOffset() + sizeof(std::int32_t)]);
}

void TXbaseDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
    buffer[RecordInfoOffset() + sizeof(std::int32_t)] = static_cast<std::uint8_t>(flag);
}

TBookmarkStr TXbaseDataSet::GetBookmarkData(TRecordBuffer buffer) {
    const auto* start = reinterpret_cast<const char*>(buffer + RecordInfoOffset() + sizeof(std::int32_t) + 1);
    return std::string(start, strnlen(start, kBookmarkSize));
}

void TXbaseDataSet::SetBookmarkData(TRecordBuffer buffer, const TBookmarkStr& bookmark) {
    std::uint8_t* start = buffer + RecordInfoOffset() + sizeof(std::int32_t) + 1;
    std::memset(start, 0, kBookmarkSize);
    std::memcpy(start, bookmark.data(), std::min(bookmark.size(), kBookmarkSize - 1));
}

void TXbaseDataSet::ClearCalcFields(TRecordBuffer buffer) {
    std::memset(buffer + m_recordLength, 0, static_cast<std::size_t>(CalcFieldsSize()));
}

// ---- reading ----------------------------------------------------------------------------------

TGetResult TXbaseDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) {
    if (!m_engine) return TGetResult::grError;
    if (mode == TGetMode::gmCurrent && (m_atFirst || m_atLast)) return TGetResult::grError;
    TGetResult result = TGetResult::grOK;
    try {
        EngineRow row(*m_engine, buffer);
        switch (mode) {
            case TGetMode::gmNext:
                if (m_atFirst) {
                    m_atFirst = false;
                    m_engine->readRecord(xb::req::kFirst);
                } else {
                    m_engine->readRecord(xb::req::kNext);
                }
                break;
            case TGetMode::gmPrior:
                if (m_atLast) {
                    m_atLast = false;
                    m_engine->readRecord(xb::req::kLast);
                } else {
                    m_engine->readRecord(xb::req::kPrior);
                }
                break;
            case TGetMode::gmCurrent:
                m_engine->readRecord(xb::req::kCurrent);
                break;
        }
        if (m_engine->eof()) {
            result = TGetResult::grEOF;
        } else if (m_engine->bof()) {
            result = TGetResult::grBOF;
        } else {
            const auto number = static_cast<std::int32_t>(m_engine->currentRecord());
            SetRowRecordNumber(buffer, number);
            SetBookmarkFlag(buffer, TBookmarkFlag::bfCurrent);
            std::string bookmark = std::to_string(number);
            bookmark.insert(0, 10 - std::min<std::size_t>(bookmark.size(), 10), ' ');
            SetBookmarkData(buffer, bookmark);
        }
    } catch (const Exception&) {
        result = TGetResult::grError;
        if (doCheck) DatabaseError(xbtext::SRecordBeyondRange);
    }
    if (result == TGetResult::grOK) GetCalcFields(buffer);
    return result;
}

void TXbaseDataSet::InternalFirst() {
    m_atFirst = true;
    m_atLast = false;
}

void TXbaseDataSet::InternalLast() {
    m_atLast = true;
    m_atFirst = false;
    m_engine->readRecord(xb::req::kLast);
}

void TXbaseDataSet::GotoRecordNumber(std::int64_t number) {
    m_engine->readRecord(number);
    m_atFirst = false;
    m_atLast = false;
}

void TXbaseDataSet::InternalSetToRecord(TRecordBuffer buffer) {
    // By the row's bookmark: a new row has no record of its own but the bookmark of its place.
    long double number = 0;
    const TBookmarkStr bookmark = GetBookmarkData(buffer);
    if (!bookmark.empty() && xb::parseDecimal(xb::trimRight(bookmark), number) && number >= 1) {
        GotoRecordNumber(static_cast<std::int64_t>(number));
    } else {
        GotoRecordNumber(RowRecordNumber(buffer));
    }
}

void TXbaseDataSet::InternalGotoBookmark(const TBookmarkStr& bookmark) {
    long double number = 0;
    if (!xb::parseDecimal(xb::trimRight(bookmark), number) || number != std::floor(number) || number < 1 ||
        number > 2147483647.0L) {
        DatabaseError(xbtext::SBookmarkInvalid + m_tableName);
    }
    GotoRecordNumber(static_cast<std::int64_t>(number));
}

int TXbaseDataSet::CompareBookmarks(const TBookmarkStr& first, const TBookmarkStr& second) {
    if (first.empty() || second.empty()) {
        if (first.empty() && second.empty()) return 0;
        return first.empty() ? -1 : 1;
    }
    const int order = std::strcmp(first.c_str(), second.c_str());
    return order < 0 ? -1 : order > 0 ? 1 : 0;
}

bool TXbaseDataSet::BookmarkValid(const TBookmarkStr& bookmark) {
    if (!m_engine) return false;
    long double number = 0;
    if (!xb::parseDecimal(xb::trimRight(bookmark), number) || number != std::floor(number)) return false;
    return number >= 1 && number <= m_engine->recordCount();
}

TRecordBuffer TXbaseDataSet::CurrentRowBuffer() {
    switch (State()) {
        case TDataSetState::dsCalcFields:
            return CalcBuffer();
        case TDataSetState::dsFilter:
            return m_engine ? m_engine->recordBuffer() : nullptr;
        default:
            return IsEmpty() ? nullptr : ActiveBuffer();
    }
}

bool TXbaseDataSet::GetFieldData(const TField& field, TFieldValue& value) {
    value = std::monostate{};
    if (!m_engine) return false;
    TRecordBuffer buffer = CurrentRowBuffer();
    if (!buffer) return false;
    if (field.FieldKind() == TFieldKind::fkCalculated || field.FieldKind() == TFieldKind::fkLookup) {
        return readCalcSlot(buffer + m_recordLength + field.Offset(), field, value);
    }
    const int n = field.FieldNo();
    // The engine reads the row it is pointed at; in the filter state it already is.
    const bool filtering = State() == TDataSetState::dsFilter;
    std::optional<EngineRow> row;
    if (!filtering) row.emplace(*m_engine, buffer);
    if (BlankIsNull(n) && m_engine->getText(n).find_first_not_of(' ') == std::string::npos) return false;
    switch (field.DataType()) {
        case TFieldType::ftString: {
            std::string text = xb::trimRight(m_engine->getText(n));
            if (text.empty()) return false;
            value = std::move(text);
            return true;
        }
        case TFieldType::ftSmallint:
        case TFieldType::ftInteger:
            value = EngineInteger(n);
            return true;
        case TFieldType::ftFloat:
            value = static_cast<double>(m_engine->getNumber(n));
            return true;
        case TFieldType::ftDateTime: {
            const long double ms = m_engine->getNumber(n);
            value = static_cast<double>(ms / kMsPerDay - kDaysFromYearOneTo1899);
            return true;
        }
        case TFieldType::ftBoolean:
            value = m_engine->getLogical(n);
            return true;
        case TFieldType::ftDate: {
            const std::string text = xb::trimRight(m_engine->getText(n));
            if (text.size() != 8 || text == "00000000") return false;
            if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
            TDateTime date = 0;
            if (!TryEncodeDate(std::stoi(text.substr(0, 4)), std::stoi(text.substr(4, 2)), std::stoi(text.substr(6, 2)),
                               date)) {
                return false;
            }
            value = date;
            return true;
        }
        case TFieldType::ftMemo:
        case TFieldType::ftBlob: {
            const long double reference = m_engine->getNumber(n);
            if (reference == 0) return false;
            value = static_cast<double>(reference);
            return true;
        }
        default:
            return false;
    }
}

std::string TXbaseDataSet::Translate(const std::string& text, bool toTable) {
    std::string converted = text;
    if (m_translateASCII) {
        if (toTable) {
            platform::ansiToOem(converted);
        } else {
            platform::oemToAnsi(converted);
        }
    }
    return converted;
}

// ---- counting and positioning -----------------------------------------------------------------

int TXbaseDataSet::RecordCount() {
    CheckActive();
    if (!m_exactCount) return static_cast<int>(m_engine->recordCount());
    if (const KnownCount* known = FileVisibility()) return known->count;
    // The count walks the table in the engine's own buffer, so the rows on show stay as they are.
    // Reading it in blocks rather than record by record keeps the walk cheap on long tables; the
    // records counted are those in the file at this moment either way.
    // The engine returns to the record it stood on; a row being inserted has none of its own.
    const std::int64_t saved = m_engine->currentRecord();
    const bool readAhead = m_engine->readAheadOn();
    m_engine->useOwnRecordBuffer();
    m_engine->setReadAhead(true);
    int count = 0;
    try {
        m_engine->readRecord(xb::req::kFirst);
        while (!m_engine->eof()) {
            ++count;
            m_engine->readRecord(xb::req::kNext);
        }
    } catch (...) {
        m_engine->setReadAhead(readAhead);
        CursorPosChanged();
        throw;
    }
    m_engine->setReadAhead(readAhead);
    m_engine->readRecord(saved);
    // The base dataset cannot know where the engine stands now: it positions again before it
    // reads on from its rows.
    CursorPosChanged();
    return count;
}

const TXbaseDataSet::KnownCount* TXbaseDataSet::FileVisibility() {
    // Without a filter handler or a status handler no code of ours decides which record shows:
    // the file alone does, and its records are read in blocks, once for each version of it.
    if ((m_filtered && OnFilterRecord) || OnStatus) return nullptr;
    XBO_DiskFile::Version version;
    const bool versioned = m_engine->fileVersion(version);
    if (versioned && m_knownCount.known && version == m_knownCount.version) return &m_knownCount;
    KnownCount read;
    read.count = static_cast<int>(m_engine->visibleCountInBlocks(&read.hidden));
    // Another program's write within the file system's clock tick of the last one leaves the
    // version as it was: what was read of a file written that recently is not kept.
    constexpr std::int64_t kSettledNanoseconds = 2'000'000'000;
    const std::int64_t now =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    read.known = versioned && now - version.system.modified > kSettledNanoseconds;
    read.version = version;
    m_knownCount = std::move(read);
    return &m_knownCount;
}

int TXbaseDataSet::SequenceNo() {
    const int recNo = RecNo();
    if (recNo <= 0 || !m_exactCount) return recNo;
    const KnownCount* known = FileVisibility();
    if (!known) return recNo;
    // The records before this one, less those hidden among them.
    const auto hiddenBefore = std::ranges::lower_bound(known->hidden, static_cast<std::uint32_t>(recNo));
    return recNo - static_cast<int>(hiddenBefore - known->hidden.begin());
}

void TXbaseDataSet::SetSequenceNo(int place) {
    // A row being typed is saved first: the records shown may change with it.
    CheckBrowseMode();
    const KnownCount* known = place > 0 && m_exactCount ? FileVisibility() : nullptr;
    if (!known) return SetRecNo(place);
    // The hidden records before the place-th shown one are those with fewer than `place` shown
    // records below them; the k-th hidden record (from 0) has its number less k + 1 below it.
    const std::vector<std::uint32_t>& hidden = known->hidden;
    std::size_t low = 0;
    std::size_t high = hidden.size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (std::int64_t{hidden[middle]} - static_cast<std::int64_t>(middle) - 1 < place) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    SetRecNo(place + static_cast<int>(low));
}

bool TXbaseDataSet::BlankIsNull(int n) const {
    if (!m_blankNumbersNull) return false;
    const char type = m_engine->fieldType(n);
    return type == 'N' || type == 'F';
}

std::int32_t TXbaseDataSet::EngineInteger(int n) const {
    const long double number = m_engine->getNumber(n);
    const double rounded = RoundHalfEven(static_cast<double>(number));
    if (rounded < -2147483648.0 || rounded > 2147483647.0) throw ERangeError("Range check error");
    return static_cast<std::int32_t>(rounded);
}

bool TXbaseDataSet::IntegerColumns(std::span<const TField* const> fields, std::vector<int>& numbers,
                                   std::vector<std::uint32_t>& offsets, bool& twoByteFields) const {
    for (const TField* field : fields) {
        const int n = field->FieldNo();
        const char type = m_engine->fieldType(n);
        if (field->FieldKind() != TFieldKind::fkData || field->DataSet() != this ||
            (field->DataType() != TFieldType::ftSmallint && field->DataType() != TFieldType::ftInteger) ||
            (type != 'N' && type != 'F') || m_engine->fieldDecimals(n) != 0) {
            return false;
        }
        numbers.push_back(n);
        offsets.push_back(m_engine->fieldOffset(n));
        twoByteFields = twoByteFields && m_engine->fieldLength(n) == 2;
    }
    return true;
}

bool TXbaseDataSet::ScanByteFields(std::span<const TField* const> fields, std::uint8_t largest,
                                   const ByteRowsVisitor& visit, std::uint32_t last) {
    CheckActive();
    if ((m_filtered && OnFilterRecord) || OnStatus) return false;
    std::vector<int> numbers;
    std::vector<std::uint32_t> offsets;
    bool twoByteFields = true;
    if (!IntegerColumns(fields, numbers, offsets, twoByteFields)) return false;
    const std::size_t width = numbers.size();
    const std::size_t kBatch = std::clamp<std::size_t>(m_engine->recordCount(), 16, 4096);
    // Eight bytes more than the rows need: a run of two-byte fields writes eight at a time.
    const auto cellBuffer = std::make_unique_for_overwrite<std::uint8_t[]>(kBatch * width + 8);
    const auto recordBuffer = std::make_unique_for_overwrite<std::uint32_t[]>(kBatch);
    std::uint8_t* const cells = cellBuffer.get();
    std::uint32_t* const records = recordBuffer.get();
    std::size_t rows = 0;
    // A record field by field: the small whole numbers in place, any other text through the
    // engine, as AsInteger reads it. Out of line: inlined, the rare record that needs it would
    // crowd the registers of the block's loop.
    auto fieldByField = [&](std::uint8_t * record, std::uint8_t * out) __attribute__((noinline)) {
        for (std::size_t c = 0; c < width; ++c) {
            std::int32_t value = 0;
            if (!xb::decodeSmallWhole(record + offsets[c], m_engine->fieldLength(numbers[c]), value)) {
                EngineRow row(*m_engine, record);
                value = EngineInteger(numbers[c]);
            }
            out[c] = xb::byteInRange(value, largest);
        }
    };
    const std::size_t length = m_engine->recordLength();
    // Two-byte fields one after the other are read sixteen bytes at a time, which may run past
    // the fields: the records whose reads stay within the block go that way.
    bool sideBySide = twoByteFields;
    for (std::size_t c = 1; c < width; ++c) sideBySide = sideBySide && offsets[c] == offsets[0] + 2 * c;
    const std::size_t runBytes = 16 * ((width + 7) / 8);
    const XBO_dBHandler* engine = m_engine.get();
    m_engine->scanRecordBlocks(
        [&](std::uint8_t* block, std::uint32_t count, std::uint32_t first) {
            const std::size_t blockBytes = static_cast<std::size_t>(count) * length;
            const std::size_t reach = offsets[0] + runBytes;
            const std::uint32_t inReach =
                !sideBySide || reach > blockBytes ? 0 : static_cast<std::uint32_t>((blockBytes - reach) / length + 1);
            // Locals, so that the loop runs on registers (byte stores could alias any member).
            const std::uint8_t* fields0 = block + offsets[0];
            const std::size_t w = width;
            const xb::TwoByteFieldReader reader(w, largest);
            const std::size_t batch = kBatch;
            std::size_t row = rows;
            for (std::uint32_t i = 0; i < count; ++i) {
                std::uint8_t* record = block + i * length;
                if (!engine->isVisibleImage(record)) continue;
                std::uint8_t* out = cells + row * w;
                if (i >= inReach || !reader.read(fields0 + i * length, out)) fieldByField(record, out);
                records[row] = first + i;
                if (++row == batch) {
                    visit(std::span(cells, batch * w), std::span(records, batch));
                    row = 0;
                }
            }
            rows = row;
        },
        last);
    if (rows > 0) visit(std::span(cells, rows * width), std::span(records, rows));
    return true;
}

int TXbaseDataSet::RecNo() {
    CheckActive();
    if (State() == TDataSetState::dsCalcFields) return CalcBuffer() ? RowRecordNumber(CalcBuffer()) : 0;
    if (IsEmpty()) return 0;
    return RowRecordNumber(ActiveBuffer());
}

void TXbaseDataSet::SetRecNo(int recNo) {
    CheckBrowseMode();
    DoBeforeScroll();
    GotoRecordNumber(recNo);
    Resync(rmCenter);
    DoAfterScroll();
}

// ---- the engine's hooks -----------------------------------------------------------------------

bool TXbaseDataSet::acceptRecord() {
    if (!Active() || !m_filtered || !OnFilterRecord) return true;
    // The handler reads the record under test from the engine's buffer.
    const TDataSetState saved = State();
    bool accept = true;
    ForceState(TDataSetState::dsFilter);
    try {
        OnFilterRecord(*this, accept);
    } catch (...) {
        ForceState(saved);
        throw;
    }
    ForceState(saved);
    return accept;
}

void TXbaseDataSet::statusReport(int code, std::int64_t number) {
    if (OnStatus) OnStatus(*this, code, number);
}

void TXbaseDataSet::formulaRequest(const std::string& formula) {
    if (OnFormula) OnFormula(*this, formula);
}

void SetDrawTableProperties(TXbaseDataSet& dataset, const std::string& name, const std::string& tableName) {
    dataset.SetName(name);
    dataset.SetTableName(tableName);
    dataset.SetExclusive(false);
    dataset.SetExactCount(true);
    dataset.SetUseDeleted(false);
    dataset.SetTranslateASCII(true);
    dataset.SetLockProtocol(TxbLokProtocol::Default);
    dataset.SetUserID(0);
}
