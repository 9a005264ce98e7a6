#include "editors.h"

namespace notes {

std::optional<QStringList> caretArguments(QStringView program, TextPosition caret)
{
    const QString line = QString::number(caret.line);
    const QString column = QString::number(caret.column);
    if (program == u"gedit" || program == u"emacs")
        return QStringList { u'+' + line + u':' + column };
    // These take a line only.
    if (program == u"pluma" || program == u"xed")
        return QStringList { u'+' + line };
    if (program == u"nano")
        return QStringList { u'+' + line + u',' + column };
    // A lone "+" is FeatherPad's own "end of the document".
    if (program == u"featherpad")
        return QStringList { QStringLiteral("+") };
    // Geany counts columns from 0.
    if (program == u"geany")
        return QStringList { QStringLiteral("--line=") + line,
            QStringLiteral("--column=") + QString::number(caret.column - 1) };
    if (program == u"kate" || program == u"kwrite")
        return QStringList { QStringLiteral("--line"), line, QStringLiteral("--column"), column };
    // cursor() stops at the last line and column when asked beyond them.
    if (program == u"vim" || program == u"gvim")
        return QStringList { QStringLiteral("+call cursor(%1,%2)").arg(line, column) };
    return std::nullopt;
}

std::optional<QStringList> windowsCaretArguments(QStringView program, const QString &file, TextPosition caret)
{
    QStringView name = program;
    if (name.endsWith(u".exe", Qt::CaseInsensitive))
        name.chop(4);
    const QString line = QString::number(caret.line);
    const QString column = QString::number(caret.column);
    if (name.compare(u"notepad++", Qt::CaseInsensitive) == 0)
        return QStringList { QStringLiteral("-n") + line, QStringLiteral("-c") + column, file };
    if (name.compare(u"code", Qt::CaseInsensitive) == 0)
        return QStringList { QStringLiteral("--goto"), file + u':' + line + u':' + column };
    return std::nullopt;
}

namespace {

bool isFileCode(QStringView argument)
{
    return argument == u"%f" || argument == u"%F" || argument == u"%u" || argument == u"%U";
}

// One argument with its field codes expanded; nothing when it holds the file's code.
std::optional<QString> expanded(QStringView argument, const DesktopEntry &entry)
{
    QString text;
    for (qsizetype i = 0; i < argument.size(); ++i) {
        if (argument[i] != u'%' || i + 1 == argument.size()) {
            text += argument[i];
            continue;
        }
        const QChar code = argument[++i];
        if (code == u'%')
            text += u'%';
        else if (code == u'c')
            text += entry.name;
        else if (code == u'k')
            text += entry.location;
        else if (QStringView(u"fFuU").contains(code))
            return std::nullopt;
        // Any other code (%i inside a word, the deprecated ones) stands for nothing.
    }
    return text;
}

} // namespace

std::optional<QStringList> entryArguments(
    const DesktopEntry &entry, const QStringList &caret, const QString &file)
{
    QStringList arguments;
    bool fileGiven = false;
    for (const QString &argument : entry.arguments) {
        if (isFileCode(argument)) {
            // One file at the first code; the rules allow no second one.
            if (!fileGiven)
                arguments << caret << file;
            fileGiven = true;
        } else if (argument == u"%i") {
            if (!entry.icon.isEmpty())
                arguments << QStringLiteral("--icon") << entry.icon;
        } else {
            const std::optional<QString> text = expanded(argument, entry);
            if (!text)
                return std::nullopt;
            // A word made only of codes that stand for nothing is no argument.
            if (!text->isEmpty() || !argument.contains(u'%'))
                arguments << *text;
        }
    }
    if (!fileGiven)
        arguments << caret << file;
    return arguments;
}

QStringList commonGraphicalEditors()
{
    return { QStringLiteral("gedit"), QStringLiteral("gnome-text-editor"), QStringLiteral("kate"),
        QStringLiteral("kwrite"), QStringLiteral("pluma"), QStringLiteral("xed"), QStringLiteral("mousepad"),
        QStringLiteral("featherpad"), QStringLiteral("geany") };
}

} // namespace notes
