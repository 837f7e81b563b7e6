#pragma once

#include <QDialog>

class WorkerSettings;

namespace Ui {
class DownloadSetupDialog;
}

// Edits the serial speed, flash size, download address and the optional erase
// range of the record; refuses an erase range that does not fit the flash.
class DownloadSetupDialog : public QDialog {
    Q_OBJECT

public:
    explicit DownloadSetupDialog(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~DownloadSetupDialog() override;

    // Also puts a "0X" prefix in front of the record's erase texts that lack one.
    void loadFrom(WorkerSettings& s);
    void saveTo(WorkerSettings& s) const;

public slots:
    void accept() override;
    void onFlashSizeChanged(int);

private:
    int flashBytes() const;

    Ui::DownloadSetupDialog* ui;
};
