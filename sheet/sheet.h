#pragma once

#include "dating/conception.h"
#include "dating/guidance.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class QTextDocument;

// The pregnancy sheet: the dates of one pregnancy by today's French guidance, each line with the
// source of its rule, as text, HTML, PDF and iCalendar.
namespace sheet {

struct Request
{
    dating::Date conception;
    // How DG was fixed, which the sheet names with its inputs and source.
    dating::ConceptionDating dating;
    dating::Date today;
    dating::Situation situation;
    QString patient; // printed, never kept
    bool rhesusNegative = false;
    // The real birth date; until it is given, every postnatal date counts from the DPA.
    std::optional<dating::Date> birth;
};

struct Line
{
    QString label;
    QString value;
    int note = 0; // footnote number, from 1
};

struct Section
{
    QString title;
    std::vector<Line> lines;
};

// One all-day calendar event: days.end is the first day after it.
struct Event
{
    QString key; // what the event is, for its stable identifier
    QString summary;
    dating::Span days;
    int note = 0;
    QString window; // the rule's window in words, for the description; empty: the source alone
};

struct TimelineBar
{
    enum Kind { Trimester, Exam, Ultrasound, Screening, Vaccine, Delivery, Postnatal, Pathological, Leave };
    QString label;
    dating::Span days;
    int row = 0;
    Kind kind = Exam;
};

struct TimelineMark
{
    QString label;
    dating::Date day;
};

struct Sheet
{
    QString patient;
    dating::Date today;
    dating::ConceptionDating dating;
    dating::Situation situation;
    bool rhesusNegative = false;
    std::optional<dating::Date> birth;
    dating::Guidance guidance;
    dating::CarePathway pathway;
    std::vector<Section> sections;
    Section differences; // where the window's fixed schedule says otherwise
    std::vector<QString> footnotes;
    std::vector<Event> events;
    dating::Span timelineDays;
    std::vector<QString> timelineRows; // a bar's row is its index here
    std::vector<TimelineBar> bars;
    std::vector<TimelineMark> marks;
};

// No sheet when refusalOf() gives a reason.
std::optional<Sheet> makeSheet(const Request &request);

// Why no sheet can be made; refusalText() words it, for the dialog and the command line alike.
enum class Refusal { None, OutsideSupportedYears, BirthNotPossible };
Refusal refusalOf(const Request &request);
QString refusalText(Refusal refusal, const Request &request);

inline const QString title = QStringLiteral("Fiche de grossesse");

QString toText(const Sheet &sheet);
// A few words in French clinical shorthand for the patient record: "DDR 01/03/2026 — DG 15/03/2026
// (datation : DDR) — DPA 15/12/2026 — le 08/12/2026 : 40 SA + 2 j — grossesse unique".
QString toSummary(const Sheet &sheet);
// imageSource: where the timeline picture is, a URL or a data: URL.
QString toHtml(const Sheet &sheet, const QString &imageSource);
// The timeline as a data: URL, for HTML that stands on its own.
QString timelineDataUrl(const Sheet &sheet);
QImage timelinePicture(const Sheet &sheet);

// A text of the timeline picture and the rectangle it is drawn in, whole.
struct TimelineText
{
    QString text;
    QRect rect;
};
QSize timelineSize(const Sheet &sheet);
// Every text the picture draws, where it draws it; the same font metrics decide both.
std::vector<TimelineText> timelineTexts(const Sheet &sheet);
// The room one text takes in the picture's font: its advance and the font's height.
QSize timelineTextSize(const QString &text);
// The sheet laid out for paper, with its picture; print it to a printer or a PDF writer.
std::unique_ptr<QTextDocument> toDocument(const Sheet &sheet);
QByteArray toPdf(const Sheet &sheet);
// RFC 5545 all-day events; stamp is the day the export is made.
QByteArray toICalendar(const Sheet &sheet, dating::Date stamp);

// Why a dating cannot be had, in a sentence without its subject's field name.
QString datingProblemText(dating::DatingProblem problem, dating::CrlFormula formula);

// How DG was fixed, in a sentence: "fixé par l'échographie du 20/03/2025 (LCC 60 mm, …)".
QString datingText(const dating::ConceptionDating &dating);

} // namespace sheet
