#pragma once

#include "FactoryWindow.h"
#include "ModalAnswerer.h"
#include "Station.h"
#include "VirtualChip.h"
#include "WorkerHarness.h"
#include "gui/WorkFolder.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>
#include <vector>

// A station window in a fresh program folder, over virtual chips whose ports
// are links in that folder: named once only, so that no earlier run's
// production records count for them. The window is sized as on a 1366 x 768
// screen with a title bar.
class FactoryRig {
public:
    static constexpr int timeoutMs = 30000;
    static QSize screenSize() { return { 1366, 728 }; }

    explicit FactoryRig(int chipCount = 1, int imageBytes = 3000)
    {
        for (int i = 0; i < chipCount; ++i) {
            chips.push_back(std::make_unique<VirtualChip>());
            if (!chips.back()->start(folder.path(QStringLiteral("fixture%1").arg(i))))
                qFatal("cannot open a pseudo-terminal");
            chips.back()->configure([](ChipKnobs& k) { k.strictLineEnds = true; });
        }
        image = folder.writeFile(QStringLiteral("image.bin"), imageBytes);
    }

    QString port(int chip) const { return chips.at(chip)->portName(); }
    QStringList ports() const
    {
        QStringList names;
        for (const auto& chip : chips)
            names << chip->portName();
        return names;
    }
    QString recipePath() const { return folder.path(QStringLiteral("cfg/tervaskfactory.ini")); }
    void writeRecipe(const QVariantMap& keys) const
    {
        folder.writeConfig(QStringLiteral("cfg/tervaskfactory.ini"), QStringLiteral("factory"), keys);
    }

    // Without a command line the window takes the recipe's fixtures and image.
    FactoryWindow& open(const QStringList& fixtures = QStringList(), bool withImage = true)
    {
        FactoryCommandLine line;
        line.valid = true;
        line.ports = fixtures;
        if (withImage)
            line.file = folder.path(QStringLiteral("image.bin"));
        window = std::make_unique<FactoryWindow>(line);
        window->setLinkTiming(WorkerHarness::fastTiming());
        window->resize(screenSize());
        window->show();
        return *window;
    }
    // As a power cut would: the window goes without being closed, then the program starts again.
    FactoryWindow& restart()
    {
        window.reset();
        return open(QStringList(), false);
    }

    QWidget* tile(const QString& key) const { return window->findChild<QWidget*>(QStringLiteral("station:") + key); }
    template <typename T = QLabel> T* tilePart(const QString& key, const char* name) const
    {
        QWidget* found = tile(key);
        return found ? found->findChild<T*>(QString::fromLatin1(name)) : nullptr;
    }
    QString tileText(const QString& key, const char* name) const
    {
        QLabel* label = tilePart(key, name);
        return label ? label->text() : QStringLiteral("<no tile>");
    }
    template <typename T = QPushButton> T* widget(const char* name) const
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    Station* station(const QString& key) const
    {
        for (Station* station : window->stationList()) {
            if (station->key() == key)
                return station;
        }
        return nullptr;
    }

    WorkFolder folder;
    std::vector<std::unique_ptr<VirtualChip>> chips;
    QByteArray image;
    ModalAnswerer answerer;
    std::unique_ptr<FactoryWindow> window;
};
