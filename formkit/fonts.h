#pragma once

#include <QFont>
#include <QString>

// The fonts both forms were designed with, turned into fonts this machine has.
namespace formkit {

// The designer's font families, mapped to metric-compatible free fonts where they are missing.
void installFontSubstitutes();

QFont font(const QString &family, qreal points, bool bold);

} // namespace formkit
