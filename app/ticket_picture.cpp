// The tickets check's picture.
#include "app/ticket_picture.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "toolkit/russian_text.h"

namespace {

// The picture's width, the heading's height, and a ticket's numbers and bars above its notes.
constexpr int kPictureWidth = 640, kHeadingHeight = 24, kTicketHeight = 64;
// The text's size, and the notes' margin on either side.
constexpr int kFontPixels = 11, kNoteIndent = 4;
// Where the numbers and the bars start, right of the ticket's name and its lines of text.
constexpr int kColumn = 200;
// A number's box; the bars' baseline below the block's top, the tallest bar, a pair's width.
constexpr int kBoxWidth = 22, kBoxHeight = 16;
constexpr int kBarsBottom = 50, kBarsHeight = 24, kBarPair = 14;

const QColor kMatched(0xC0, 0x00, 0x00);
const QColor kObserved(0x00, 0x40, 0xA0);
const QColor kExpected(0xB0, 0xB0, 0xB0);

// A dash between words, with spaces about it.
const std::string kDash = " \u2014 ";

// After «от»: «от 1 совпадения», «от 3 совпадений».
constexpr russian::NounForms kHitsFrom{"совпадения", "совпадений", "совпадений"};

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }

// "на 5 номеров — 3, на 4 — 15, на 3 — 10": the combinations by matches, the most matches first,
// counts of none left out.
std::string CombinationsText(const std::vector<std::int64_t>& combinations) {
    std::string text;
    for (std::size_t j = combinations.size(); j-- > 0;) {
        if (combinations[j] == 0) continue;
        text += text.empty() ? "на " + russian::counted(static_cast<long long>(j), russian::kNumbers)
                             : ", на " + russian::wholeNumber(static_cast<long long>(j));
        text += kDash + russian::wholeNumber(combinations[j]);
    }
    return text;
}

QFont PictureFont(QPainter& painter) {
    QFont font = painter.font();
    font.setPixelSize(kFontPixels);
    return font;
}

QRect NoteBox(int top) { return {kNoteIndent, top, kPictureWidth - 2 * kNoteIndent, 1000}; }

// The height the notes take, each wrapped to the picture's width.
int NotesHeight(const QFontMetrics& metrics, const std::vector<std::string>& notes) {
    int height = 0;
    for (const std::string& note : notes)
        height += metrics.boundingRect(NoteBox(0), Qt::TextWordWrap, Text(note)).height();
    return height;
}

}  // namespace

std::vector<std::string> TicketCheckNotes(const TicketCheck& check) {
    std::vector<std::string> notes;
    if (check.draws > 0)
        notes.push_back("Лучший тираж — в записи " + russian::wholeNumber(check.bestRecord) + ": " +
                        russian::counted(check.bestHits, russian::kHits) + ".");
    if (check.winFrom == 0)
        notes.push_back(
            "Выигрыши не отмечаются: программа не знает, со скольких совпадений выигрывает билет этой игры.");
    else if (check.lastWinRecord == 0)
        notes.push_back("Выигрышей (от " + russian::counted(check.winFrom, kHitsFrom) + ") не было.");
    else
        notes.push_back("Последний выигрыш (от " + russian::counted(check.winFrom, kHitsFrom) + ") — в записи " +
                        russian::wholeNumber(check.lastWinRecord) + ": " +
                        russian::counted(check.lastWinHits, russian::kHits) + ".");
    if (!check.combinations.empty() && check.draws > 0) {
        const auto m = static_cast<long long>(check.combinations.size()) - 1;
        std::int64_t all = 0;
        for (const std::int64_t count : check.latestCombinations) all += count;
        notes.push_back("Сочетаний по " + russian::counted(m, russian::kNumbers) + kDash + russian::wholeNumber(all) +
                        ". В последнем тираже совпали: " + CombinationsText(check.latestCombinations) + ".");
        notes.push_back("За " + russian::counted(check.draws, russian::kDraws) + ": " +
                        CombinationsText(check.combinations) + ".");
    }
    return notes;
}

QImage PaintTicketChecks(const std::vector<TicketCheck>& checks) {
    std::vector<std::vector<std::string>> notes;
    for (const TicketCheck& check : checks) notes.push_back(TicketCheckNotes(check));
    int height = kHeadingHeight;
    {
        QImage probe(1, 1, QImage::Format_RGB32);
        QPainter painter(&probe);
        const QFontMetrics metrics(PictureFont(painter));
        for (const auto& lines : notes) height += kTicketHeight + NotesHeight(metrics, lines) + 4;
    }
    if (checks.empty()) height += kTicketHeight;
    QImage picture(kPictureWidth, height, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setFont(PictureFont(painter));
    const QFontMetrics metrics(painter.font());
    painter.setPen(Qt::black);
    if (checks.empty()) {
        painter.drawText(4, 16, Text("Билетов нет: добавьте их в таблицу выше."));
        return picture;
    }
    const TicketCheck& first = checks.front();
    painter.drawText(
        4, 16,
        Text("Проверено тиражей: " + russian::wholeNumber(first.draws) + "; последний — в записи " +
             russian::wholeNumber(first.latestRecord) + ". Синие столбики — ваш билет, серые — случайный выбор."));
    int top = kHeadingHeight;
    for (std::size_t t = 0; t < checks.size(); ++t) {
        const TicketCheck& check = checks[t];
        const std::string name =
            check.ticket.name.empty() ? "Билет " + russian::wholeNumber(check.ticket.record) : check.ticket.name;
        painter.setPen(Qt::black);
        painter.drawText(4, top + 14, Text(name));
        // The numbers, those of the latest draw on red.
        int x = kColumn;
        for (const int number : check.ticket.numbers) {
            const bool matched =
                std::find(check.latestMatches.begin(), check.latestMatches.end(), number) != check.latestMatches.end();
            const QRect box(x, top + 2, kBoxWidth, kBoxHeight);
            painter.fillRect(box, matched ? kMatched : QColor(Qt::white));
            painter.setPen(matched ? Qt::white : Qt::black);
            painter.drawRect(box.adjusted(0, 0, -1, -1));
            painter.drawText(box, Qt::AlignCenter, QString::number(number));
            x += kBoxWidth + 2;
        }
        painter.setPen(Qt::black);
        painter.drawText(4, top + 32,
                         Text("в последнем тираже: " +
                              russian::counted(static_cast<long long>(check.latestMatches.size()), russian::kHits)));
        painter.drawText(4, top + 46, Text("лучший: " + russian::counted(check.bestHits, russian::kHits)));
        // The draws by matches: observed against expected, scaled to the larger of the two.
        double most = 1;
        for (std::size_t h = 0; h < check.observed.size(); ++h)
            most = std::max({most, static_cast<double>(check.observed[h]), check.expected[h]});
        for (std::size_t h = 0; h < check.observed.size(); ++h) {
            const int left = kColumn + static_cast<int>(h) * (2 * kBarPair + 4);
            const int observed = static_cast<int>(kBarsHeight * static_cast<double>(check.observed[h]) / most + 0.5);
            const int expected = static_cast<int>(kBarsHeight * check.expected[h] / most + 0.5);
            painter.fillRect(left, top + kBarsBottom - observed, kBarPair - 2, observed, kObserved);
            painter.fillRect(left + kBarPair, top + kBarsBottom - expected, kBarPair - 2, expected, kExpected);
            painter.setPen(Qt::black);
            painter.drawText(left + kBarPair - 4, top + kBarsBottom + 12, QString::number(h));
        }
        // The notes in words, each wrapped to the picture's width.
        int y = top + kTicketHeight;
        for (const std::string& note : notes[t]) {
            const QRect box = metrics.boundingRect(NoteBox(y), Qt::TextWordWrap, Text(note));
            painter.drawText(NoteBox(y), Qt::TextWordWrap, Text(note));
            y += box.height();
        }
        const int bottom = y + 4;
        painter.setPen(kExpected);
        painter.drawLine(0, bottom - 1, kPictureWidth, bottom - 1);
        top = bottom;
    }
    return picture;
}
