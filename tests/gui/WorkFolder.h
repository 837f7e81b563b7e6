#pragma once

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// A fresh folder made the current directory, with the built translations
// reachable as tr/ and room for cfg/, as beside an installed program.
class WorkFolder {
public:
    WorkFolder()
        : previous(QDir::currentPath())
    {
        QVERIFY(dir.isValid());
        QVERIFY(QFile::link(QStringLiteral(TERVASK_TR_DIR), dir.filePath(QStringLiteral("tr"))));
        QVERIFY(QDir::setCurrent(dir.path()));
    }
    ~WorkFolder() { QDir::setCurrent(previous); }

    QString path(const QString& name) const { return dir.filePath(name); }

    // Writes keys into a configuration file before the program reads it.
    void writeConfig(const QString& file, const QString& group, const QVariantMap& keys) const
    {
        QSettings ini(path(file), QSettings::IniFormat);
        ini.beginGroup(group);
        for (auto it = keys.begin(); it != keys.end(); ++it)
            ini.setValue(it.key(), it.value());
        ini.endGroup();
        ini.sync();
    }

    QByteArray writeFile(const QString& name, int size, char seed = 1) const
    {
        QByteArray bytes(size, Qt::Uninitialized);
        for (int i = 0; i < size; ++i)
            bytes[i] = char(seed + i * 7 + (i >> 8));
        QFile file(path(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
        return bytes;
    }

private:
    QString previous;
    QTemporaryDir dir;
};
