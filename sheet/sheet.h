#pragma once

#include "dating/guidance.h"

#include <QByteArray>
#include <QImage>
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
    // The last-period field's date when it agrees with DG (DR + 14 days = DG).
    std::optional<dating::Date> lastPeriodEntered;
    dating::Date today;
    dating::Situation situation;
    QString patient; // printed, never kept
};

// A request from the window's two entry texts; no request when DG reads as no date.
std::optional<Request> requestFromFields(const QString &dateDG, const QString &dateDR, dating::Date today,
    dating::Situation situation, const QString &patient);

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
};

struct TimelineBar
{
    enum Kind { Trimester, Exam, Ultrasound, Screening, Pathological, Leave };
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
    dating::Guidance guidance;
    std::vector<Section> sections;
    Section differences; // where the window's fixed schedule says otherwise
    std::vector<QString> footnotes;
    std::vector<Event> events;
    dating::Span timelineDays;
    std::vector<TimelineBar> bars;
    std::vector<TimelineMark> marks;
};

std::optional<Sheet> makeSheet(const Request &request);

inline const QString title = QStringLiteral("Fiche de grossesse");

QString toText(const Sheet &sheet);
// imageSource: where the timeline picture is, a URL or a data: URL.
QString toHtml(const Sheet &sheet, const QString &imageSource);
// The timeline as a data: URL, for HTML that stands on its own.
QString timelineDataUrl(const Sheet &sheet);
QImage timelinePicture(const Sheet &sheet);
// The sheet laid out for paper, with its picture; print it to a printer or a PDF writer.
std::unique_ptr<QTextDocument> toDocument(const Sheet &sheet);
QByteArray toPdf(const Sheet &sheet);
// RFC 5545 all-day events; stamp is the day the export is made.
QByteArray toICalendar(const Sheet &sheet, dating::Date stamp);

// The window's tooltips: "NN SA + D j" and the date of terme dépassé with its source.
QString completedWeeksTip(const QString &dateDG, dating::Date today);
QString overdueTip(const QString &dateDG);

} // namespace sheet
