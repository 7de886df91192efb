// Lines read as items, and the place of the draw decided over many lines.
#include "history/draw_detect.h"

#include <algorithm>
#include <map>

namespace history {

namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr long long kLargest = 1000000000000000LL;  // numbers saturate here, far beyond any draw

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool allDigits(std::string_view text) { return !text.empty() && std::all_of(text.begin(), text.end(), isDigit); }

long long valueOf(std::string_view digits) {
    long long value = 0;
    for (const char c : digits) value = std::min(kLargest, value * 10 + (c - '0'));
    return value;
}

// What stood before a piece of a field.
enum class Gap { kNone, kSpace, kTypographic, kComma, kDash };

// The length of a blank at `at` (0: none); `typographic` for the no-break, figure, thin and narrow
// spaces that web tables put between groups of thousands.
std::size_t blankAt(std::string_view s, std::size_t at, bool& typographic) {
    typographic = false;
    const auto c = static_cast<unsigned char>(s[at]);
    if (c == ' ' || c == '\t' || c == '\r') return 1;
    if (c == 0xC2 && at + 1 < s.size() && static_cast<unsigned char>(s[at + 1]) == 0xA0) {
        typographic = true;
        return 2;
    }
    if (c == 0xE2 && at + 2 < s.size() && static_cast<unsigned char>(s[at + 1]) == 0x80) {
        const auto d = static_cast<unsigned char>(s[at + 2]);
        if ((d >= 0x87 && d <= 0x8A) || d == 0xAF) {
            typographic = true;
            return 3;
        }
    }
    return 0;
}

// An en or em dash, as «Тираж 12 — 3 15 22» has one.
std::size_t dashAt(std::string_view s, std::size_t at) {
    if (static_cast<unsigned char>(s[at]) == 0xE2 && at + 2 < s.size() &&
        static_cast<unsigned char>(s[at + 1]) == 0x80 &&
        (static_cast<unsigned char>(s[at + 2]) == 0x93 || static_cast<unsigned char>(s[at + 2]) == 0x94))
        return 3;
    return 0;
}

std::optional<long long> twoDigits(std::string_view text, std::size_t from) {
    if (from + 2 > text.size() || !isDigit(text[from]) || !isDigit(text[from + 1])) return std::nullopt;
    return (text[from] - '0') * 10 + (text[from + 1] - '0');
}

// hh:mm or hh:mm:ss as hhmm.
std::optional<long long> timeKey(std::string_view text) {
    if (text.size() != 5 && text.size() != 8) return std::nullopt;
    const auto hours = twoDigits(text, 0);
    const auto minutes = twoDigits(text, 3);
    if (!hours || !minutes || text[2] != ':' || *hours > 23 || *minutes > 59) return std::nullopt;
    if (text.size() == 8 && (text[5] != ':' || !twoDigits(text, 6))) return std::nullopt;
    return *hours * 100 + *minutes;
}

bool isWordOf(std::string_view piece, std::initializer_list<std::string_view> words) {
    return std::find(words.begin(), words.end(), piece) != words.end();
}

// Builds the items of one field piece by piece.
class FieldItems {
public:
    FieldItems(std::vector<LineItem>& items, std::uint32_t field, int highest, bool commaParts)
        : m_items(items), m_field(field), m_highest(highest), m_commaParts(commaParts), m_start(items.size()) {}

    void add(std::string_view piece, Gap gap) {
        while (!piece.empty() && std::string_view("([«\"'").find(piece.front()) != npos) piece.remove_prefix(1);
        while (!piece.empty() && std::string_view(":)]»\"'").find(piece.back()) != npos) piece.remove_suffix(1);
        if (piece.size() > 1 && piece.back() == '.' && allDigits(piece.substr(0, piece.size() - 1)))
            piece.remove_suffix(1);
        if (piece.starts_with("\xC2\xBB")) piece.remove_prefix(2);  // a closing «»
        if (piece.ends_with("\xC2\xBB") || piece.ends_with("\xC2\xAB")) piece.remove_suffix(2);
        if (piece.empty() || piece == "-") return;
        // «№» and «Тираж» mark the number after a blank, not one after a comma ("C1,N,2,0").
        if (gap == Gap::kComma || gap == Gap::kDash) m_signed = false;
        LineItem* last = m_items.size() > m_start ? &m_items.back() : nullptr;
        if (isWordOf(piece, {"руб.", "руб", "р.", "₽", "rub", "RUB", "RUR", "коп."})) {
            if (last && (last->kind == ItemKind::kNumber || last->kind == ItemKind::kGrouped))
                last->kind = ItemKind::kMoney;
            return;
        }
        if (isWordOf(piece, {"№", "N", "#", "No", "No.", "Nº", "Тираж", "тираж", "ТИРАЖ", "Тир.", "тир."})) {
            m_signed = true;
            return;
        }
        if (const auto date = dateTimeKey(piece)) {
            push(ItemKind::kDate, *date, piece);
            return;
        }
        if (const auto time = timeKey(piece)) {
            // The time of a date, in its field or in the next one.
            LineItem* date = m_items.empty() ? nullptr : &m_items.back();
            if (date && date->kind == ItemKind::kDate && date->value % 10000 == 0) {
                date->value += *time;
                date->text += ' ';
                date->text += piece;
                return;
            }
        }
        for (const std::string_view sign : {"№", "N", "#"}) {
            if (piece.starts_with(sign) && allDigits(piece.substr(sign.size()))) {
                m_signed = false;
                push(ItemKind::kDrawNumber, valueOf(piece.substr(sign.size())), piece.substr(sign.size()));
                return;
            }
        }
        if (piece.ends_with("₽") && allDigits(piece.substr(0, piece.size() - 3))) {
            push(ItemKind::kMoney, valueOf(piece.substr(0, piece.size() - 3)), piece);
            return;
        }
        if (allDigits(piece)) {
            addDigits(piece, gap, last);
            return;
        }
        // "3-17-22-31-40-48": the numbers of a draw between dashes.
        if (isDigit(piece.front()) && isDigit(piece.back()) && piece.find_first_not_of("0123456789-") == npos &&
            piece.find("--") == npos) {
            for (std::size_t at = 0; at < piece.size();) {
                const std::size_t end = std::min(piece.size(), piece.find('-', at));
                push(ItemKind::kNumber, valueOf(piece.substr(at, end - at)), piece.substr(at, end - at));
                at = end + 1;
            }
            return;
        }
        if ((piece.front() == '-' || piece.front() == '+') && allDigits(piece.substr(1))) {
            push(ItemKind::kNumber, -valueOf(piece.substr(1)), piece);  // a number, though never a drawn one
            return;
        }
        if (piece.back() == '%' && piece.find_first_of("0123456789") != npos) {
            push(ItemKind::kMoney, 0, piece);
            return;
        }
        m_signed = false;
        // A word with a digit in it is a number written wrong ("x1", "3.5"): it keeps its place, so
        // that the line can say so. Other words («Тираж», «от») are left out.
        if (piece.find_first_of("0123456789") != npos) {
            push(ItemKind::kWord, 0, piece);
            return;
        }
        ++m_words;
        if (m_firstWord.empty()) m_firstWord = piece;
    }

    // A field that gave no item stands as one all the same, so that the items of like lines line up.
    void finish(std::string_view text) {
        if (m_items.size() > m_start) return;
        LineItem item;
        item.field = m_field;
        if (m_words == 0) {
            item.kind = ItemKind::kEmpty;
        } else {
            item.kind = ItemKind::kWord;
            item.text = std::string(m_words == 1 ? m_firstWord : text);
        }
        m_items.push_back(std::move(item));
    }

private:
    void addDigits(std::string_view piece, Gap gap, LineItem* last) {
        const long long value = valueOf(piece);
        if (m_signed) {
            m_signed = false;
            push(ItemKind::kDrawNumber, value, piece);
            return;
        }
        // A group of thousands: three digits after a number of at most three (or after groups),
        // parted by a typographic space, or by a plain space or comma where the digits cannot be a
        // drawn number ("1 234" in a game of 1..80, "11 050").
        const bool afterNumber = last && (last->kind == ItemKind::kNumber || last->kind == ItemKind::kGrouped ||
                                          last->kind == ItemKind::kDrawNumber || last->kind == ItemKind::kMoney);
        const bool shortBefore = afterNumber && (last->kind == ItemKind::kGrouped || last->kind == ItemKind::kMoney ||
                                                 (last->text.size() <= 3 && allDigits(last->text)));
        if (piece.size() == 3 && shortBefore &&
            (gap == Gap::kTypographic || gap == Gap::kSpace || gap == Gap::kComma) &&
            (gap == Gap::kTypographic || piece[0] == '0' || value > m_highest || last->kind == ItemKind::kGrouped ||
             last->kind == ItemKind::kMoney)) {
            last->value = std::min(kLargest, last->value * 1000 + value);
            if (last->kind == ItemKind::kNumber) last->kind = ItemKind::kGrouped;
            last->text += ' ';
            last->text += piece;
            return;
        }
        // Kopecks: "1 234 567,00".
        if (piece.size() == 2 && gap == Gap::kComma && m_commaParts && last &&
            (last->kind == ItemKind::kGrouped || last->kind == ItemKind::kMoney)) {
            last->kind = ItemKind::kMoney;
            return;
        }
        push(ItemKind::kNumber, value, piece);
    }

    void push(ItemKind kind, long long value, std::string_view text) {
        LineItem item;
        item.kind = kind;
        item.value = value;
        item.field = m_field;
        item.text = std::string(text);
        m_items.push_back(std::move(item));
    }

    std::vector<LineItem>& m_items;
    std::uint32_t m_field;
    int m_highest;
    bool m_commaParts;
    std::size_t m_start;
    bool m_signed = false;  // «№» or «Тираж» just read: the next number is a draw number
    std::size_t m_words = 0;
    std::string_view m_firstWord;
};

void fieldItems(std::string_view text, std::uint32_t field, int highest, bool commaParts,
                std::vector<LineItem>& items) {
    FieldItems builder(items, field, highest, commaParts);
    Gap gap = Gap::kNone;
    std::size_t start = 0;
    for (std::size_t at = 0; at <= text.size();) {
        bool typographic = false;
        std::size_t length = 0;
        Gap here = Gap::kNone;
        if (at == text.size()) {
            length = 1;
        } else if ((length = blankAt(text, at, typographic)) > 0) {
            here = typographic ? Gap::kTypographic : Gap::kSpace;
        } else if ((length = dashAt(text, at)) > 0) {
            here = Gap::kDash;
        } else if (text[at] == ',' || text[at] == ';' || text[at] == '|') {
            length = 1;
            here = Gap::kComma;
        }
        if (length == 0) {
            ++at;
            continue;
        }
        if (at > start) {
            builder.add(text.substr(start, at - start), gap);
            gap = here;
        } else if (gap == Gap::kNone || gap == Gap::kSpace || here == Gap::kComma || here == Gap::kDash) {
            gap = here;  // of separators in a row, a comma or a dash counts
        }
        at += length;
        start = at;
    }
    builder.finish(text);
}

}  // namespace

char fieldSeparatorOf(std::string_view line) {
    bool quoted = false;
    bool semicolon = false, comma = false;
    for (const char c : line) {
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\t') return '\t';
        semicolon = semicolon || c == ';';
        comma = comma || c == ',';
    }
    return semicolon ? ';' : comma ? ',' : 0;
}

namespace {

// Whether a draw of `picks` distinct numbers of 1..highest starts at item `w`, taking whole
// fields where a field holds several numbers.
bool drawAt(const std::vector<LineItem>& items, std::size_t w, std::size_t picks, int highest,
            std::vector<char>& seen) {
    if (w + picks > items.size()) return false;
    seen.assign(static_cast<std::size_t>(highest) + 1, 0);
    for (std::size_t k = w; k < w + picks; ++k) {
        const LineItem& item = items[k];
        if (item.kind != ItemKind::kNumber || item.value < 1 || item.value > highest || seen[item.value]) return false;
        seen[item.value] = 1;
    }
    const auto number = [&](std::size_t at, std::uint32_t field) {
        return items[at].field == field && items[at].kind == ItemKind::kNumber;
    };
    // In a line of one field (numbers between blanks) every number shares it.
    if (items.back().field == 0) return true;
    if (w > 0 && number(w - 1, items[w].field)) return false;
    if (w + picks < items.size() && number(w + picks, items[w + picks - 1].field)) return false;
    return true;
}

// The index of an item counted from the line's start or end.
std::optional<std::size_t> placed(bool fromEnd, std::size_t at, std::size_t span, std::size_t count) {
    if (at + span > count) return std::nullopt;
    return fromEnd ? count - span - at : at;
}

}  // namespace

std::optional<long long> dateTimeKey(std::string_view text) {
    std::optional<long long> day, month, year;
    std::optional<long long> time = 0;
    const auto part = [&](std::size_t from, std::size_t length) -> std::optional<long long> {
        const std::string_view digits = text.substr(std::min(from, text.size()), length);
        if (digits.size() != length || !allDigits(digits)) return std::nullopt;
        return valueOf(digits);
    };
    if (text.size() >= 10 && text[4] == '-' && text[7] == '-') {
        year = part(0, 4), month = part(5, 2), day = part(8, 2);
        if (text.size() > 10) time = text[10] == 'T' || text[10] == ' ' ? timeKey(text.substr(11)) : std::nullopt;
    } else if ((text.size() == 10 || text.size() == 8) && text[2] == '.' && text[5] == '.') {
        day = part(0, 2), month = part(3, 2), year = part(6, text.size() - 6);
        if (year && text.size() == 8) *year += *year < 70 ? 2000 : 1900;
    }
    if (!day || !month || !year || !time || *month < 1 || *month > 12 || *day < 1 || *day > 31) return std::nullopt;
    return (*year * 10000 + *month * 100 + *day) * 10000 + *time;
}

void lineItems(std::string_view line, int highest, std::vector<LineItem>& items) {
    items.clear();
    const char separator = fieldSeparatorOf(line);
    std::uint32_t field = 0;
    std::string unquoted;
    for (std::size_t at = 0;; ++field) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\r')) ++at;
        std::string_view text;
        if (at < line.size() && line[at] == '"') {
            unquoted.clear();
            for (++at; at < line.size(); ++at) {
                if (line[at] != '"') {
                    unquoted += line[at];
                } else if (at + 1 < line.size() && line[at + 1] == '"') {
                    unquoted += '"';
                    ++at;
                } else {
                    ++at;
                    break;
                }
            }
            text = unquoted;
            at = separator ? std::min(line.size(), line.find(separator, at)) : line.size();
        } else {
            const std::size_t end = separator ? std::min(line.size(), line.find(separator, at)) : line.size();
            text = line.substr(at, end - at);
            at = end;
        }
        fieldItems(text, field, highest, separator != ',', items);
        if (at >= line.size()) break;
        ++at;
    }
}

DrawLayout decideLayout(const std::vector<std::vector<LineItem>>& lines, std::size_t picks, int highest) {
    DrawLayout layout;
    layout.lines = lines.size();
    if (picks == 0 || highest < 1) return layout;
    std::map<std::size_t, std::size_t> fromStart, fromEnd;
    std::vector<char> seen;
    for (const auto& items : lines) {
        for (std::size_t w = 0; w + picks <= items.size(); ++w) {
            if (!drawAt(items, w, picks, highest, seen)) continue;
            ++fromStart[w];
            ++fromEnd[items.size() - picks - w];
        }
    }
    const auto best = [](const std::map<std::size_t, std::size_t>& counts) {
        std::size_t most = 0;
        for (const auto& [at, count] : counts) most = std::max(most, count);
        return most;
    };
    const std::size_t bestStart = best(fromStart), bestEnd = best(fromEnd);
    if (bestStart == 0) return layout;
    layout.fromEnd = bestEnd > bestStart;
    const auto& counts = layout.fromEnd ? fromEnd : fromStart;
    const std::size_t most = std::max(bestStart, bestEnd);
    std::vector<std::size_t> rivals;
    for (const auto& [at, count] : counts)
        if (count == most) rivals.push_back(at);

    // A column whose values only climb or only fall down the file is a draw number, not a drawn
    // number: a reading that takes it loses to one that leaves it out.
    const auto keysAt = [&](std::size_t at) {
        std::vector<long long> keys;
        for (const auto& items : lines) {
            const auto index = placed(layout.fromEnd, at, 1, items.size());
            if (!index) continue;
            const LineItem& item = items[*index];
            if (item.kind == ItemKind::kNumber || item.kind == ItemKind::kGrouped || item.kind == ItemKind::kDrawNumber)
                keys.push_back(item.value);
        }
        return keys;
    };
    const auto runsOneWay = [](const std::vector<long long>& keys, bool byOne) {
        bool up = false, down = false;
        for (std::size_t i = 1; i < keys.size(); ++i) {
            up = up || keys[i] > keys[i - 1];
            down = down || keys[i] < keys[i - 1];
            if (byOne && std::llabs(keys[i] - keys[i - 1]) != 1) return false;
        }
        return up != down;
    };
    if (rivals.size() > 1) {
        const auto takes = [&](std::size_t rival, std::size_t at) { return at >= rival && at < rival + picks; };
        std::vector<std::size_t> kept;
        for (const std::size_t rival : rivals) {
            bool loses = false;
            for (std::size_t at = rival; at < rival + picks && !loses; ++at) {
                const bool shared =
                    std::all_of(rivals.begin(), rivals.end(), [&](std::size_t r) { return takes(r, at); });
                const auto keys = keysAt(at);
                loses = !shared && keys.size() == lines.size() && lines.size() > 2 && runsOneWay(keys, false);
            }
            if (!loses) kept.push_back(rival);
        }
        // Even in two lines, numbers counting by one at the start of the line are draw numbers.
        if (kept.size() != 1 && !layout.fromEnd) {
            std::vector<std::size_t> past;
            for (const std::size_t rival : rivals)
                if (rival > 0) past.push_back(rival);
            const auto keys = keysAt(0);
            if (past.size() == 1 && std::find(rivals.begin(), rivals.end(), 0) != rivals.end() &&
                keys.size() == lines.size() && lines.size() > 1 && runsOneWay(keys, true))
                kept = past;
        }
        if (kept.size() != 1) {
            layout.state = DrawLayout::State::kAmbiguous;
            rivals.resize(2);
        } else {
            rivals = kept;
        }
    }
    layout.at = rivals[0];
    const auto number = [](const LineItem& item) { return item.kind == ItemKind::kNumber; };
    std::size_t before = 0, after = 0;
    for (const auto& items : lines) {
        const auto w = placed(layout.fromEnd, layout.at, picks, items.size());
        if (!w || !drawAt(items, *w, picks, highest, seen)) continue;
        ++layout.linesWithDraw;
        if (layout.linesWithDraw == 1) layout.oneField = true;
        layout.oneField = layout.oneField && items.back().field == 0;
        before += *w > 0 && number(items[*w - 1]);
        after += *w + picks < items.size() && number(items[*w + picks]);
        if (layout.firstField != 0) continue;
        layout.firstField = items[*w].field + 1;
        layout.lastField = items[*w + picks - 1].field + 1;
        if (layout.state == DrawLayout::State::kAmbiguous) {
            const auto other = placed(layout.fromEnd, rivals[1], picks, items.size());
            if (other) {
                layout.otherFirst = items[*other].field + 1;
                layout.otherLast = items[*other + picks - 1].field + 1;
            }
        }
    }
    // A number beside the draw in most lines is a column of its own; in a few, a draw too long.
    layout.numberBefore = 2 * before > layout.linesWithDraw;
    layout.numberAfter = 2 * after > layout.linesWithDraw;
    if (layout.state == DrawLayout::State::kAmbiguous) return layout;
    layout.state = DrawLayout::State::kFound;

    // The order: the first column beside the draw, in the order of the line, whose values run one
    // way down the file; else the first that every line has.
    const std::vector<LineItem>* reference = nullptr;
    for (const auto& items : lines) {
        const auto w = placed(layout.fromEnd, layout.at, picks, items.size());
        if (w && drawAt(items, *w, picks, highest, seen)) {
            reference = &items;
            break;
        }
    }
    struct Candidate {
        DrawLayout::Order order;
        std::size_t at;
    };
    std::vector<Candidate> candidates;
    bool date = false, drawNumber = false;
    const std::size_t w = *placed(layout.fromEnd, layout.at, picks, reference->size());
    for (std::size_t i = 0; i < reference->size(); ++i) {
        if (i >= w && i < w + picks) continue;
        const ItemKind kind = (*reference)[i].kind;
        if (kind == ItemKind::kDate && !date) {
            date = true;
            candidates.push_back({DrawLayout::Order::kFirstDate, 0});
        } else if (kind == ItemKind::kDrawNumber && !drawNumber) {
            drawNumber = true;
            candidates.push_back({DrawLayout::Order::kFirstDrawNumber, 0});
        } else if (kind == ItemKind::kNumber || kind == ItemKind::kGrouped) {
            candidates.push_back({DrawLayout::Order::kItem, layout.fromEnd ? reference->size() - 1 - i : i});
        }
    }
    std::optional<Candidate> usable;
    for (const Candidate& candidate : candidates) {
        DrawLayout trial = layout;
        trial.order = candidate.order;
        trial.orderAt = candidate.at;
        std::vector<long long> keys;
        bool everyLine = true;
        for (const auto& items : lines) {
            const auto key = orderKeyOf(trial, items, picks);
            if (key)
                keys.push_back(key->key);
            else if (drawStart(layout, items.size(), picks))
                everyLine = false;
        }
        if (!everyLine) continue;
        if (!usable) usable = candidate;
        if (runsOneWay(keys, false)) {
            usable = candidate;
            break;
        }
    }
    if (usable) {
        layout.order = usable->order;
        layout.orderAt = usable->at;
    }
    return layout;
}

std::optional<std::size_t> drawStart(const DrawLayout& layout, std::size_t count, std::size_t picks) {
    if (layout.state != DrawLayout::State::kFound) return std::nullopt;
    return placed(layout.fromEnd, layout.at, picks, count);
}

std::optional<OrderKey> orderKeyOf(const DrawLayout& layout, const std::vector<LineItem>& items, std::size_t picks) {
    const auto w = drawStart(layout, items.size(), picks);
    const auto outside = [&](std::size_t i) { return !w || i < *w || i >= *w + picks; };
    const auto first = [&](ItemKind kind) -> std::optional<OrderKey> {
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i].kind == kind && outside(i))
                return OrderKey{items[i].value, kind == ItemKind::kDate, items[i].field};
        return std::nullopt;
    };
    switch (layout.order) {
        case DrawLayout::Order::kNone:
            return std::nullopt;
        case DrawLayout::Order::kFirstDate:
            return first(ItemKind::kDate);
        case DrawLayout::Order::kFirstDrawNumber:
            return first(ItemKind::kDrawNumber);
        case DrawLayout::Order::kItem: {
            const auto i = placed(layout.fromEnd, layout.orderAt, 1, items.size());
            if (!i || !outside(*i)) return std::nullopt;
            const LineItem& item = items[*i];
            if (item.kind != ItemKind::kNumber && item.kind != ItemKind::kGrouped && item.kind != ItemKind::kDrawNumber)
                return std::nullopt;
            return OrderKey{item.value, false, item.field};
        }
    }
    return std::nullopt;
}

std::optional<OrderKey> orderKeyOfField(std::string_view text) {
    std::vector<LineItem> items;
    fieldItems(text, 0, 0, true, items);
    if (items.size() != 1) return std::nullopt;
    const LineItem& item = items[0];
    // A plain number of more than twelve digits is no draw number.
    if (item.kind == ItemKind::kNumber && item.text.size() > 12) return std::nullopt;
    if (item.kind == ItemKind::kDate || item.kind == ItemKind::kNumber || item.kind == ItemKind::kGrouped ||
        item.kind == ItemKind::kDrawNumber)
        return OrderKey{item.value, item.kind == ItemKind::kDate, 0};
    return std::nullopt;
}

}  // namespace history
