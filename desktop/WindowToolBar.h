#pragma once

#include <QObject>

class QAction;
class QMainWindow;
class QRadioButton;
class QToolBar;

// The tool bar every desktop window carries: the English and Chinese choice,
// optionally "Save log", and "About". The window decides what each one does.
class WindowToolBar : public QObject {
    Q_OBJECT

public:
    enum Extras {
        AboutOnly,
        SaveLogAndAbout,
    };

    WindowToolBar(QMainWindow* window, Extras extras);

    // Checks the button of the stored language ("Chinese", anything else is English).
    void showLanguage(const QString& language);
    bool chineseChosen() const;
    void retranslate();
    void setVisible(bool visible);

signals:
    void languageToggled();
    void aboutTriggered();
    void saveLogTriggered();

private:
    QToolBar* toolBar = nullptr;
    QRadioButton* englishBtn = nullptr;
    QRadioButton* chineseBtn = nullptr;
    QAction* saveLogAction = nullptr;
    QAction* aboutAction = nullptr;
};
