#include "profile.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace notes {

namespace {

struct Line
{
    qsizetype begin = 0;
    qsizetype textEnd = 0; // before "\r\n" or "\n"
    qsizetype end = 0; // after the line break, if any
};

std::vector<Line> splitLines(QByteArrayView content)
{
    std::vector<Line> lines;
    qsizetype begin = 0;
    while (begin < content.size()) {
        const qsizetype newline = content.indexOf('\n', begin);
        Line line { begin, newline < 0 ? content.size() : newline,
            newline < 0 ? content.size() : newline + 1 };
        if (line.textEnd > begin && content.at(line.textEnd - 1) == '\r')
            --line.textEnd;
        lines.push_back(line);
        begin = line.end;
    }
    return lines;
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
    if (position == content.size())
        return { ProfileEdit::Kind::Append, bytes };
    QByteArray whole;
    whole.reserve(content.size() + bytes.size());
    whole.append(content.first(position)).append(bytes).append(content.sliced(position));
    return { ProfileEdit::Kind::Rewrite, whole };
}

} // namespace

ProfileEdit planProfileWrite(QByteArrayView content, QByteArrayView section, QByteArrayView key,
    QByteArrayView value, QByteArrayView newFileLineBreak)
{
    const QByteArrayView lineBreak = lineBreakOf(content, newFileLineBreak);
    const std::vector<Line> lines = splitLines(content);
    const auto textOf
        = [&](const Line &line) { return content.sliced(line.begin, line.textEnd - line.begin); };
    const auto endsWithBreak = [&](const Line &line) { return content.at(line.end - 1) == '\n'; };

    const auto header = std::find_if(lines.begin(), lines.end(), [&](const Line &line) {
        const auto name = sectionName(textOf(line));
        return name && sameName(*name, section.trimmed());
    });
    QByteArray keyLine = key.toByteArray();
    keyLine.append('=').append(value).append(lineBreak);

    if (header == lines.end()) {
        QByteArray added;
        if (!content.isEmpty() && !content.endsWith('\n'))
            added += lineBreak;
        added.append('[').append(section).append(']').append(lineBreak).append(keyLine);
        return { ProfileEdit::Kind::Append, added };
    }

    auto lastNonBlank = header;
    for (auto line = header + 1; line != lines.end() && !sectionName(textOf(*line)); ++line) {
        const QByteArrayView text = textOf(*line);
        const auto name = keyName(text);
        if (name && sameName(*name, key.trimmed())) {
            const qsizetype valueBegin = line->begin + text.indexOf('=') + 1;
            if (content.sliced(valueBegin, line->textEnd - valueBegin) == value)
                return {};
            QByteArray whole = content.first(valueBegin).toByteArray();
            whole.append(value).append(content.sliced(line->textEnd));
            return { ProfileEdit::Kind::Rewrite, whole };
        }
        if (!text.trimmed().isEmpty())
            lastNonBlank = line;
    }

    const QByteArray added = endsWithBreak(*lastNonBlank) ? keyLine : lineBreak.toByteArray() + keyLine;
    return insertAt(content, lastNonBlank->end, added);
}

} // namespace notes
