#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

// The fonts both forms were designed with, turned into fonts this machine has.
namespace formkit {

// The free faces the design is drawn with, which the program carries in "fonts" beside itself
// for the systems that lack them (Windows has none of them).
QString carriedFontsDirectory();

// Registers the carried files of each design face this machine lacks; gives the families that
// are still missing afterwards (nothing when every face was found or registered).
QStringList registerMissingDesignFaces(const QString &directory);

// The designer's font families ("MS Sans Serif", "Arial", "Verdana") mapped to the free faces the
// design is drawn with, those faces registered from the carried files where the machine lacks
// them. Once per program; font() sees to it.
void installFontSubstitutes();

// The design's face for a family the designer named, so the forms are drawn the same everywhere.
QFont font(const QString &family, qreal points, bool bold);

} // namespace formkit
