#include "ecrireini.h"

#include "platform.h"
#include "profilefile.h"

#include <QDir>

namespace notes {

namespace {

bool holdsLineBreak(const QString &text)
{
    return text.contains(u'\n') || text.contains(u'\r') || text.contains(QChar(0));
}

} // namespace

qint32 EcrireIni(const QString &section, const QString &key, QString value,
    const std::optional<QString> &file, const std::optional<QString> &defaultValue)
{
    const QString path
        = file.value_or(QDir(nativePlatform().journalDirectory()).filePath(QStringLiteral("gestiva.INI")));
    if (value.isEmpty())
        value = defaultValue.value_or(QString());
    return EcrireIni(section, key, value, path, nullptr);
}

qint32 EcrireIni(
    const QString &section, const QString &key, QString value, const QString &file, TextPosition *end)
{
    if (section.trimmed().isEmpty() || key.trimmed().isEmpty() || holdsLineBreak(section)
        || holdsLineBreak(key) || holdsLineBreak(value) || section.contains(u']') || key.contains(u'='))
        return 0;
    return writeProfileString(section.toLocal8Bit(), key.toLocal8Bit(), value.toLocal8Bit(), file, end) ? 1
                                                                                                        : 0;
}

} // namespace notes
