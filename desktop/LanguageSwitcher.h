#pragma once

#include <QString>
#include <QTranslator>

// The two translators of a desktop window and the files they load. Both are
// installed for the whole life of the switcher; switching only reloads them.
class LanguageSwitcher {
public:
    LanguageSwitcher();
    ~LanguageSwitcher();

    LanguageSwitcher(const LanguageSwitcher&) = delete;
    LanguageSwitcher& operator=(const LanguageSwitcher&) = delete;

    // Loads the Chinese or the English texts (a missing file leaves the texts
    // untranslated) and returns the language name kept in the configuration,
    // "Chinese" or "English".
    QString load(bool chinese);

    const QString chinesePath { QStringLiteral("tr/tervask_chs.qm") };
    const QString englishPath { QStringLiteral("tr/tervask_en.qm") };
    const QString qtPath { QStringLiteral("tr/qt_zh_CN.qm") };

private:
    QTranslator appTranslator;
    QTranslator qtTranslator;
};
