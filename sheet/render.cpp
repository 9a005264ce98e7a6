#include "sheet.h"

#include "formkit/conversions.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>

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
constexpr int rowHeight = 40;
constexpr int markLevels = 4;
constexpr int markHeight = 24;
constexpr int top = markLevels * markHeight + 12;
constexpr int rightMargin = 48;
constexpr int axisHeight = 52;
constexpr int fontPixels = 20;
constexpr int textPadding = 8;

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
    case TimelineBar::Vaccine:
        return QColor(150, 210, 210);
    case TimelineBar::Delivery:
        return QColor(200, 200, 150);
    case TimelineBar::Postnatal:
        return QColor(250, 220, 170);
    case TimelineBar::Pathological:
        return QColor(240, 160, 150);
    case TimelineBar::Leave:
        return QColor(232, 120, 110);
    }
    return Qt::lightGray;
}

QFont pictureFont()
{
    QFont font;
    font.setPixelSize(fontPixels);
    return font;
}

QColor colourOfMark(const TimelineMark &mark)
{
    return mark.label == QLatin1String("Aujourd'hui") ? QColor(0, 90, 200) : QColor(180, 0, 0);
}

// Where everything of the picture goes, decided once for drawing and for the test that every text
// is whole: bar labels that do not fit their bar go beside it, mark labels take the first level
// where they meet no other.
struct Layout
{
    QSize size;
    int axisY = 0;
    std::vector<TimelineText> rowLabels;
    std::vector<QRect> barRects;
    std::vector<TimelineText> barLabels;
    std::vector<TimelineText> axisLabels;
    std::vector<int> axisTicks;
    std::vector<int> markX;
    std::vector<TimelineText> markLabels;
};

QRect textBox(const QString &text, int centreX, int y, int height)
{
    const int width = timelineTextSize(text).width() + textPadding;
    return { std::clamp(centreX - width / 2, 0, pictureWidth - width), y, width, height };
}

bool meetsAny(const QRect &rect, const std::vector<QRect> &others)
{
    return std::any_of(
        others.begin(), others.end(), [&](const QRect &other) { return other.intersects(rect); });
}

QRect barLabelRect(const QString &label, const QRect &bar, const std::vector<QRect> &obstacles)
{
    const int width = timelineTextSize(label).width() + textPadding;
    if (width <= bar.width())
        return bar;
    const QRect right(bar.right() + 1 + 2, bar.top(), width, bar.height());
    if (right.right() < pictureWidth && !meetsAny(right, obstacles))
        return right;
    const QRect left(bar.left() - 2 - width, bar.top(), width, bar.height());
    if (left.left() >= labelsWidth && !meetsAny(left, obstacles))
        return left;
    return right;
}

Layout layOut(const Sheet &sheet)
{
    Layout layout;
    const int rows = int(sheet.timelineRows.size());
    layout.size = QSize(pictureWidth, top + rows * rowHeight + axisHeight);
    layout.axisY = top + rows * rowHeight;

    const auto first = sheet.timelineDays.first;
    const int totalDays = std::max(1, dating::daysBetween(first, sheet.timelineDays.end));
    const int span = pictureWidth - labelsWidth - rightMargin;
    const auto x
        = [&](dating::Date day) { return labelsWidth + span * dating::daysBetween(first, day) / totalDays; };

    for (int row = 0; row < rows; ++row) {
        layout.rowLabels.push_back({ sheet.timelineRows[std::size_t(row)],
            QRect(8, top + row * rowHeight, labelsWidth - 16, rowHeight - 6) });
    }
    for (const auto &bar : sheet.bars) {
        layout.barRects.push_back(QRect(x(bar.days.first), top + bar.row * rowHeight + 4,
            std::max(2, x(bar.days.end) - x(bar.days.first)), rowHeight - 10));
    }
    for (std::size_t i = 0; i < sheet.bars.size(); ++i) {
        std::vector<QRect> obstacles;
        for (std::size_t j = 0; j < sheet.bars.size(); ++j) {
            if (j != i && sheet.bars[j].row == sheet.bars[i].row)
                obstacles.push_back(layout.barRects[j]);
        }
        for (const auto &placed : layout.barLabels)
            obstacles.push_back(placed.rect);
        layout.barLabels.push_back(
            { sheet.bars[i].label, barLabelRect(sheet.bars[i].label, layout.barRects[i], obstacles) });
    }

    // Weeks of amenorrhea along the axis, every four weeks.
    for (int weeks = 0; 7 * weeks <= totalDays; weeks += 4) {
        const auto day = dating::add(dating::Interval::Week, weeks, first);
        if (!day)
            break;
        layout.axisTicks.push_back(x(*day));
        layout.axisLabels.push_back({ QStringLiteral("%1 SA").arg(weeks),
            textBox(QStringLiteral("%1 SA").arg(weeks), x(*day), layout.axisY + 10, axisHeight - 16) });
    }

    std::vector<std::vector<QRect>> levels(markLevels);
    for (const auto &mark : sheet.marks) {
        layout.markX.push_back(x(mark.day));
        int level = 0;
        while (level < markLevels - 1
            && meetsAny(textBox(mark.label, x(mark.day), 4 + level * markHeight, markHeight),
                levels[std::size_t(level)]))
            ++level;
        const QRect rect = textBox(mark.label, x(mark.day), 4 + level * markHeight, markHeight);
        levels[std::size_t(level)].push_back(rect);
        layout.markLabels.push_back({ mark.label, rect });
    }
    return layout;
}

void drawText(QPainter &painter, const TimelineText &text)
{
    painter.drawText(text.rect, Qt::AlignCenter, text.text);
}

} // namespace

QSize timelineTextSize(const QString &text)
{
    const QFontMetrics metrics(pictureFont());
    return { metrics.horizontalAdvance(text), metrics.height() };
}

QSize timelineSize(const Sheet &sheet)
{
    return layOut(sheet).size;
}

std::vector<TimelineText> timelineTexts(const Sheet &sheet)
{
    const Layout layout = layOut(sheet);
    std::vector<TimelineText> texts = layout.rowLabels;
    for (const auto *part : { &layout.barLabels, &layout.axisLabels, &layout.markLabels })
        texts.insert(texts.end(), part->begin(), part->end());
    return texts;
}

QImage timelinePicture(const Sheet &sheet)
{
    const Layout layout = layOut(sheet);
    QImage image(layout.size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(pictureFont());

    painter.setPen(Qt::black);
    for (const auto &label : layout.rowLabels)
        painter.drawText(label.rect, Qt::AlignVCenter | Qt::AlignLeft, label.text);
    for (std::size_t i = 0; i < sheet.bars.size(); ++i) {
        painter.fillRect(layout.barRects[i], colourOf(sheet.bars[i].kind, int(i)));
        painter.setPen(QColor(80, 80, 80));
        painter.drawRect(layout.barRects[i]);
    }
    // Marks: a line through every row under the texts, the label above on white, since the DPA,
    // 42 SA, the birth and today may fall within days of each other.
    for (std::size_t i = 0; i < sheet.marks.size(); ++i) {
        painter.setPen(QPen(colourOfMark(sheet.marks[i]), 3));
        painter.drawLine(layout.markX[i], layout.markLabels[i].rect.bottom(), layout.markX[i], layout.axisY);
    }
    painter.setPen(Qt::black);
    for (const auto &label : layout.barLabels)
        drawText(painter, label);

    painter.drawLine(labelsWidth, layout.axisY, pictureWidth - rightMargin, layout.axisY);
    for (const int at : layout.axisTicks)
        painter.drawLine(at, layout.axisY, at, layout.axisY + 8);
    for (const auto &label : layout.axisLabels)
        drawText(painter, label);

    for (std::size_t i = 0; i < sheet.marks.size(); ++i) {
        painter.fillRect(layout.markLabels[i].rect, Qt::white);
        painter.setPen(colourOfMark(sheet.marks[i]));
        drawText(painter, layout.markLabels[i]);
    }
    return image;
}

namespace {

// The picture's width in the HTML page, and on paper: QTextDocument::print() adds margins of 2 cm
// to the page's own, which leaves 14 cm of an A4 page with 15 mm margins, 529 pixels at 96 dpi.
constexpr int pageImageWidth = 640;
constexpr int paperImageWidth = 520;

QString pageHtml(const Sheet &sheet, const QString &imageSource, int imageWidth)
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
        "<p><img src=\"%1\" width=\"%2\" alt=\"Frise de la grossesse, des dernières règles à la "
        "fin du congé de maternité\"></p>\n")
                .arg(escaped(imageSource))
                .arg(imageWidth);
    for (const auto &section : sheet.sections)
        appendSection(html, section);
    appendSection(html, sheet.differences);
    html += QStringLiteral("<h2>Sources</h2>\n<ol class=\"s\">\n");
    for (const auto &footnote : sheet.footnotes)
        html += QStringLiteral("<li>%1</li>\n").arg(escaped(footnote));
    html += QStringLiteral("</ol>\n</body></html>\n");
    return html;
}

} // namespace

QString toHtml(const Sheet &sheet, const QString &imageSource)
{
    return pageHtml(sheet, imageSource, pageImageWidth);
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
    document->setHtml(pageHtml(sheet, pictureResource, paperImageWidth));
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
