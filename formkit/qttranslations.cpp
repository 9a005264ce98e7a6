#include "qttranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace formkit {

bool loadQtTranslations(QCoreApplication &application)
{
    auto translator = std::make_unique<QTranslator>();
    const QLocale french(QLocale::French, QLocale::France);
    for (const QString &directory : { QLibraryInfo::path(QLibraryInfo::TranslationsPath),
             QCoreApplication::applicationDirPath() + QStringLiteral("/translations") }) {
        if (translator->load(french, QStringLiteral("qtbase"), QStringLiteral("_"), directory)) {
            translator->setParent(&application);
            return application.installTranslator(translator.release());
        }
    }
    return false;
}

} // namespace formkit
