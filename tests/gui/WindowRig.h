#pragma once

#include "DownloadMainWindow.h"
#include "DownloadWorker.h"
#include "ModalAnswerer.h"
#include "VirtualChip.h"
#include "WorkFolder.h"
#include "WorkerHarness.h"
#include "WorkerSettings.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include <memory>

// A flash-test window in a fresh program folder, its worker in its own thread
// with short link waits, and a virtual chip whose port the window can list.
class WindowRig {
public:
    WindowRig()
    {
        if (!chip.start())
            qFatal("cannot open a pseudo-terminal");
        chip.configure([](ChipKnobs& k) { k.strictLineEnds = true; });
        qputenv("TERVASK_EXTRA_PORTS", chip.portName().toUtf8());
    }

    ~WindowRig()
    {
        if (window && button("stopBtn")->isEnabled())
            button("stopBtn")->click();
        window.reset();
        qunsetenv("TERVASK_EXTRA_PORTS");
    }

    void open(const QVariantMap& config = {}, LinkTiming timing = WorkerHarness::fastTiming())
    {
        if (!config.isEmpty())
            folder.writeConfig(QStringLiteral("cfg/tervask.ini"), QStringLiteral("download"), config);
        window = std::make_unique<DownloadMainWindow>(0);
        window->jobWorker()->setTiming(timing);
        window->show();
    }

    // The operator presses on the port list (which re-reads the ports) and picks the chip's port.
    void choosePort(const QString& name = QString())
    {
        QComboBox* ports = widget<QComboBox>("cbCom");
        QTest::mousePress(ports, Qt::LeftButton);
        ports->hidePopup();
        ports->setCurrentIndex(ports->findText(name.isEmpty() ? chip.portName() : name));
    }

    template <typename T> T* widget(const char* name) const
    {
        T* found = window->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }
    QPushButton* button(const char* name) const { return widget<QPushButton>(name); }
    QString label(const char* name) const { return widget<QLabel>(name)->text(); }
    QString log() const { return widget<QTextEdit>("teLog")->toPlainText(); }
    WorkerSettings& settings() const { return *window->jobSettings(); }

    QStringList counters() const { return { label("Totallb"), label("Passlb"), label("Faillb"), label("Fpylb") }; }

    WorkFolder folder;
    VirtualChip chip;
    ModalAnswerer answerer;
    std::unique_ptr<DownloadMainWindow> window;
};
