#pragma once

// Answering a modal dialog from a test: the dialog's own event loop runs the
// answer once the dialog is up, so that the code which opened it goes on
// once it is closed.

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <functional>

// Handles the next modal dialog (the next one that `which` picks) as it
// opens. Deleting the timer returned stops the wait.
inline QPointer<QTimer> WhenDialogOpens(std::function<void(QDialog&)> handle,
                                        std::function<bool(const QDialog&)> which = [](const QDialog&) { return true; }) {
    auto* poll = new QTimer();
    QObject::connect(poll, &QTimer::timeout, [poll, handle = std::move(handle), which = std::move(which)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible() || !which(*dialog)) return;
        poll->stop();
        poll->deleteLater();
        handle(*dialog);
    });
    poll->start(20);
    return poll;
}
