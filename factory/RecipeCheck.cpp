// Whether a recipe, perhaps edited by hand, may run: every value is one the
// window itself could have set, or Start is refused naming the key and the value.
#include "CheckEraseRange.h"
#include "FixtureKey.h"
#include "ImageFile.h"
#include "Recipe.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <limits>

namespace {

constexpr int maxStations = 16;
constexpr int maxLabelLength = 64;

QString unreadableText(const QString& key, const QString& value)
{
    return QCoreApplication::translate("Recipe", "The recipe's %1=%2 cannot be read.").arg(key, value);
}

// Hexadecimal with an optional "0x", as the setup dialog takes an erase range; -1 for anything else.
qint64 hexValue(const QString& text)
{
    static const QRegularExpression hex(QStringLiteral("^(0[xX])?[0-9a-fA-F]{1,8}$"));
    if (!hex.match(text).hasMatch())
        return -1;
    return text.right(text.size() - (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? 2 : 0))
        .toLongLong(nullptr, 16);
}

bool isAddress(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^(0[xX][0-9a-fA-F]{1,8}|[0-9]{1,10})$"));
    return number.match(text).hasMatch();
}

QString eraseProblem(const Recipe& recipe)
{
    const qint64 address = hexValue(recipe.EraseAddr6620);
    if (address < 0)
        return unreadableText(QStringLiteral("EraseAddr6620"), recipe.EraseAddr6620);
    const qint64 size = hexValue(recipe.EraseSize6620);
    if (size < 0)
        return unreadableText(QStringLiteral("EraseSize6620"), recipe.EraseSize6620);
    QString error;
    const auto clamp = [](qint64 v) { return int(qMin<qint64>(v, std::numeric_limits<int>::max())); };
    if (checkEraseRange(int(ImageFile::flashBytes(recipe.FlashSize)), clamp(address), clamp(size), error))
        return QString();
    return QCoreApplication::translate("Recipe", "The recipe's %1=%2, %3=%4 is refused: %5")
        .arg(QStringLiteral("EraseAddr6620"), recipe.EraseAddr6620, QStringLiteral("EraseSize6620"),
            recipe.EraseSize6620, error);
}

QString offeredProblem(const QString& key, const QString& value, const QStringList& offered)
{
    if (offered.contains(value))
        return QString();
    return QCoreApplication::translate("Recipe", "The recipe's %1=%2 is not one of the offered values (%3).")
        .arg(key, value, offered.join(QStringLiteral(", ")));
}

QString portsProblem(const Recipe& recipe)
{
    const QString key = QStringLiteral("Ports");
    if (recipe.ports.size() > maxStations)
        return QCoreApplication::translate("Recipe", "The recipe's %1 names %2 fixtures, at most %3.")
            .arg(key)
            .arg(recipe.ports.size())
            .arg(maxStations);
    for (qsizetype i = 0; i < recipe.ports.size(); ++i) {
        const QString& port = recipe.ports.at(i);
        if (!FixtureKey::isWellFormed(port))
            return QCoreApplication::translate("Recipe", "The recipe's %1=%2 is not a port name or a USB socket.")
                .arg(key, port);
        if (recipe.ports.indexOf(port) != i)
            return QCoreApplication::translate("Recipe", "The recipe's %1=%2 names a fixture twice.").arg(key, port);
    }
    return QString();
}

QString labelsProblem(const Recipe& recipe)
{
    static const QRegularExpression control(QStringLiteral("[\\x00-\\x1f\\x7f]"));
    for (auto it = recipe.labels.cbegin(); it != recipe.labels.cend(); ++it) {
        if (it.value().size() > maxLabelLength || control.match(it.value()).hasMatch())
            return QCoreApplication::translate(
                "Recipe", "The recipe's %1=%2 is not a label (at most %3 characters, no control characters).")
                .arg(QStringLiteral("Labels"), it.key() + QLatin1Char('=') + it.value())
                .arg(maxLabelLength);
    }
    return QString();
}

} // namespace

QString Recipe::problem() const
{
    if (!unreadable.isEmpty())
        return unreadableText(unreadable.first().first, unreadable.first().second);
    if (!isAddress(downloadAddr))
        return unreadableText(QStringLiteral("downloadAddr"), downloadAddr);
    for (const QString& found : { offeredProblem(QStringLiteral("BaudRate"), BaudRate, offeredBauds()),
             offeredProblem(QStringLiteral("FlashSize"), FlashSize, offeredFlashSizes()) }) {
        if (!found.isEmpty())
            return found;
    }
    if (retries < 0 || retries > maxRetries)
        return QCoreApplication::translate("Recipe", "The recipe's %1=%2 is out of range (0 to %3).")
            .arg(QStringLiteral("Retries"))
            .arg(retries)
            .arg(maxRetries);
    if (IsErase6620) {
        const QString erase = eraseProblem(*this);
        if (!erase.isEmpty())
            return erase;
    }
    const QString ports = portsProblem(*this);
    return ports.isEmpty() ? labelsProblem(*this) : ports;
}
