#include "LanguageSwitcher.h"

#include <QCoreApplication>

LanguageSwitcher::LanguageSwitcher()
{
    QCoreApplication::installTranslator(&appTranslator);
    QCoreApplication::installTranslator(&qtTranslator);
}

LanguageSwitcher::~LanguageSwitcher()
{
    QCoreApplication::removeTranslator(&qtTranslator);
    QCoreApplication::removeTranslator(&appTranslator);
}

QString LanguageSwitcher::load(bool chinese)
{
    if (chinese) {
        (void)qtTranslator.load(qtPath);
        (void)appTranslator.load(chinesePath);
        return QStringLiteral("Chinese");
    }
    // Loading no file empties the translator, so Qt's own texts fall back to English.
    (void)qtTranslator.load(QString());
    (void)appTranslator.load(englishPath);
    return QStringLiteral("English");
}
