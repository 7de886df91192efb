// The draw tables' layout, the empty table written with plain file calls, and appending a draw
// through the engine.
#include "cli/draw_tables.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>

#include "cli/command_support.h"
#include "dbf/constants.h"
#include "dbf/error_report.h"
#include "dbf/table_handler.h"
#include "platform/error_codes.h"
#include "platform/os_file.h"

namespace cli {

namespace {

constexpr std::uint8_t kFieldWidth = 2;
// Language driver mark of the DOS Russian code page (866), the code page of table text.
constexpr std::uint8_t kCodePageMark = 0x65;

void putLe16(std::string& bytes, std::size_t at, std::uint16_t value)
{
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

void putLe32(std::string& bytes, std::size_t at, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::string drawFieldCounts()
{
    std::string counts;
    for (const Game* game : Games()) {
        if (!counts.empty()) counts += " or ";
        counts += std::to_string(game->fieldsPerDraw);
    }
    return counts;
}

std::string emptyTableImage(const Game& game)
{
    const auto fields = static_cast<std::size_t>(game.fieldsPerDraw);
    const std::size_t headerLength = xb::kHeaderSize + xb::kDescriptorSize * fields + 1;
    const std::size_t recordLength = 1 + kFieldWidth * fields;
    std::string bytes(headerLength, '\0');

    bytes[0] = static_cast<char>(xb::ver::kDbase3);
    stampHeaderNow(bytes);
    putLe32(bytes, 4, 0);
    putLe16(bytes, 8, static_cast<std::uint16_t>(headerLength));
    putLe16(bytes, 10, static_cast<std::uint16_t>(recordLength));
    bytes[29] = static_cast<char>(kCodePageMark);

    for (std::size_t field = 0; field < fields; ++field) {
        const std::size_t at = xb::kHeaderSize + xb::kDescriptorSize * field;
        const std::string name = game.fieldPrefix + std::to_string(field + 1);
        bytes.replace(at, name.size(), name);
        bytes[at + 11] = 'N';
        bytes[at + 16] = static_cast<char>(kFieldWidth);
        bytes[at + 17] = 0;  // decimals
    }
    bytes[headerLength - 1] = static_cast<char>(xb::kDescriptorEnd);
    bytes.push_back(static_cast<char>(xb::kEofByte));
    return bytes;
}

std::string createEmptyTable(const std::string& directory, const Game& game)
{
    std::string path = directory;
    if (path.empty() || path.back() != '/')
        path += '/';
    path = platform::fullPath(path + std::string(game.tableFileName));
    if (path.empty())
        xb::raiseError(static_cast<int>(platform::lastError()), xb::loc::kCreate, directory);
    // fullPath has matched the name without regard to case, so this also finds LOTOBASE.DBF,
    // which the engine would otherwise keep opening in place of the new file.
    if (platform::pathExists(path))
        xb::raiseError(static_cast<int>(platform::code::kAlreadyExists), xb::loc::kCreate, path);
    struct stat folder {};
    if (::stat(directory.c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode))
        xb::raiseError(static_cast<int>(platform::code::kPathNotFound), xb::loc::kCreate, path);

    // O_EXCL: should the file appear after the check above, it is refused rather than emptied.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        xb::raiseError(static_cast<int>(platform::windowsCodeFor(error, error == ENOENT)), xb::loc::kCreate, path);
    }
    const std::string image = emptyTableImage(game);
    std::uint32_t done = 0;
    const bool written = platform::writeAt(fd, 0, image.data(), static_cast<std::uint32_t>(image.size()), done);
    const std::uint32_t writeError = platform::lastError();
    const bool closed = ::close(fd) == 0;
    const int closeError = errno;
    if (!written || !closed) {
        // The file is ours and half made: a table that cannot be opened helps nobody.
        ::unlink(path.c_str());
        const auto code = written ? platform::writeCodeFor(closeError) : writeError;
        xb::raiseError(static_cast<int>(code), xb::loc::kWrite, path);
    }
    return path;
}

void appendDraw(DBFObject& table, std::span<const int> numbers)
{
    if (static_cast<int>(numbers.size()) != table.fieldCount())
        throw std::logic_error("a draw of " + std::to_string(numbers.size()) + " numbers for a table of " +
                               std::to_string(table.fieldCount()) + " fields");
    table.blankRecord();
    for (std::size_t i = 0; i < numbers.size(); ++i)
        table.putValueText(static_cast<int>(i) + 1, std::to_string(numbers[i]));
    table.appendRecord();
}

}  // namespace cli
