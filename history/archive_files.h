// Archives kept as spreadsheets (.xlsx and .ods read by liborcus, .xls by libfreexl) or as web
// pages (gumbo), turned into the lines a draw file has: each row its cells' text parted by tabs,
// of the sheet or table that holds the draws. Dates stored as numbers are written as dates. A file
// that is neither text nor such a table is told apart by its first bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace history {

enum class ArchiveKind { kText, kPage, kXlsx, kOds, kXls, kBinary };

// The kind of a file from its first bytes (a few kilobytes are enough).
ArchiveKind archiveKindOf(std::string_view head);

// "XLSX", "ODS", "XLS", "HTML".
std::string archiveKindName(ArchiveKind kind);

// The rows of the sheet (or the page's table) with the most rows holding numbers, each ending in
// '\n'. Raises Exception with why when the file cannot be read as its kind.
std::string archiveTableText(const std::string& path, ArchiveKind kind);

// A spreadsheet's day number (days since 30.12.1899) with its fraction as "dd.mm.yyyy" or
// "dd.mm.yyyy hh:mm".
std::string serialDateText(double serial);

}  // namespace history

namespace history {

// The table of a spreadsheet or page at `path` as text lines, its kind in `format` ("XLSX");
// nullopt for a text file (why "") or for a file that is neither (why says so: "not a text file
// nor a table", or why the table could not be read).
std::optional<std::string> archiveText(const std::string& path, std::string& format, std::string& why);

}  // namespace history
