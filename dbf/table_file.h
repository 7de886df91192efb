// Making table files: the header's date and update stamp, the image of an empty table, creating a
// new table, and the new file that takes a table's place when a whole table is rewritten.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os_file.h"

class XBO_DiskFile;

namespace xb {

// One field of a new table.
struct FieldSpec {
    std::string name;  // at most 11 characters
    char type = 'C';
    std::uint8_t length = 0;
    std::uint8_t decimals = 0;
};

// Whether `path` wants the table extension (kTableExtension) added: its last component has no
// extension and no regular file of exactly that name exists, for a table kept under another name
// is the one meant, not one beside it with the extension.
bool lacksTableExtension(const std::string& path);

// The files whose names differ from `path`'s only in letter case, and the full path an open of
// `path` takes among them (the exact name first).
std::vector<std::string> caseVariantsOf(const std::string& path);
std::string openedPathOf(const std::string& path);
// Whether `path` names a regular file, found as an open would find it (in any letter case).
bool tableFileExists(const std::string& path);
// Whether anything at all stands at the name: a table, a directory, a device. False only when the
// name is known to be free; a look that fails counts as something there, for its open to tell.
bool anythingAt(const std::string& path);
// Whether two table names are the same but for the letter case of ASCII letters.
bool sameTableName(std::string_view a, std::string_view b);

// Sets the header's record count, its date of last update and its update stamp to the local clock,
// as every header write of the engine does; `header` holds at least the 32 header bytes. Returns
// the stamp.
std::uint32_t stampHeader(std::uint8_t* header, std::uint32_t recordCount);

// The bytes of an empty table: version 0x03, stamped now, no records, the descriptors, the
// terminator and the end-of-file byte; `languageDriver` names the code page of its text.
std::vector<std::uint8_t> emptyTableImage(const std::vector<FieldSpec>& fields, std::uint8_t languageDriver);

// Creates the table `path` empty with these fields and returns its full path. A file of that name
// (in any letter case, as an open would find it) is refused, and so is a missing folder; a table
// that cannot be written whole is removed again. Failures raise EXbaseError naming the path.
// The table is written whole and put on the disk under a scratch name beside its place, then given
// its name, so that a failure or a kill never leaves a half-made table under it. With
// `overEmpty`, an empty file (0 bytes) standing under the name, which such a kill of an earlier
// program can have left, is replaced rather than refused.
std::string createTable(const std::string& path, const std::vector<FieldSpec>& fields, std::uint8_t languageDriver,
                        bool overEmpty = false);

// The full path of a table about to be made at `path`, found as an open would find it: a file or
// folder standing there under that name, in any letter case, is refused (already exists) naming
// the full path, and a path that cannot be made full raises naming `folder`.
std::string freeTablePath(const std::string& path, const std::string& folder, bool overEmpty = false);
// Gives the file `from` the name `to` unless something stands there by then: never a
// replacement (but of an empty file with `overEmpty`). Failures raise EXbaseError naming `to`.
void renameToFreeName(const std::string& from, const std::string& to, bool overEmpty = false);
// Whether `path`, as an open would find it, is a regular file of 0 bytes: a table whose making
// was cut short by an older program, no table.
bool isEmptyFile(const std::string& path);
// Puts a scratch file written through the engine on the disk before it takes a name.
void flushScratchFile(const std::string& path);
// Removes a scratch file that is not wanted after all; one that stays is removed by the next
// scratchNameBeside of its kind once its process has ended.
void removeScratchFile(const std::string& path);

// The name of a scratch file of this process beside `target`: "<name>.<pid>.<kind>", the name cut
// (at a character's edge) so that the whole stays within the system's limit for one name. Scratch
// files of that kind for that target left by processes no longer running are removed first, and so
// is one of this process's id, which an earlier process of the same id left.
std::string scratchNameBeside(const std::string& target, const std::string& kind);

// Writes `size` bytes as the whole file `path`: beside it under a scratch name of `kind`, flushed,
// then renamed over it (a link's file is replaced), so that a failure neither leaves a part behind
// a success nor takes away the file that was there. A device named as the file is written in
// place. False, with errno saying why, when the file could not be written whole.
bool writeWholeFileBeside(const std::string& path, const void* bytes, std::uint32_t size, const std::string& kind);
// Removes the scratch files of every kind the engine and its callers make beside the table at
// `target` (links followed) that processes no longer running left behind: what a command that
// writes the table does first.
void removeStaleScratchFiles(const std::string& target);

// A file made new to take a table's place: it is removed again unless placeOver has put it there.
// Failures raise EXbaseError naming this file.
class NewTableFile {
public:
    explicit NewTableFile(std::string path);  // refused when the file exists
    // The scratch file `kind` beside the table's real file (links followed), for a table that has
    // one name only: a copy renamed over one of several hard links would part them (kManyNames).
    NewTableFile(const XBO_DiskFile& table, const std::string& kind);
    ~NewTableFile();
    NewTableFile(const NewTableFile&) = delete;
    NewTableFile& operator=(const NewTableFile&) = delete;

    // Writes `length` bytes after those already written.
    void append(const void* bytes, std::uint32_t length);
    // Gives the file the table's owner, group and permission bits (refused when the system will
    // not), puts it on the disk, then renames it over the table's real file.
    void placeOver(const XBO_DiskFile& table);
    const std::string& path() const { return m_path; }

private:
    void open();
    void closeFile();

    std::string m_path;
    std::string m_target;  // the real file to replace; empty: the table's path, links followed then
    platform::Handle m_handle = platform::kNoHandle;
    std::uint64_t m_size = 0;
    bool m_placed = false;
};

}  // namespace xb
