#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <functional>

class QWidget;

// Answers the modal dialogs a test provokes, in order: each queued answer
// handles the next modal widget that shows up, and records what it saw.
class ModalAnswerer : public QObject {
public:
    ModalAnswerer();

    void clickButton(QMessageBox::StandardButton button);
    void chooseFile(const QString& path);
    void cancelFileDialog();
    void handle(const std::function<void(QWidget*)>& answer);

    bool allAnswered() const { return answers.isEmpty(); }
    QStringList titles;
    QStringList texts;

private:
    void poll();

    QTimer timer;
    QPointer<QWidget> answered;
    QList<std::function<void(QWidget*)>> answers;
};
