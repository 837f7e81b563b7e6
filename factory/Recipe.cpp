#include "Recipe.h"

#include "IdentitySettings.h"
#include "ImageFile.h"
#include "SettingLoader.h"
#include "WorkerSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>

namespace {

// Every value as the file holds it: one routine visits every key, in both
// directions, and the conversions to and from the recipe's types stay apart.
struct RecipeTexts {
    QString imageSize, retries, isErase, fixedWaits, failSound, operatorView;
    QString ports, labels, disabled, shiftStarts, countingSince;
    QString identityEnabled, macsPerChip;
};

// Ports and labels may hold any character: each is percent-encoded, a pair
// is "port=label", and pairs are separated by commas.
QString encodeLabels(const QMap<QString, QString>& labels)
{
    QStringList pairs;
    for (auto it = labels.cbegin(); it != labels.cend(); ++it)
        pairs << QString::fromLatin1(QUrl::toPercentEncoding(it.key()) + '=' + QUrl::toPercentEncoding(it.value()));
    return pairs.join(QLatin1Char(','));
}

void decodeLabels(const QString& text, Recipe& recipe)
{
    for (const QString& pair : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            recipe.unreadable.append({ QStringLiteral("Labels"), pair });
            continue;
        }
        const QString port = QUrl::fromPercentEncoding(pair.left(equals).trimmed().toLatin1());
        recipe.labels.insert(port, QUrl::fromPercentEncoding(pair.mid(equals + 1).toLatin1()));
    }
}

QStringList listOf(const QString& text)
{
    QStringList items;
    for (const QString& item : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        items << item.trimmed();
    return items;
}

const QString timeFormat = QStringLiteral("hh:mm");

void exchangeKeys(SettingLoader& loader, Recipe& recipe, RecipeTexts& texts)
{
    loader.beginGroup(QStringLiteral("factory"));
    loader.value(QStringLiteral("FileName"), recipe.FileName);
    loader.value(QStringLiteral("ImageSize"), texts.imageSize);
    loader.value(QStringLiteral("ImageCrc"), recipe.imageCrc);
    loader.value(QStringLiteral("downloadAddr"), recipe.downloadAddr);
    loader.value(QStringLiteral("FlashSize"), recipe.FlashSize);
    loader.value(QStringLiteral("BaudRate"), recipe.BaudRate);
    loader.value(QStringLiteral("IsErase6620"), texts.isErase);
    loader.value(QStringLiteral("EraseAddr6620"), recipe.EraseAddr6620);
    loader.value(QStringLiteral("EraseSize6620"), recipe.EraseSize6620);
    loader.value(QStringLiteral("Retries"), texts.retries);
    loader.value(QStringLiteral("FixedWaits"), texts.fixedWaits);
    loader.value(QStringLiteral("Ports"), texts.ports);
    loader.value(QStringLiteral("Labels"), texts.labels);
    loader.value(QStringLiteral("Disabled"), texts.disabled);
    loader.value(QStringLiteral("FailSound"), texts.failSound);
    loader.value(QStringLiteral("LeadPin"), recipe.leadPin);
    loader.value(QStringLiteral("ShiftStarts"), texts.shiftStarts);
    loader.value(QStringLiteral("CountingSince"), texts.countingSince);
    loader.value(QStringLiteral("WorkOrder"), recipe.workOrder);
    loader.value(QStringLiteral("OperatorView"), texts.operatorView);
    loader.value(QStringLiteral("language"), recipe.language);
    loader.endGroup();

    loader.beginGroup(QStringLiteral("identity"));
    loader.value(QStringLiteral("Enabled"), texts.identityEnabled);
    loader.value(QStringLiteral("Pool"), recipe.identity.pool);
    loader.value(QStringLiteral("FlashAddress"), recipe.identity.flashAddress);
    loader.value(QStringLiteral("Format"), recipe.identity.format);
    loader.value(QStringLiteral("MacsPerChip"), texts.macsPerChip);
    loader.endGroup();
}

RecipeTexts textsOf(const Recipe& recipe)
{
    const auto flag = [](bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); };
    RecipeTexts texts;
    texts.imageSize = recipe.imageSize < 0 ? QString() : QString::number(recipe.imageSize);
    texts.retries = QString::number(recipe.retries);
    texts.isErase = flag(recipe.IsErase6620);
    texts.fixedWaits = flag(recipe.fixedWaits);
    texts.failSound = flag(recipe.failSound);
    texts.operatorView = flag(recipe.operatorView);
    texts.identityEnabled = flag(recipe.identity.enabled);
    texts.macsPerChip = QString::number(recipe.identity.macsPerChip);
    texts.ports = recipe.ports.join(QLatin1Char(','));
    texts.labels = encodeLabels(recipe.labels);
    texts.disabled = recipe.disabled.join(QLatin1Char(','));
    QStringList starts;
    for (const QTime& start : recipe.shiftStarts)
        starts << start.toString(timeFormat);
    texts.shiftStarts = starts.join(QLatin1Char(','));
    texts.countingSince
        = recipe.countingSince.isValid() ? recipe.countingSince.toUTC().toString(Qt::ISODateWithMs) : QString();
    return texts;
}

// A flag, number or time that is not one is kept aside for problem(): nothing
// runs with a value guessed in its place.
void readFlag(const QString& key, const QString& text, bool& flag, Recipe& recipe)
{
    const QString value = text.trimmed().toLower();
    if (value == QLatin1String("true") || value == QLatin1String("1"))
        flag = true;
    else if (value == QLatin1String("false") || value == QLatin1String("0"))
        flag = false;
    else
        recipe.unreadable.append({ key, text });
}

void readTexts(const RecipeTexts& texts, Recipe& recipe)
{
    bool ok = true;
    if (!texts.imageSize.isEmpty()) {
        recipe.imageSize = texts.imageSize.trimmed().toLongLong(&ok);
        if (!ok || recipe.imageSize < 0)
            recipe.unreadable.append({ QStringLiteral("ImageSize"), texts.imageSize });
    }
    readFlag(QStringLiteral("IsErase6620"), texts.isErase, recipe.IsErase6620, recipe);
    readFlag(QStringLiteral("FixedWaits"), texts.fixedWaits, recipe.fixedWaits, recipe);
    recipe.retries = texts.retries.trimmed().toInt(&ok);
    if (!ok)
        recipe.unreadable.append({ QStringLiteral("Retries"), texts.retries });
    recipe.ports = listOf(texts.ports);
    decodeLabels(texts.labels, recipe);
    recipe.disabled = listOf(texts.disabled);
    readFlag(QStringLiteral("FailSound"), texts.failSound, recipe.failSound, recipe);
    readFlag(QStringLiteral("OperatorView"), texts.operatorView, recipe.operatorView, recipe);
    QList<QTime> starts;
    for (const QString& text : listOf(texts.shiftStarts)) {
        const QTime start = QTime::fromString(text, timeFormat);
        if (!start.isValid())
            recipe.unreadable.append({ QStringLiteral("ShiftStarts"), text });
        starts << start;
    }
    if (!starts.isEmpty())
        recipe.shiftStarts = starts;
    if (!texts.countingSince.isEmpty())
        recipe.countingSince = QDateTime::fromString(texts.countingSince, Qt::ISODateWithMs);
    readFlag(QStringLiteral("identity/Enabled"), texts.identityEnabled, recipe.identity.enabled, recipe);
    recipe.identity.macsPerChip = texts.macsPerChip.trimmed().toInt(&ok);
    if (!ok)
        recipe.unreadable.append({ QStringLiteral("identity/MacsPerChip"), texts.macsPerChip });
}

} // namespace

const QStringList& Recipe::offeredBauds()
{
    static const QStringList bauds { QStringLiteral("921600"), QStringLiteral("460800"), QStringLiteral("115200") };
    return bauds;
}

const QStringList& Recipe::offeredFlashSizes()
{
    static const QStringList sizes { QStringLiteral("1MByte"), QStringLiteral("2MByte"), QStringLiteral("4MByte") };
    return sizes;
}

Recipe Recipe::load(const QString& iniPath)
{
    Recipe recipe;
    RecipeTexts texts = textsOf(recipe);
    SettingLoader loader(iniPath, true);
    exchangeKeys(loader, recipe, texts);
    readTexts(texts, recipe);
    return recipe;
}

bool Recipe::save(const QString& iniPath) const
{
    // QSettings writes the text (over a copy of the file, so that groups of
    // other parts stay), QSaveFile puts it in place in one step.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return false;
    const QString draft = scratch.filePath(QStringLiteral("recipe.ini"));
    if (QFile::exists(iniPath) && !QFile::copy(iniPath, draft))
        return false;
    {
        Recipe copy = *this;
        RecipeTexts texts = textsOf(copy);
        // The loader writes the file when it is destroyed.
        SettingLoader loader(draft, false);
        exchangeKeys(loader, copy, texts);
    }
    QFile written(draft);
    if (!written.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = written.readAll();
    QDir().mkpath(QFileInfo(iniPath).path());
    QSaveFile file(iniPath);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
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
    settings.FixedWaits = fixedWaits;
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
