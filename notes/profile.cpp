#include "profile.h"

#include <algorithm>
#include <cstring>

namespace notes {

namespace {

// The blanks that QByteArrayView::trimmed() takes away, but the line break, which ends a line.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

constexpr QByteArrayView byteOrderMark = "\xef\xbb\xbf";

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

QByteArray trimmedCopy(QByteArrayView text)
{
    return text.trimmed().toByteArray();
}

} // namespace

void TextEnd::feed(QByteArrayView bytes)
{
    m_lineBreaks += std::count(bytes.begin(), bytes.end(), '\n');
    const qsizetype last = bytes.lastIndexOf('\n');
    if (last >= 0)
        m_lastLineStart = m_position + last + 1;
    m_position += bytes.size();
}

void TextEnd::feedZeros(qint64 count)
{
    m_position += count;
}

void CharacterCount::feed(QByteArrayView bytes)
{
    m_bytes += bytes.size();
    if (!m_valid)
        return;
    // RFC 3629's table of well-formed sequences, so that overlong forms and surrogates count
    // as bytes, as a UTF-8 decoder would reject them.
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (m_continuationsDue > 0) {
            if (byte < m_nextLow || byte > m_nextHigh) {
                m_valid = false;
                return;
            }
            --m_continuationsDue;
            m_nextLow = 0x80;
            m_nextHigh = 0xbf;
            continue;
        }
        ++m_codePoints;
        if (byte < 0x80)
            continue;
        if (byte >= 0xc2 && byte <= 0xdf) {
            m_continuationsDue = 1;
        } else if (byte >= 0xe0 && byte <= 0xef) {
            m_continuationsDue = 2;
            if (byte == 0xe0)
                m_nextLow = 0xa0;
            else if (byte == 0xed)
                m_nextHigh = 0x9f;
        } else if (byte >= 0xf0 && byte <= 0xf4) {
            m_continuationsDue = 3;
            if (byte == 0xf0)
                m_nextLow = 0x90;
            else if (byte == 0xf4)
                m_nextHigh = 0x8f;
        } else {
            m_valid = false;
            return;
        }
    }
}

void CharacterCount::feedZeros(qint64 count)
{
    if (count <= 0)
        return;
    feed(QByteArrayView("", 1));
    m_bytes += count - 1;
    m_codePoints += count - 1;
}

qint64 CharacterCount::characters() const
{
    return m_valid && m_continuationsDue == 0 ? m_codePoints : m_bytes;
}

ProfileScan::ProfileScan(QByteArrayView section, QByteArrayView key, QByteArrayView value, KeyRule rule)
    : m_sectionText(section.toByteArray())
    , m_keyText(key.toByteArray())
    , m_section(trimmedCopy(section))
    , m_key(trimmedCopy(key))
    , m_value(value.toByteArray())
    , m_rule(rule)
{ }

void ProfileScan::startLine(qint64 begin)
{
    m_lineBegin = begin;
    m_phase = Phase::Leading;
    m_isBlank = true;
    m_isHeader = false;
    m_headerIsClosed = false;
    m_nameStarted = false;
    m_matched = 0;
    m_nameMatches = true;
    m_valueBegin = -1;
    m_valueBytes = 0;
    m_valueMatched = 0;
    m_valueIsBlank = true;
}

void ProfileScan::take(char c)
{
    switch (m_phase) {
    case Phase::Leading:
        if (isBlank(c))
            return;
        // A UTF-8 byte order mark before the first line's text, as Notepad writes it.
        if (m_position < qint64(byteOrderMark.size()) && m_position == m_byteOrderMarkMatched
            && c == byteOrderMark[m_byteOrderMarkMatched]) {
            ++m_byteOrderMarkMatched;
            return;
        }
        m_isBlank = false;
        if (c == '[') {
            m_isHeader = true;
            m_phase = Phase::SectionName;
            return;
        }
        m_phase = Phase::KeyName;
        break;
    case Phase::Value:
        ++m_valueBytes;
        if (!isBlank(c))
            m_valueIsBlank = false;
        if (m_valueMatched == m_valueBytes - 1 && m_valueMatched < m_value.size()
            && c == m_value[m_valueMatched])
            ++m_valueMatched;
        return;
    case Phase::SectionName:
    case Phase::KeyName:
    case Phase::Rest:
        break;
    }
    if (m_phase == Phase::Rest)
        return;

    const bool isSection = m_phase == Phase::SectionName;
    if (isSection && c == ']') {
        m_headerIsClosed = true;
        m_phase = Phase::Rest;
        return;
    }
    if (!isSection && c == '=') {
        if (m_nameMatches && m_matched == m_key.size()) {
            m_phase = Phase::Value;
            m_valueBegin = m_position + 1;
        } else {
            m_phase = Phase::Rest;
        }
        return;
    }
    if (!m_nameStarted) {
        if (isBlank(c))
            return;
        m_nameStarted = true;
    }
    // The name matches when it is the wanted one followed by blanks only.
    const QByteArray &wanted = isSection ? m_section : m_key;
    if (m_matched < wanted.size() && asciiLower(c) == asciiLower(wanted[m_matched])) {
        ++m_matched;
    } else if (m_matched < wanted.size() || !isBlank(c)) {
        m_nameMatches = false;
        // A header stays a header; a key that is not ours needs nothing more.
        if (!isSection)
            m_phase = Phase::Rest;
    }
}

bool ProfileScan::lineIsDecided() const
{
    if (m_phase == Phase::Rest)
        return true;
    if (m_phase != Phase::Value)
        return false;
    if (m_rule == KeyRule::NeverReplace)
        return !m_valueIsBlank;
    // Past the wanted value, or a byte that differs from it (a last "\r" may still be the line break's).
    return m_valueBytes > m_value.size() + 1 || m_valueMatched < m_valueBytes - 1;
}

void ProfileScan::finishLine(qint64 textEnd, qint64 lineEnd, bool hasBreak)
{
    // "[name" without its "]" is a line of text like any other.
    if (m_isHeader && m_headerIsClosed) {
        if (m_inSection) {
            m_inSection = false;
        } else if (!m_sectionFound && m_nameMatches && m_matched == m_section.size()) {
            m_sectionFound = m_inSection = true;
            m_lastNonBlankEnd = lineEnd;
            m_lastNonBlankEndsWithBreak = hasBreak;
        }
        return;
    }
    if (!m_inSection)
        return;
    const bool isKey = m_valueBegin >= 0;
    if (isKey && m_rule == KeyRule::ReplaceValue && !m_keyFound) {
        m_keyFound = true;
        m_keyValueBegin = m_valueBegin;
        m_keyValueEnd = textEnd;
        m_keyValueIsEqual = textEnd - m_valueBegin == m_value.size() && m_valueMatched == m_value.size();
    }
    if (!m_isBlank) {
        m_lastNonBlankEnd = lineEnd;
        m_lastNonBlankEndsWithBreak = hasBreak;
        m_lastNonBlankIsEmptyKey = isKey && m_valueIsBlank;
    }
}

void ProfileScan::feed(QByteArrayView bytes)
{
    const char *const data = bytes.data();
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        if (lineIsDecided()) {
            // The rest of the line changes nothing: straight to its end.
            const void *found = std::memchr(data + i, '\n', size_t(size - i));
            const qsizetype next = found ? static_cast<const char *>(found) - data : size;
            if (next > i) {
                if (m_phase == Phase::Value)
                    m_valueBytes += next - i;
                m_position += next - i;
                m_lastByte = data[next - 1];
                i = next;
                if (i == size)
                    break;
            }
        }
        const char c = data[i];
        if (c == '\n') {
            const bool crBefore = m_lastByte == '\r' && m_position > m_lineBegin;
            if (m_lineBreak.isEmpty())
                m_lineBreak = crBefore ? QByteArray("\r\n") : QByteArray("\n");
            finishLine(m_position - (crBefore ? 1 : 0), m_position + 1, true);
            m_textEnd.lineBreakAt(m_position);
            ++m_position;
            startLine(m_position);
        } else {
            take(c);
            ++m_position;
        }
        m_lastByte = c;
        ++i;
    }
}

void ProfileScan::feedZeros(qint64 count)
{
    if (count <= 0)
        return;
    // After one zero byte nothing in the line can match any more: the others only move on.
    feed(QByteArrayView("", 1));
    m_position += count - 1;
    if (m_phase == Phase::Value)
        m_valueBytes += count - 1;
}

void ProfileScan::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_position > m_lineBegin)
        finishLine(m_position - (m_lastByte == '\r' ? 1 : 0), m_position, false);
}

ProfileEdit ProfileScan::plan(QByteArrayView newFileLineBreak)
{
    finish();
    const QByteArrayView lineBreak = m_lineBreak.isEmpty() ? newFileLineBreak : QByteArrayView(m_lineBreak);
    const qint64 size = m_position;
    QByteArray keyLine = m_keyText;
    keyLine.append('=').append(m_value).append(lineBreak);

    if (!m_sectionFound) {
        QByteArray added;
        if (size > 0 && m_lastByte != '\n')
            added += lineBreak;
        added.append('[').append(m_sectionText).append(']').append(lineBreak).append(keyLine);
        return { ProfileEdit::Kind::Append, size, 0, added };
    }
    if (m_keyFound) {
        if (m_keyValueIsEqual)
            return {};
        return { ProfileEdit::Kind::Splice, m_keyValueBegin, m_keyValueEnd - m_keyValueBegin, m_value };
    }
    if (m_rule == KeyRule::NeverReplace && m_lastNonBlankIsEmptyKey)
        return {};
    const QByteArray added = m_lastNonBlankEndsWithBreak ? keyLine : lineBreak.toByteArray() + keyLine;
    const auto kind = m_lastNonBlankEnd == size ? ProfileEdit::Kind::Append : ProfileEdit::Kind::Splice;
    return { kind, m_lastNonBlankEnd, 0, added };
}

} // namespace notes
