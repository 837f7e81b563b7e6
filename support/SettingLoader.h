#pragma once

#include <QSettings>
#include <QString>

// Two-way accessor of one INI configuration file. One routine that visits
// every key serves both directions: in load mode value() fills the variable
// from the file, in store mode it records the variable under the key.
// A missing file or key leaves the variable untouched.
class SettingLoader {
public:
    SettingLoader(const QString& path, bool load);
    ~SettingLoader();

    SettingLoader(const SettingLoader&) = delete;
    SettingLoader& operator=(const SettingLoader&) = delete;

    void beginGroup(const QString& group);
    void endGroup();

    void value(const QString& key, QString& v);
    void value(const QString& key, int& v);
    void value(const QString& key, bool& v);

    bool isLoading() const { return loading; }

private:
    QSettings settings;
    bool loading;
};
