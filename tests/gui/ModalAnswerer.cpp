#include "ModalAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>

ModalAnswerer::ModalAnswerer()
{
    timer.setInterval(20);
    connect(&timer, &QTimer::timeout, this, &ModalAnswerer::poll);
}

void ModalAnswerer::handle(const std::function<void(QWidget*)>& answer)
{
    answers.append(answer);
    timer.start();
}

void ModalAnswerer::clickButton(QMessageBox::StandardButton button)
{
    handle([this, button](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box) {
            titles.append(QStringLiteral("<not a message box: %1>").arg(modal->metaObject()->className()));
            modal->close();
            return;
        }
        titles.append(box->windowTitle());
        texts.append(box->text());
        QAbstractButton* target = box->button(button);
        if (target)
            target->click();
        else
            box->done(QMessageBox::Cancel);
    });
}

void ModalAnswerer::chooseFile(const QString& path)
{
    handle([this, path](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        titles.append(modal->windowTitle());
        if (!dialog) {
            modal->close();
            return;
        }
        dialog->selectFile(path);
        // selectFile() leaves a focused name field alone: type the name as an operator would.
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(path);
        static_cast<QDialog*>(dialog)->accept(); // runs the file dialog's own checks
    });
}

void ModalAnswerer::cancelFileDialog()
{
    handle([this](QWidget* modal) {
        titles.append(modal->windowTitle());
        modal->close();
    });
}

void ModalAnswerer::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal == answered || answers.isEmpty())
        return;
    answered = modal;
    const auto answer = answers.takeFirst();
    if (answers.isEmpty())
        timer.stop();
    // Answered from its own event: an answer may open the next dialog (a file
    // dialog asks before replacing a file), and the timer must keep polling meanwhile.
    QMetaObject::invokeMethod(
        this,
        [answer, modal = QPointer<QWidget>(modal)] {
            if (modal)
                answer(modal);
        },
        Qt::QueuedConnection);
}
