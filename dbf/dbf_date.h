// The engine's date converter: Julian day numbers (1980-01-01 is day 2444240, 0 is "no date")
// to and from the stored "yyyymmdd" text and the user's short date format.
#pragma once

#include <cstdint>
#include <string>

class TxbDBFDate {
public:
    static TxbDBFDate& instance();

    static constexpr std::int32_t kZeroDate = 2415019;  // 1899-12-30, what an impossible date gives

    bool fourDigitYear() const { return m_fourDigitYear; }
    void setFourDigitYear(bool on) { m_fourDigitYear = on; }

    static std::int32_t julianDay(int year, int month, int day);
    static void civilDate(std::int32_t julian, int& year, int& month, int& day);
    static bool isValidDate(int year, int month, int day);

    // Stored text to a day number: blank or "00000000" is 0, eight digits are year, month and day
    // (an impossible combination gives kZeroDate), anything else is read with the short date
    // format. Text that is no date raises EConvertError.
    std::int32_t fromText(const std::string& text) const;
    // A day number as "yyyymmdd", or eight blanks when it is 0 or below.
    static std::string toStored(std::int32_t julian);

    // The short date format as displayed: upper-cased, the year widened to "YYYY" when the
    // four-digit switch is on (for example "DD.MM.YYYY").
    std::string displayFormat() const;
    // A day number written in the display format; 0 gives as many blanks as the format is long.
    std::string toDisplay(std::int32_t julian) const;
    // Text read with the user's short date format; raises EConvertError when it is no date.
    std::int32_t fromShortDate(const std::string& text) const;

private:
    TxbDBFDate() = default;
    bool m_fourDigitYear = true;
};
