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

QStringList commonGraphicalEditors()
{
    return { QStringLiteral("gedit"), QStringLiteral("gnome-text-editor"), QStringLiteral("kate"),
        QStringLiteral("kwrite"), QStringLiteral("pluma"), QStringLiteral("xed"), QStringLiteral("mousepad"),
        QStringLiteral("featherpad"), QStringLiteral("geany") };
}

} // namespace notes
