#include "profile.h"

#include <QList>
#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace notes {

namespace {

struct Line
{
    qsizetype begin = 0;
    qsizetype textEnd = 0; // before "\r\n" or "\n"
    qsizetype end = 0; // after the line break, if any
};

// The line that starts at begin.
Line lineAt(QByteArrayView content, qsizetype begin)
{
    const qsizetype newline = content.indexOf('\n', begin);
    Line line { begin, newline < 0 ? content.size() : newline, newline < 0 ? content.size() : newline + 1 };
    if (line.textEnd > begin && content.at(line.textEnd - 1) == '\r')
        --line.textEnd;
    return line;
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Only ASCII letters fold: the bytes may be in any 8-bit encoding.
bool sameName(QByteArrayView a, QByteArrayView b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        return asciiLower(x) == asciiLower(y);
    });
}

std::optional<QByteArrayView> sectionName(QByteArrayView text)
{
    text = text.trimmed();
    if (!text.startsWith('['))
        return std::nullopt;
    const qsizetype close = text.indexOf(']');
    return (close < 0 ? text.sliced(1) : text.sliced(1, close - 1)).trimmed();
}

std::optional<QByteArrayView> keyName(QByteArrayView text)
{
    const qsizetype equals = text.indexOf('=');
    if (equals < 0)
        return std::nullopt;
    return text.first(equals).trimmed();
}

QByteArrayView lineBreakOf(QByteArrayView content, QByteArrayView newFileLineBreak)
{
    const qsizetype newline = content.indexOf('\n');
    if (newline < 0)
        return newFileLineBreak;
    return (newline > 0 && content.at(newline - 1) == '\r') ? QByteArrayView("\r\n") : QByteArrayView("\n");
}

ProfileEdit insertAt(QByteArrayView content, qsizetype position, const QByteArray &bytes)
{
    const auto kind = position == content.size() ? ProfileEdit::Kind::Append : ProfileEdit::Kind::Rewrite;
    return { kind, position, 0, bytes };
}

} // namespace

ProfileEdit planProfileWrite(QByteArrayView content, QByteArrayView section, QByteArrayView key,
    QByteArrayView value, QByteArrayView newFileLineBreak)
{
    const QByteArrayView lineBreak = lineBreakOf(content, newFileLineBreak);
    const auto textOf
        = [&](const Line &line) { return content.sliced(line.begin, line.textEnd - line.begin); };
    const auto endsWithBreak = [&](const Line &line) { return content.at(line.end - 1) == '\n'; };

    // Lines are found one after the other as the scan goes: a table of them would cost as much
    // memory again as the journal.
    std::optional<Line> header;
    for (qsizetype begin = 0; begin < content.size() && !header;) {
        const Line line = lineAt(content, begin);
        const auto name = sectionName(textOf(line));
        if (name && sameName(*name, section.trimmed()))
            header = line;
        begin = line.end;
    }
    QByteArray keyLine = key.toByteArray();
    keyLine.append('=').append(value).append(lineBreak);

    if (!header) {
        QByteArray added;
        if (!content.isEmpty() && !content.endsWith('\n'))
            added += lineBreak;
        added.append('[').append(section).append(']').append(lineBreak).append(keyLine);
        return { ProfileEdit::Kind::Append, content.size(), 0, added };
    }

    Line lastNonBlank = *header;
    for (qsizetype begin = header->end; begin < content.size();) {
        const Line line = lineAt(content, begin);
        if (sectionName(textOf(line)))
            break;
        begin = line.end;
        const QByteArrayView text = textOf(line);
        const auto name = keyName(text);
        if (name && sameName(*name, key.trimmed())) {
            const qsizetype valueBegin = line.begin + text.indexOf('=') + 1;
            if (content.sliced(valueBegin, line.textEnd - valueBegin) == value)
                return {};
            return { ProfileEdit::Kind::Rewrite, valueBegin, line.textEnd - valueBegin, value.toByteArray() };
        }
        if (!text.trimmed().isEmpty())
            lastNonBlank = line;
    }

    const QByteArray added = endsWithBreak(lastNonBlank) ? keyLine : lineBreak.toByteArray() + keyLine;
    return insertAt(content, lastNonBlank.end, added);
}

TextPosition endOfText(std::initializer_list<QByteArrayView> pieces)
{
    qsizetype lineBreaks = 0;
    for (const QByteArrayView piece : pieces)
        lineBreaks += std::count(piece.begin(), piece.end(), '\n');
    QByteArray lastLine;
    for (auto piece = std::rbegin(pieces); piece != std::rend(pieces); ++piece) {
        const qsizetype newline = piece->lastIndexOf('\n');
        lastLine.prepend(piece->sliced(newline + 1));
        if (newline >= 0)
            break;
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8(lastLine);
    const qsizetype characters = utf8.hasError() ? lastLine.size() : decoded.toUcs4().size();
    return { int(lineBreaks) + 1, int(characters) + 1 };
}

} // namespace notes
