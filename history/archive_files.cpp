// Spreadsheets and pages read as rows of cells.
#include "history/archive_files.h"

#include <freexl.h>
#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/import_interface.hpp>

#include <cctype>
#include <cmath>
#include <stdexcept>
#include <cstdio>
#include <memory>
#include <sstream>
#include <vector>

#include "history/html_table.h"
#include "platform/exception.h"
#include "platform/os_file.h"

namespace history {

namespace ss = orcus::spreadsheet;

namespace {

// A sheet's text, a line a row, and how many of its rows hold a number.
struct SheetText {
    std::string text;
    std::size_t rowsWithNumbers = 0;
};

// The cells of one row as they come, written out when the next row begins: only the text of the
// sheet is kept, never its cells.
class RowWriter {
public:
    explicit RowWriter(SheetText& sheet) : m_sheet(sheet) {}
    void cell(int row, int column, std::string text) {
        if (row != m_row) flush();
        m_row = row;
        // The first row's words name the columns: a column named as a date holds day numbers.
        if (m_rows == 0 && column >= 0 && column < 1024) {
            if (static_cast<std::size_t>(column) >= m_dateColumns.size())
                m_dateColumns.resize(static_cast<std::size_t>(column) + 1);
            m_dateColumns[static_cast<std::size_t>(column)] = namesADate(text);
        }
        if (column < 0 || column > 1024) return;
        if (static_cast<std::size_t>(column) >= m_cells.size()) m_cells.resize(static_cast<std::size_t>(column) + 1);
        // Tabs and line breaks inside a cell would part it.
        for (char& c : text)
            if (c == '\t' || c == '\n' || c == '\r') c = ' ';
        m_cells[static_cast<std::size_t>(column)] = std::move(text);
    }
    void flush() {
        if (m_cells.empty()) return;
        std::string line;
        for (std::size_t i = 0; i < m_cells.size(); ++i) line += (i ? "\t" : "") + m_cells[i];
        m_sheet.rowsWithNumbers += line.find_first_of("0123456789") != std::string::npos;
        m_sheet.text += line + '\n';
        m_cells.clear();
        ++m_rows;
    }
    // Whether a number in the column is a day number: a date stored the way spreadsheets keep dates.
    bool dateColumn(int row, int column) const {
        return row != m_firstRow() && column >= 0 && static_cast<std::size_t>(column) < m_dateColumns.size() &&
               m_dateColumns[static_cast<std::size_t>(column)];
    }

private:
    static bool namesADate(const std::string& text) {
        for (const char* word : {"Дата", "дата", "ДАТА", "Date", "date", "DATE"})
            if (text.find(word) != std::string::npos) return true;
        return false;
    }
    int m_firstRow() const { return m_rows == 0 ? m_row : -2; }

    SheetText& m_sheet;
    int m_row = -1;
    std::size_t m_rows = 0;  // rows written
    std::vector<std::string> m_cells;
    std::vector<bool> m_dateColumns;
};

std::string numberText(double value) {
    // Whole numbers as integers; a fraction between two dates' worth of days is a date with a time.
    if (value == std::floor(value) && std::fabs(value) < 1e15) return std::to_string(static_cast<long long>(value));
    if (value > 20000 && value < 80000) return serialDateText(value);
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

class SharedStrings : public ss::iface::import_shared_strings {
public:
    std::size_t append(std::string_view s) override {
        m_strings.emplace_back(s);
        return m_strings.size() - 1;
    }
    std::size_t add(std::string_view s) override { return append(s); }
    void set_segment_font(std::size_t) override {}
    void set_segment_bold(bool) override {}
    void set_segment_italic(bool) override {}
    void set_segment_font_name(std::string_view) override {}
    void set_segment_font_size(double) override {}
    void set_segment_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t, ss::color_elem_t) override {}
    void append_segment(std::string_view s) override { m_segments += s; }
    std::size_t commit_segments() override {
        const std::size_t index = append(m_segments);
        m_segments.clear();
        return index;
    }
    const std::string& at(std::size_t index) const {
        static const std::string none;
        return index < m_strings.size() ? m_strings[index] : none;
    }

private:
    std::vector<std::string> m_strings;
    std::string m_segments;
};

class Sheet : public ss::iface::import_sheet {
public:
    Sheet(const SharedStrings& strings) : m_strings(strings), m_rows(m_text) {}
    void set_auto(ss::row_t row, ss::col_t col, std::string_view s) override { m_rows.cell(row, col, std::string(s)); }
    void set_string(ss::row_t row, ss::col_t col, ss::string_id_t index) override {
        m_rows.cell(row, col, m_strings.at(index));
    }
    void set_value(ss::row_t row, ss::col_t col, double value) override {
        const bool date = value >= 1 && value < 2958466 && m_rows.dateColumn(row, col);
        m_rows.cell(row, col, date ? serialDateText(value) : numberText(value));
    }
    void set_bool(ss::row_t row, ss::col_t col, bool value) override { m_rows.cell(row, col, value ? "1" : "0"); }
    void set_date_time(ss::row_t row, ss::col_t col, int year, int month, int day, int hour, int minute,
                       double) override {
        char text[32];
        if (hour == 0 && minute == 0)
            std::snprintf(text, sizeof text, "%02d.%02d.%04d", day, month, year);
        else
            std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d", day, month, year, hour, minute);
        m_rows.cell(row, col, text);
    }
    void set_format(ss::row_t, ss::col_t, std::size_t) override {}
    void set_format(ss::row_t, ss::col_t, ss::row_t, ss::col_t, std::size_t) override {}
    void fill_down_cells(ss::row_t, ss::col_t, ss::row_t) override {}
    ss::range_size_t get_sheet_size() const override { return {1048576, 16384}; }

    SheetText& finished() {
        m_rows.flush();
        return m_text;
    }

private:
    const SharedStrings& m_strings;
    SheetText m_text;
    RowWriter m_rows;
};

// Cell references such as "B7" or "A1:I40", as the sheet names its cells and ranges.
class References : public ss::iface::import_reference_resolver {
public:
    ss::src_address_t resolve_address(std::string_view address) override {
        ss::src_address_t at{0, 0, 0};
        std::size_t i = 0;
        while (i < address.size() && address[i] == '$') ++i;
        int column = 0;
        for (; i < address.size() && std::isalpha(static_cast<unsigned char>(address[i])); ++i)
            column = column * 26 + (std::toupper(static_cast<unsigned char>(address[i])) - 'A' + 1);
        while (i < address.size() && address[i] == '$') ++i;
        int row = 0;
        for (; i < address.size() && std::isdigit(static_cast<unsigned char>(address[i])); ++i)
            row = std::min(row * 10 + (address[i] - '0'), 1 << 24);
        if (column == 0 || row == 0 || i != address.size()) throw std::invalid_argument("no cell address");
        at.row = row - 1;
        at.column = column - 1;
        return at;
    }
    ss::src_range_t resolve_range(std::string_view range) override {
        const std::size_t colon = range.find(':');
        const ss::src_address_t first = resolve_address(range.substr(0, colon));
        return {first, colon == std::string_view::npos ? first : resolve_address(range.substr(colon + 1))};
    }
};

class Factory : public ss::iface::import_factory {
public:
    ss::iface::import_reference_resolver* get_reference_resolver(ss::formula_ref_context_t) override {
        return &m_references;
    }
    ss::iface::import_shared_strings* get_shared_strings() override { return &m_strings; }
    ss::iface::import_sheet* append_sheet(ss::sheet_t, std::string_view name) override {
        m_sheets.push_back(std::make_unique<Sheet>(m_strings));
        m_names.emplace_back(name);
        return m_sheets.back().get();
    }
    ss::iface::import_sheet* get_sheet(std::string_view name) override {
        for (std::size_t i = 0; i < m_names.size(); ++i)
            if (m_names[i] == name) return m_sheets[i].get();
        return nullptr;
    }
    ss::iface::import_sheet* get_sheet(ss::sheet_t index) override {
        return index >= 0 && static_cast<std::size_t>(index) < m_sheets.size() ? m_sheets[index].get() : nullptr;
    }
    void finalize() override {}

    std::string best() {
        SheetText* chosen = nullptr;
        for (const auto& sheet : m_sheets) {
            SheetText& text = sheet->finished();
            if (!chosen || text.rowsWithNumbers > chosen->rowsWithNumbers) chosen = &text;
        }
        return chosen ? std::move(chosen->text) : std::string();
    }

private:
    SharedStrings m_strings;
    References m_references;
    std::vector<std::unique_ptr<Sheet>> m_sheets;
    std::vector<std::string> m_names;
};

std::string xlsText(const std::string& path) {
    const void* handle = nullptr;
    if (freexl_open(path.c_str(), &handle) != FREEXL_OK) {
        if (handle) freexl_close(handle);
        throw Exception("not a readable .xls file");
    }
    const std::unique_ptr<const void, void (*)(const void*)> closing(handle, [](const void* h) { freexl_close(h); });
    unsigned int sheets = 0;
    freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheets);
    SheetText best;
    for (unsigned short index = 0; index < sheets; ++index) {
        if (freexl_select_active_worksheet(handle, index) != FREEXL_OK) continue;
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK) continue;
        SheetText sheet;
        RowWriter writer(sheet);
        for (unsigned int row = 0; row < rows; ++row) {
            for (unsigned short column = 0; column < columns; ++column) {
                FreeXL_CellValue cell{};
                if (freexl_get_cell_value(handle, row, column, &cell) != FREEXL_OK) continue;
                std::string text;
                switch (cell.type) {
                    case FREEXL_CELL_INT:
                        text = std::to_string(cell.value.int_value);
                        break;
                    case FREEXL_CELL_DOUBLE:
                        text = numberText(cell.value.double_value);
                        break;
                    case FREEXL_CELL_TEXT:
                    case FREEXL_CELL_SST_TEXT:
                    case FREEXL_CELL_DATE:
                    case FREEXL_CELL_DATETIME:
                    case FREEXL_CELL_TIME:
                        text = cell.value.text_value ? cell.value.text_value : "";
                        break;
                    default:
                        break;
                }
                writer.cell(static_cast<int>(row), column, std::move(text));
            }
        }
        writer.flush();
        if (sheet.rowsWithNumbers > best.rowsWithNumbers) best = std::move(sheet);
    }
    return best.text;
}

}  // namespace

std::string serialDateText(double serial) {
    // Days from 30.12.1899 as the civil calendar counts them (the proleptic Gregorian days algorithm).
    const long long whole = static_cast<long long>(std::floor(serial));
    const long long minutes = std::llround((serial - static_cast<double>(whole)) * 24 * 60);
    long long z = whole - 25569 + 719468;  // to days since 1970-01-01, then since 0000-03-01
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long day = doy - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = yoe + era * 400 + (month <= 2);
    char text[96];
    if (minutes == 0 || minutes == 24 * 60)
        std::snprintf(text, sizeof text, "%02lld.%02lld.%04lld", day, month, year);
    else
        std::snprintf(text, sizeof text, "%02lld.%02lld.%04lld %02lld:%02lld", day, month, year, minutes / 60,
                      minutes % 60);
    return text;
}

ArchiveKind archiveKindOf(std::string_view head) {
    if (head.starts_with("PK\x03\x04")) {
        // An OpenDocument file names its kind in its first entry, stored uncompressed.
        if (head.find("application/vnd.oasis.opendocument.spreadsheet") != std::string_view::npos)
            return ArchiveKind::kOds;
        return ArchiveKind::kXlsx;
    }
    if (head.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) return ArchiveKind::kXls;
    if (head.starts_with("\xFF\xFE") || head.starts_with("\xFE\xFF")) return ArchiveKind::kText;
    if (looksLikeHtml(head)) return ArchiveKind::kPage;
    // Text has no NUL and few control characters besides tabs and line ends.
    std::size_t control = 0;
    for (const char c : head) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == 0) return ArchiveKind::kBinary;
        control += byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != 0x1A;
    }
    return control * 20 > head.size() ? ArchiveKind::kBinary : ArchiveKind::kText;
}

std::string archiveKindName(ArchiveKind kind) {
    switch (kind) {
        case ArchiveKind::kPage:
            return "HTML";
        case ArchiveKind::kXlsx:
            return "XLSX";
        case ArchiveKind::kOds:
            return "ODS";
        case ArchiveKind::kXls:
            return "XLS";
        default:
            return "";
    }
}

std::string archiveTableText(const std::string& path, ArchiveKind kind) {
    switch (kind) {
        case ArchiveKind::kPage: {
            std::string page;
            if (!platform::readWholeFile(path, page)) throw Exception("the page could not be read");
            return htmlTableText(page);
        }
        case ArchiveKind::kXlsx:
        case ArchiveKind::kOds: {
            Factory factory;
            try {
                if (kind == ArchiveKind::kXlsx) {
                    orcus::orcus_xlsx reader(&factory);
                    reader.read_file(path);
                } else {
                    orcus::orcus_ods reader(&factory);
                    reader.read_file(path);
                }
            } catch (const std::exception& error) {
                throw Exception(std::string("not a readable .") + (kind == ArchiveKind::kXlsx ? "xlsx" : "ods") +
                                " file: " + error.what());
            }
            return factory.best();
        }
        case ArchiveKind::kXls:
            return xlsText(path);
        default:
            return {};
    }
}

}  // namespace history

namespace history {

std::optional<std::string> archiveText(const std::string& path, std::string& format, std::string& why) {
    format.clear();
    why.clear();
    // Only a regular file is looked into; opening does not wait on a FIFO. Anything else is left
    // to the text reader, which says why it cannot be read.
    const platform::Handle fd = platform::openRegularFile(path);
    if (fd == platform::kNoHandle) return std::nullopt;
    std::string head(4096, '\0');
    std::uint32_t got = 0;
    const bool read = platform::readNext(fd, head.data(), static_cast<std::uint32_t>(head.size()), got);
    platform::closeFile(fd);
    if (!read) return std::nullopt;
    head.resize(got);
    const ArchiveKind kind = archiveKindOf(head);
    if (kind == ArchiveKind::kText) return std::nullopt;
    if (kind == ArchiveKind::kBinary) {
        why = "not a text file nor a table";
        return std::nullopt;
    }
    format = archiveKindName(kind);
    try {
        return archiveTableText(path, kind);
    } catch (const Exception& error) {
        why = error.Message();
        return std::nullopt;
    }
}

}  // namespace history
