#include "ecrireini.h"

namespace notes {

namespace {

bool holdsLineBreak(const QString &text)
{
    return text.contains(u'\n') || text.contains(u'\r') || text.contains(QChar(0));
}

ProfileWriteResult write(
    const QString &section, const QString &key, const QString &value, const QString &file, KeyRule rule)
{
    if (section.trimmed().isEmpty() || key.trimmed().isEmpty() || holdsLineBreak(section)
        || holdsLineBreak(key) || holdsLineBreak(value) || section.contains(u']') || key.contains(u'='))
        return {};
    return writeProfileString(section.toLocal8Bit(), key.toLocal8Bit(), value.toLocal8Bit(), file, rule);
}

} // namespace

qint32 EcrireIni(const QString &section, const QString &key, QString value, const QString &file,
    const std::optional<QString> &defaultValue)
{
    if (value.isEmpty())
        value = defaultValue.value_or(QString());
    return write(section, key, value, file, KeyRule::ReplaceValue).outcome == WriteOutcome::Written ? 1 : 0;
}

ProfileWriteResult stampJournal(const QString &section, const QString &key, const QString &file)
{
    return write(section, key, QString(), file, KeyRule::NeverReplace);
}

} // namespace notes
