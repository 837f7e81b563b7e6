#include "Recipe.h"

#include "ImageFile.h"
#include "SettingLoader.h"
#include "WorkerSettings.h"

#include <QUrl>

#include <algorithm>

namespace {

// Ports and labels may hold any character: each is percent-encoded, a pair
// is "port=label", and pairs are separated by commas.
QString encodeLabels(const QMap<QString, QString>& labels)
{
    QStringList pairs;
    for (auto it = labels.cbegin(); it != labels.cend(); ++it)
        pairs << QString::fromLatin1(QUrl::toPercentEncoding(it.key()) + '=' + QUrl::toPercentEncoding(it.value()));
    return pairs.join(QLatin1Char(','));
}

QMap<QString, QString> decodeLabels(const QString& text)
{
    QMap<QString, QString> labels;
    for (const QString& pair : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        const QString port = QUrl::fromPercentEncoding(pair.left(equals).trimmed().toLatin1());
        labels.insert(port, QUrl::fromPercentEncoding(pair.mid(equals + 1).toLatin1()));
    }
    return labels;
}

// One routine visits every key; the loader's mode decides the direction.
void exchangeKeys(SettingLoader& loader, Recipe& recipe)
{
    loader.beginGroup(QStringLiteral("factory"));
    loader.value(QStringLiteral("FileName"), recipe.FileName);
    loader.value(QStringLiteral("downloadAddr"), recipe.downloadAddr);
    loader.value(QStringLiteral("FlashSize"), recipe.FlashSize);
    loader.value(QStringLiteral("BaudRate"), recipe.BaudRate);
    loader.value(QStringLiteral("IsErase6620"), recipe.IsErase6620);
    loader.value(QStringLiteral("EraseAddr6620"), recipe.EraseAddr6620);
    loader.value(QStringLiteral("EraseSize6620"), recipe.EraseSize6620);
    loader.value(QStringLiteral("Retries"), recipe.retries);
    QString ports = recipe.ports.join(QLatin1Char(','));
    loader.value(QStringLiteral("Ports"), ports);
    QString labels = encodeLabels(recipe.labels);
    loader.value(QStringLiteral("Labels"), labels);
    loader.value(QStringLiteral("language"), recipe.language);
    loader.endGroup();

    loader.beginGroup(QStringLiteral("identity"));
    loader.value(QStringLiteral("Enabled"), recipe.identity.enabled);
    loader.value(QStringLiteral("Pool"), recipe.identity.pool);
    loader.value(QStringLiteral("FlashAddress"), recipe.identity.flashAddress);
    loader.value(QStringLiteral("Format"), recipe.identity.format);
    loader.value(QStringLiteral("MacsPerChip"), recipe.identity.macsPerChip);
    loader.endGroup();

    if (loader.isLoading()) {
        recipe.ports.clear();
        for (const QString& port : ports.split(QLatin1Char(','), Qt::SkipEmptyParts))
            recipe.ports << port.trimmed();
        recipe.labels = decodeLabels(labels);
        // A negative count would download into a failing chip for ever.
        recipe.retries = std::max(recipe.retries, 0);
    }
}

} // namespace

Recipe Recipe::load(const QString& iniPath)
{
    Recipe recipe;
    SettingLoader loader(iniPath, true);
    exchangeKeys(loader, recipe);
    return recipe;
}

void Recipe::save(const QString& iniPath) const
{
    Recipe copy = *this;
    // The loader writes the file when it is destroyed.
    SettingLoader loader(iniPath, false);
    exchangeKeys(loader, copy);
}

void Recipe::fillSettings(WorkerSettings& settings) const
{
    settings.workMode = 0;
    settings.AutoStart = true;
    settings.AutoTest = false;
    settings.FileName = FileName;
    settings.downloadAddr = downloadAddr;
    settings.FlashSize = FlashSize;
    settings.BaudRate = BaudRate;
    settings.IsErase6620 = IsErase6620;
    settings.EraseAddr6620 = EraseAddr6620;
    settings.EraseSize6620 = EraseSize6620;
    settings.failedChipRetries = std::max(retries, 0);
    settings.language = language;
}

bool Recipe::fillIdentity(IdentitySettings& settings, QString& why) const
{
    settings = IdentitySettings();
    if (!identity.enabled)
        return true;
    if (!IdentitySettings::fromTexts(identity.pool, identity.flashAddress, identity.format,
            QString::number(identity.macsPerChip), settings, why))
        return false;
    why = settings.problem(ImageFile::flashBytes(FlashSize));
    return why.isEmpty();
}
