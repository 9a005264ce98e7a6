#include "fonts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>

#include <array>

namespace formkit {

namespace {

struct CarriedFace
{
    const char *family;
    const char *file;
};

// The faces the forms ask for: regular and bold, never italic.
constexpr std::array carriedFaces { CarriedFace { "Liberation Sans", "LiberationSans-Regular.ttf" },
    CarriedFace { "Liberation Sans", "LiberationSans-Bold.ttf" },
    CarriedFace { "Liberation Sans Narrow", "LiberationSansNarrow-Regular.ttf" },
    CarriedFace { "Liberation Sans Narrow", "LiberationSansNarrow-Bold.ttf" },
    CarriedFace { "DejaVu Sans", "DejaVuSans.ttf" }, CarriedFace { "DejaVu Sans", "DejaVuSans-Bold.ttf" } };

} // namespace

QString carriedFontsDirectory()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/fonts");
}

QStringList registerMissingDesignFaces(const QString &directory)
{
    const QStringList installed = QFontDatabase::families();
    QStringList missing;
    for (const CarriedFace &face : carriedFaces) {
        const QString family = QString::fromLatin1(face.family);
        if (installed.contains(family, Qt::CaseInsensitive))
            continue;
        const int id = QFontDatabase::addApplicationFont(QDir(directory).filePath(QLatin1String(face.file)));
        if ((id < 0 || !QFontDatabase::applicationFontFamilies(id).contains(family))
            && !missing.contains(family))
            missing.append(family);
    }
    return missing;
}

void installFontSubstitutes()
{
    static const bool installed = [] {
        const QStringList missing = registerMissingDesignFaces(carriedFontsDirectory());
        if (!missing.isEmpty())
            qWarning("gestiva: design fonts missing, neither installed nor carried: %s",
                qPrintable(missing.join(QStringLiteral(", "))));
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
        QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
        return true;
    }();
    Q_UNUSED(installed);
}

// The design's face itself, even where the system has the family it is named after (Windows has
// its own "MS Sans Serif" and "Verdana", of other shapes and widths); asking for the face directly
// also spares Qt a search through fallbacks at start-up.
QFont font(const QString &family, qreal points, bool bold)
{
    installFontSubstitutes();
    QFont f(QFont::substitute(family));
    f.setPointSizeF(points);
    f.setBold(bold);
    f.setItalic(false);
    return f;
}

} // namespace formkit
