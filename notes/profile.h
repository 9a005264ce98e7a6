#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

namespace notes {

// How one key=value write changes the bytes of a profile file: bytes go at position, in the
// place of replaced old bytes. An append is at the end and replaces nothing.
struct ProfileEdit
{
    enum class Kind { Unchanged, Append, Splice };
    Kind kind = Kind::Unchanged;
    qint64 position = 0;
    qint64 replaced = 0;
    QByteArray bytes;
};

// What a write does when the key already stands in the section.
enum class KeyRule {
    ReplaceValue, // the profile rule: the first such line gets the new value
    // The journal's stamp: the user may have typed after the "=", so nothing is replaced; the key
    // line is added again at the end of the section, unless that section's last line is already
    // this key with nothing after it.
    NeverReplace,
};

// Where the text ends: the line breaks in it, and where its last line starts.
class TextEnd
{
public:
    void feed(QByteArrayView bytes);
    void feedZeros(qint64 count);
    // A line break at position, for a reader that finds them itself.
    void lineBreakAt(qint64 position)
    {
        ++m_lineBreaks;
        m_lastLineStart = position + 1;
    }
    qint64 lineBreaks() const { return m_lineBreaks; }
    qint64 lastLineStart() const { return m_lastLineStart; }

private:
    qint64 m_position = 0;
    qint64 m_lineBreaks = 0;
    qint64 m_lastLineStart = 0;
};

// The characters of a text given piece by piece: UTF-8 when it reads as such, else one a byte.
class CharacterCount
{
public:
    void feed(QByteArrayView bytes);
    void feedZeros(qint64 count);
    qint64 characters() const;

private:
    qint64 m_bytes = 0;
    qint64 m_codePoints = 0;
    int m_continuationsDue = 0;
    unsigned char m_nextLow = 0x80;
    unsigned char m_nextHigh = 0xbf;
    bool m_valid = true;
};

// Plans one key=value write from the file's bytes, given in order, piece by piece, so that no
// file is ever held whole. Profile rules on raw 8-bit text: a section runs from the first header
// "[name]" whose name, spaces trimmed and ASCII letter case ignored, is section, to the next
// header ("[name" without its "]" is no header; a UTF-8 byte order mark may stand before the first
// line). A new key goes right after the section's last non-blank line, a missing section is
// added at the end. Every other byte stays as it was, and new lines use the file's own line
// break (newFileLineBreak when the file has none yet). section, key and value hold no line
// break and no zero byte, section and key are not blank.
class ProfileScan
{
public:
    ProfileScan(QByteArrayView section, QByteArrayView key, QByteArrayView value, KeyRule rule);

    void feed(QByteArrayView bytes);
    // A run of zero bytes, as a hole in a sparse file reads, taken in one step.
    void feedZeros(qint64 count);

    // After the last piece.
    void finish();
    ProfileEdit plan(QByteArrayView newFileLineBreak);
    const TextEnd &textEnd() const { return m_textEnd; }

private:
    enum class Phase {
        Leading, // only blanks so far
        SectionName, // after "[": comparing the name with section
        KeyName, // comparing the text before "=" with key
        Value, // after "=" of a line whose key is key
        Rest, // nothing more to learn from this line
    };

    void take(char c);
    bool lineIsDecided() const;
    void finishLine(qint64 textEnd, qint64 lineEnd, bool hasBreak);
    void startLine(qint64 begin);

    QByteArray m_sectionText; // as written
    QByteArray m_keyText;
    QByteArray m_section; // as compared
    QByteArray m_key;
    QByteArray m_value;
    KeyRule m_rule;

    qint64 m_position = 0;
    char m_lastByte = 0;
    qint64 m_byteOrderMarkMatched = 0;
    QByteArray m_lineBreak; // empty until the first line break is seen
    TextEnd m_textEnd;

    // The line being read.
    Phase m_phase = Phase::Leading;
    qint64 m_lineBegin = 0;
    bool m_isBlank = true;
    bool m_isHeader = false;
    bool m_headerIsClosed = false;
    bool m_nameStarted = false;
    qsizetype m_matched = 0; // bytes of section or key matched so far
    bool m_nameMatches = true;
    qint64 m_valueBegin = -1; // set on a line whose key is key
    qint64 m_valueBytes = 0;
    qsizetype m_valueMatched = 0;
    bool m_valueIsBlank = true;

    // The section, once its header is found.
    bool m_inSection = false;
    bool m_sectionFound = false;
    qint64 m_lastNonBlankEnd = 0;
    bool m_lastNonBlankEndsWithBreak = false;
    bool m_lastNonBlankIsEmptyKey = false;
    bool m_keyFound = false;
    qint64 m_keyValueBegin = 0;
    qint64 m_keyValueEnd = 0;
    bool m_keyValueIsEqual = false;
    bool m_finished = false;
};

} // namespace notes
