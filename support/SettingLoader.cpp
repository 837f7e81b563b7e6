#include "SettingLoader.h"

SettingLoader::SettingLoader(const QString& path, bool load)
    : settings(path, QSettings::IniFormat)
    , loading(load)
{ }

SettingLoader::~SettingLoader()
{
    if (!loading)
        settings.sync();
}

void SettingLoader::beginGroup(const QString& group)
{
    settings.beginGroup(group);
}

void SettingLoader::endGroup()
{
    settings.endGroup();
}

void SettingLoader::value(const QString& key, QString& v)
{
    if (!loading) {
        settings.setValue(key, v);
        return;
    }
    const QVariant stored = settings.value(key);
    // A list (a value with an unquoted comma) is still text the user wrote.
    if (stored.userType() == QMetaType::QStringList)
        v = stored.toStringList().join(QLatin1Char(','));
    else if (stored.isValid())
        v = stored.toString();
}

void SettingLoader::value(const QString& key, int& v)
{
    if (!loading) {
        settings.setValue(key, v);
        return;
    }
    const QVariant stored = settings.value(key);
    if (!stored.isValid())
        return;
    bool ok = false;
    const int number = stored.toString().trimmed().toInt(&ok);
    if (ok)
        v = number;
}

void SettingLoader::value(const QString& key, bool& v)
{
    if (!loading) {
        settings.setValue(key, v);
        return;
    }
    const QVariant stored = settings.value(key);
    if (!stored.isValid())
        return;
    const QString text = stored.toString().trimmed().toLower();
    if (text == QLatin1String("true") || text == QLatin1String("1"))
        v = true;
    else if (text == QLatin1String("false") || text == QLatin1String("0"))
        v = false;
}
