// Making table files through the platform seam, so that every step can be made to fail in a test.
#include "dbf/table_file.h"

#include "platform/ascii_case.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "dbf/constants.h"
#include "dbf/disk_file.h"
#include "dbf/error_report.h"
#include "dbf/text_numbers.h"
#include "platform/error_codes.h"
#include "platform/local_time.h"
#include "platform/os_file.h"

namespace xb {

namespace {

[[noreturn]] void raiseLastError(int location, const std::string& path) {
    raiseError(static_cast<int>(platform::lastError()), location, path);
}

}  // namespace

bool lacksTableExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    const bool noExtension = dot == std::string::npos || (slash != std::string::npos && dot < slash);
    return noExtension && !platform::isRegularFile(path);
}

std::vector<std::string> caseVariantsOf(const std::string& path) { return platform::caseVariants(path); }

std::string openedPathOf(const std::string& path) { return platform::fullPath(path); }

bool tableFileExists(const std::string& path) { return platform::isRegularFile(platform::fullPath(path)); }

bool anythingAt(const std::string& path) {
    const std::string full = platform::fullPath(path);
    if (full.empty() || platform::pathExists(full)) return true;
    const std::uint32_t why = platform::lastError();
    return why != platform::code::kFileNotFound && why != platform::code::kPathNotFound;
}

bool sameTableName(std::string_view a, std::string_view b) { return platform::sameAsciiIgnoringCase(a, b); }

std::uint32_t stampHeader(std::uint8_t* header, std::uint32_t recordCount) {
    const platform::LocalTime now = platform::localTime();
    const auto stamp =
        static_cast<std::uint32_t>(((now.hour * 64 + now.minute) * 64 + now.second) * 1024 + now.millisecond);
    header[hdr::kUpdateYear] = static_cast<std::uint8_t>(now.year % 100);
    header[hdr::kUpdateMonth] = static_cast<std::uint8_t>(now.month);
    header[hdr::kUpdateDay] = static_cast<std::uint8_t>(now.day);
    writeLe32(&header[hdr::kRecordCount], recordCount);
    writeLe32(&header[hdr::kUpdateStamp], stamp);
    return stamp;
}

std::vector<std::uint8_t> emptyTableImage(const std::vector<FieldSpec>& fields, std::uint8_t languageDriver) {
    const std::size_t headerLength = kHeaderSize + kDescriptorSize * fields.size() + 1;
    std::size_t recordLength = 1;
    for (const FieldSpec& field : fields) recordLength += field.length;
    std::vector<std::uint8_t> bytes(headerLength, 0);
    bytes[hdr::kVersion] = ver::kDbase3;
    stampHeader(bytes.data(), 0);
    writeLe16(&bytes[hdr::kHeaderLength], static_cast<std::uint16_t>(headerLength));
    writeLe16(&bytes[hdr::kRecordLength], static_cast<std::uint16_t>(recordLength));
    bytes[hdr::kLanguageDriver] = languageDriver;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::uint8_t* descriptor = &bytes[kHeaderSize + kDescriptorSize * i];
        const std::string& name = fields[i].name;
        std::copy_n(name.begin(), std::min<std::size_t>(name.size(), fld::kNameSize), descriptor + fld::kName);
        descriptor[fld::kType] = static_cast<std::uint8_t>(fields[i].type);
        descriptor[fld::kLength] = fields[i].length;
        descriptor[fld::kDecimals] = fields[i].decimals;
    }
    bytes[headerLength - 1] = kDescriptorEnd;
    bytes.push_back(kEofByte);
    return bytes;
}

std::string createTable(const std::string& path, const std::vector<FieldSpec>& fields, std::uint8_t languageDriver,
                        bool overEmpty) {
    // The full path has matched the name without regard to case, so the rename that gives the
    // name also refuses LOTOBASE.DBF, which an open of lotobase.dbf would otherwise keep finding.
    const std::string full = freeTablePath(path, path, overEmpty);
    const std::vector<std::uint8_t> image = emptyTableImage(fields, languageDriver);
    const std::string scratch = scratchNameBeside(full, "new");
    const platform::Handle handle = platform::openFile(scratch, true, false, platform::Disposition::CreateNew);
    if (handle == platform::kNoHandle) raiseLastError(loc::kCreate, full);
    std::uint32_t done = 0;
    bool written = platform::writeAt(handle, 0, image.data(), static_cast<std::uint32_t>(image.size()), done);
    if (written) written = platform::flushFile(handle);
    const std::uint32_t writeError = platform::lastError();
    const bool closed = platform::closeFile(handle);
    if (!written || !closed) {
        // Half made: a table that cannot be opened helps nobody.
        const std::uint32_t failure = written ? platform::lastError() : writeError;
        platform::removeFile(scratch);
        raiseError(static_cast<int>(failure), loc::kWrite, full);
    }
    try {
        renameToFreeName(scratch, full, overEmpty);
    } catch (...) {
        platform::removeFile(scratch);
        throw;
    }
    return full;
}

std::string freeTablePath(const std::string& path, const std::string& folder, bool overEmpty) {
    const std::string full = platform::fullPath(path);
    if (full.empty()) raiseLastError(loc::kCreate, folder);
    if (platform::pathExists(full) && !(overEmpty && isEmptyFile(full)))
        raiseError(static_cast<int>(platform::code::kAlreadyExists), loc::kCreate, full);
    return full;
}

bool isEmptyFile(const std::string& path) {
    const std::string full = platform::fullPath(path);
    if (full.empty() || !platform::isRegularFile(full)) return false;
    const platform::Handle handle = platform::openRegularFile(full);
    if (handle == platform::kNoHandle) return false;
    std::uint64_t size = 1;
    const bool sized = platform::fileSize(handle, size);
    platform::closeFile(handle);
    return sized && size == 0;
}

void flushScratchFile(const std::string& path) {
    const platform::Handle handle = platform::openFile(path, true, false, platform::Disposition::OpenExisting);
    if (handle == platform::kNoHandle) raiseLastError(loc::kOpen, path);
    const bool flushed = platform::flushFile(handle);
    const std::uint32_t failure = platform::lastError();
    const bool closed = platform::closeFile(handle);
    if (!flushed) raiseError(static_cast<int>(failure), loc::kFlush, path);
    if (!closed) raiseLastError(loc::kWrite, path);
}

void renameToFreeName(const std::string& from, const std::string& to, bool overEmpty) {
    if (platform::moveFileNoReplace(from, to)) return;
    // An empty file is no table: a new one takes its place, still only when nothing was written
    // into it meanwhile.
    if (overEmpty && platform::lastError() == platform::code::kAlreadyExists && isEmptyFile(to)) {
        if (!platform::moveFile(from, to)) raiseLastError(loc::kRename, to);
        return;
    }
    raiseLastError(loc::kRename, to);
}

void removeScratchFile(const std::string& path) { platform::removeFile(path); }

namespace {

// The kinds of scratch file made beside a table: a new table, a replacement of its draws, a
// packed or repaired copy, an import's reversed draws; and beside a picture, the new picture.
constexpr const char* kScratchKinds[] = {"new", "replace", "pack", "check", "reverse", "picture"};

// Removes "<name>.<id>.<kind>" in `directory` for each id of a process no longer running, and this
// process's own, which an earlier process of the same id left: of the kind `own`, or of every kind
// but this process's own when `own` is empty.
void removeStale(const std::string& directory, const std::string& name, const std::string& own) {
    for (const std::string& entry : platform::directoryEntries(directory)) {
        if (entry.size() <= name.size() + 2 || !entry.starts_with(name + ".")) continue;
        const std::size_t dot = entry.find('.', name.size() + 1);
        if (dot == std::string::npos) continue;
        const std::string id = entry.substr(name.size() + 1, dot - name.size() - 1);
        const std::string kind = entry.substr(dot + 1);
        if (std::find(std::begin(kScratchKinds), std::end(kScratchKinds), kind) == std::end(kScratchKinds)) continue;
        if (!own.empty() && kind != own) continue;
        if (id.empty() || id.size() > 9 || id.find_first_not_of("0123456789") != std::string::npos) continue;
        const long process = std::stol(id);
        const bool mine = process == platform::currentProcess();
        if ((mine && !own.empty()) || (!mine && !platform::processExists(process)))
            platform::removeFile(directory + (directory == "/" ? "" : "/") + entry);
    }
}

}  // namespace

std::string scratchNameBeside(const std::string& target, const std::string& kind) {
    constexpr std::size_t kNameLimit = 255;
    const std::size_t slash = target.find_last_of('/');
    const std::string directory = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string suffix = "." + std::to_string(platform::currentProcess()) + "." + kind;
    if (name.size() + suffix.size() > kNameLimit) {
        std::size_t cut = kNameLimit - suffix.size();
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        name.resize(cut);
    }
    removeStale(directory, name, kind);
    return directory + (directory == "/" ? "" : "/") + name + suffix;
}

void removeStaleScratchFiles(const std::string& target) {
    const std::string real = platform::resolvedPath(target);
    if (real.empty()) return;  // nothing there to write, so nothing left beside it
    const std::size_t slash = real.find_last_of('/');
    removeStale(slash == 0 ? "/" : real.substr(0, slash), real.substr(slash + 1), {});
}

NewTableFile::NewTableFile(std::string path) : m_path(std::move(path)) { open(); }

NewTableFile::NewTableFile(const XBO_DiskFile& table, const std::string& kind) {
    m_target = platform::resolvedPath(table.path());
    if (m_target.empty()) raiseLastError(loc::kOpen, table.path());
    platform::FileStatus status;
    if (!table.sharedHandle() || !platform::statusOf(table.sharedHandle()->handle, status))
        raiseLastError(loc::kOpen, table.path());
    if (status.links > 1) raiseError(err::kManyNames, loc::kOpen, table.path());
    m_path = scratchNameBeside(m_target, kind);
    open();
}

void NewTableFile::open() {
    m_handle = platform::openFile(m_path, true, false, platform::Disposition::CreateNew);
    if (m_handle == platform::kNoHandle) raiseLastError(loc::kCreate, m_path);
}

NewTableFile::~NewTableFile() {
    closeFile();
    if (!m_placed && !m_path.empty()) platform::removeFile(m_path);
}

void NewTableFile::closeFile() {
    if (m_handle != platform::kNoHandle) platform::closeFile(m_handle);
    m_handle = platform::kNoHandle;
}

void NewTableFile::append(const void* bytes, std::uint32_t length) {
    std::uint32_t done = 0;
    if (!platform::writeAt(m_handle, m_size, bytes, length, done)) raiseLastError(loc::kWrite, m_path);
    m_size += length;
}

void NewTableFile::placeOver(const XBO_DiskFile& table) {
    if (m_target.empty()) {
        m_target = platform::resolvedPath(table.path());
        if (m_target.empty()) raiseLastError(loc::kOpen, table.path());
    }
    // A copy that would lock the owner out, or let others in, must not take the table's place.
    if (!table.sharedHandle() || !platform::keepOwnerAndMode(table.sharedHandle()->handle, m_handle))
        raiseLastError(loc::kCreate, m_path);
    if (!platform::flushFile(m_handle)) raiseLastError(loc::kFlush, m_path);
    const bool closed = platform::closeFile(m_handle);
    m_handle = platform::kNoHandle;
    if (!closed) raiseLastError(loc::kWrite, m_path);
    if (!platform::moveFile(m_path, m_target)) raiseLastError(loc::kRename, m_path);
    m_placed = true;
}

bool writeWholeFileBeside(const std::string& path, const void* bytes, std::uint32_t size, const std::string& kind) {
    const auto failed = [](std::uint32_t code) {
        errno = platform::errnoFor(code);
        return false;
    };
    // A device named as the file (/dev/stdout, say) is written as it is; it has no place beside.
    const bool inPlace = !platform::isRegularFile(path) && platform::pathExists(path);
    std::string target = path;
    if (platform::isRegularFile(path)) target = platform::resolvedPath(path);  // a link's file is replaced
    if (target.empty()) return failed(platform::lastError());
    const std::string scratch = inPlace ? path : scratchNameBeside(target, kind);
    const platform::Handle file = inPlace ? platform::openForWriting(path)
                                          : platform::openFile(scratch, true, false, platform::Disposition::CreateNew);
    if (file == platform::kNoHandle) return failed(platform::lastError());
    std::uint32_t done = 0;
    bool written = platform::writeAt(file, 0, bytes, size, done) && (inPlace || platform::flushFile(file));
    std::uint32_t reason = platform::lastError();
    if (!platform::closeFile(file) && written) {
        written = false;
        reason = platform::lastError();
    }
    if (written && !inPlace && !platform::moveFile(scratch, target)) {
        written = false;
        reason = platform::lastError();
    }
    if (!written) {
        // The scratch file goes; of what was named in place, only a link that led to a device
        // (the device itself stays, whoever runs this).
        if (!inPlace || platform::isSymbolicLink(path)) platform::removeFile(scratch);
        return failed(reason);
    }
    return true;
}

}  // namespace xb
