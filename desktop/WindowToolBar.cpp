#include "WindowToolBar.h"

#include <QAction>
#include <QMainWindow>
#include <QRadioButton>
#include <QToolBar>

WindowToolBar::WindowToolBar(QMainWindow* window, Extras extras)
    : QObject(window)
{
    toolBar = window->addToolBar(tr("Tools"));
    toolBar->setFixedHeight(30);
    const QFont buttonFont(QStringLiteral("Times"), 12);
    englishBtn = new QRadioButton(tr("English"), window);
    englishBtn->setFont(buttonFont);
    chineseBtn = new QRadioButton(tr("Chinese"), window);
    chineseBtn->setFont(buttonFont);
    toolBar->addWidget(englishBtn);
    toolBar->addWidget(chineseBtn);
    toolBar->addSeparator();

    if (extras == SaveLogAndAbout) {
        saveLogAction = new QAction(QIcon(QStringLiteral(":/images/save.png")), tr("Save log"), window);
        toolBar->addAction(saveLogAction);
        toolBar->addSeparator();
        connect(saveLogAction, &QAction::triggered, this, &WindowToolBar::saveLogTriggered);
    }
    aboutAction = new QAction(QIcon(QStringLiteral(":/images/about.png")), tr("About"), window);
    toolBar->addAction(aboutAction);
    toolBar->addSeparator();

    connect(aboutAction, &QAction::triggered, this, &WindowToolBar::aboutTriggered);
    connect(englishBtn, &QRadioButton::toggled, this, &WindowToolBar::languageToggled);
    connect(chineseBtn, &QRadioButton::toggled, this, &WindowToolBar::languageToggled);
}

void WindowToolBar::showLanguage(const QString& language)
{
    if (language == QLatin1String("Chinese"))
        chineseBtn->setChecked(true);
    else
        englishBtn->setChecked(true);
}

bool WindowToolBar::chineseChosen() const
{
    return chineseBtn->isChecked();
}

void WindowToolBar::retranslate()
{
    chineseBtn->setText(tr("Chinese"));
    englishBtn->setText(tr("English"));
    aboutAction->setText(tr("About"));
    if (saveLogAction)
        saveLogAction->setText(tr("Save log"));
    toolBar->setWindowTitle(tr("Tools"));
}

void WindowToolBar::setVisible(bool visible)
{
    toolBar->setVisible(visible);
}
