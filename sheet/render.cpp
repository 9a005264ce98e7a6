#include "sheet.h"

#include "formkit/conversions.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>

namespace sheet {

namespace {

const QString pictureResource = QStringLiteral("frise.png");

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

void appendSection(QString &html, const Section &section)
{
    html += QStringLiteral("<h2>%1</h2>\n<table width=\"100%\">\n").arg(escaped(section.title));
    for (const auto &line : section.lines) {
        const QString mark = line.note > 0 ? QStringLiteral(" <sup>[%1]</sup>").arg(line.note) : QString();
        html += QStringLiteral("<tr><td class=\"l\" width=\"38%\">%1</td><td>%2%3</td></tr>\n")
                    .arg(escaped(line.label), escaped(line.value), mark);
    }
    html += QStringLiteral("</table>\n");
}

constexpr int pictureWidth = 1600;
constexpr int labelsWidth = 230;
constexpr int rowHeight = 46;
constexpr int rowCount = 5;
constexpr int markLevels = 4;
constexpr int markHeight = 24;
constexpr int top = markLevels * markHeight + 12;
constexpr int rightMargin = 48;
constexpr int axisHeight = 52;

QColor colourOf(TimelineBar::Kind kind, int index)
{
    switch (kind) {
    case TimelineBar::Trimester:
        return index % 2 ? QColor(191, 214, 238) : QColor(158, 193, 228);
    case TimelineBar::Exam:
        return index % 2 ? QColor(172, 220, 176) : QColor(132, 198, 138);
    case TimelineBar::Ultrasound:
        return QColor(247, 200, 128);
    case TimelineBar::Screening:
        return QColor(222, 178, 230);
    case TimelineBar::Pathological:
        return QColor(240, 160, 150);
    case TimelineBar::Leave:
        return QColor(232, 120, 110);
    }
    return Qt::lightGray;
}

} // namespace

QImage timelinePicture(const Sheet &sheet)
{
    const int height = top + rowCount * rowHeight + axisHeight;
    QImage image(pictureWidth, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setPixelSize(20);
    painter.setFont(font);

    const auto first = sheet.timelineDays.first;
    const int totalDays = std::max(1, dating::daysBetween(first, sheet.timelineDays.end));
    const int span = pictureWidth - labelsWidth - rightMargin;
    const auto x
        = [&](dating::Date day) { return labelsWidth + span * dating::daysBetween(first, day) / totalDays; };

    const QStringList rows { QStringLiteral("Trimestres"), QStringLiteral("Examens"),
        QStringLiteral("Échographies"), QStringLiteral("Dépistage"), QStringLiteral("Congés") };
    painter.setPen(Qt::black);
    for (int row = 0; row < rowCount; ++row) {
        painter.drawText(QRect(8, top + row * rowHeight, labelsWidth - 16, rowHeight - 6),
            Qt::AlignVCenter | Qt::AlignLeft, rows[row]);
    }
    int index = 0;
    for (const auto &bar : sheet.bars) {
        const QRect rect(x(bar.days.first), top + bar.row * rowHeight + 4,
            std::max(2, x(bar.days.end) - x(bar.days.first)), rowHeight - 12);
        painter.fillRect(rect, colourOf(bar.kind, index++));
        painter.setPen(QColor(80, 80, 80));
        painter.drawRect(rect);
        if (painter.fontMetrics().horizontalAdvance(bar.label) < rect.width() - 4) {
            painter.setPen(Qt::black);
            painter.drawText(rect, Qt::AlignCenter, bar.label);
        }
    }

    // Weeks of amenorrhea along the axis, every four weeks.
    const int axisY = top + rowCount * rowHeight;
    painter.setPen(Qt::black);
    painter.drawLine(labelsWidth, axisY, pictureWidth - rightMargin, axisY);
    for (int weeks = 0; 7 * weeks <= totalDays; weeks += 4) {
        const auto day = dating::add(dating::Interval::Week, weeks, first);
        if (!day)
            break;
        const int at = x(*day);
        painter.drawLine(at, axisY, at, axisY + 8);
        painter.drawText(QRect(at - 40, axisY + 10, 80, 30), Qt::AlignHCenter | Qt::AlignTop,
            QStringLiteral("%1 SA").arg(weeks));
    }

    // Marks: a line through every row, the label above, each on its own level and drawn last on
    // white, since the DPA, 42 SA and today may fall within days of each other.
    const auto colourOfMark = [](const TimelineMark &mark) {
        return mark.label == QLatin1String("Aujourd'hui") ? QColor(0, 90, 200) : QColor(180, 0, 0);
    };
    for (std::size_t i = 0; i < sheet.marks.size(); ++i) {
        painter.setPen(QPen(colourOfMark(sheet.marks[i]), 3));
        const int at = x(sheet.marks[i].day);
        painter.drawLine(at, 4 + int(i % markLevels + 1) * markHeight, at, axisY);
    }
    for (std::size_t i = 0; i < sheet.marks.size(); ++i) {
        const auto &mark = sheet.marks[i];
        const int width = painter.fontMetrics().horizontalAdvance(mark.label) + 8;
        const QRect label(std::clamp(x(mark.day) - width / 2, 0, pictureWidth - width),
            4 + int(i % markLevels) * markHeight, width, markHeight);
        painter.fillRect(label, Qt::white);
        painter.setPen(colourOfMark(mark));
        painter.drawText(label, Qt::AlignCenter, mark.label);
    }
    return image;
}

QString toHtml(const Sheet &sheet, const QString &imageSource)
{
    QString html = QStringLiteral(
        "<!DOCTYPE html>\n<html lang=\"fr\"><head><meta charset=\"utf-8\"><title>%1</title>\n"
        "<style>body{font-family:sans-serif;font-size:10pt} h1{font-size:16pt} "
        "h2{font-size:12pt;margin-top:12pt}"
        " td{padding:1pt 6pt 1pt 0;vertical-align:top} td.l{font-weight:bold} .s{font-size:8pt}</style>\n"
        "</head><body>\n<h1>%1</h1>\n<p>")
                       .arg(escaped(title));
    if (!sheet.patient.isEmpty())
        html += QStringLiteral("Patiente : <b>%1</b><br>").arg(escaped(sheet.patient));
    html += QStringLiteral("Établie le %1</p>\n")
                .arg(escaped(formkit::longText(sheet.today)));
    html += QStringLiteral(
        "<p><img src=\"%1\" width=\"640\" alt=\"Frise de la grossesse, des dernières règles à la "
        "fin du congé de maternité\"></p>\n")
                .arg(escaped(imageSource));
    for (const auto &section : sheet.sections)
        appendSection(html, section);
    appendSection(html, sheet.differences);
    html += QStringLiteral("<h2>Sources</h2>\n<ol class=\"s\">\n");
    for (const auto &footnote : sheet.footnotes)
        html += QStringLiteral("<li>%1</li>\n").arg(escaped(footnote));
    html += QStringLiteral("</ol>\n</body></html>\n");
    return html;
}

QString timelineDataUrl(const Sheet &sheet)
{
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    timelinePicture(sheet).save(&buffer, "PNG");
    return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64());
}

std::unique_ptr<QTextDocument> toDocument(const Sheet &sheet)
{
    auto document = std::make_unique<QTextDocument>();
    document->setMetaInformation(QTextDocument::DocumentTitle, title);
    document->addResource(QTextDocument::ImageResource, QUrl(pictureResource), timelinePicture(sheet));
    document->setHtml(toHtml(sheet, pictureResource));
    return document;
}

QByteArray toPdf(const Sheet &sheet)
{
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Gestiva"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
            QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
        toDocument(sheet)->print(&writer);
    }
    return pdf;
}

} // namespace sheet
