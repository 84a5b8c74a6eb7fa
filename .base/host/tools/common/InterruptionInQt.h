#pragma once

#include <QCoreApplication>
#include <QSocketNotifier>

#include "Interruption.h"

namespace kvhost {

// Ends every event loop of the application, a dialog's included, once
// CatchInterruptions has caught a signal: the program then leaves its
// windows and cleans up as after any other ending. The application's exec()
// returns the signal's exit code.
inline void EndEventLoopsOnInterruption(QCoreApplication& application) {
    if (InterruptionDescriptor() < 0) return;
    auto* notifier = new QSocketNotifier(InterruptionDescriptor(), QSocketNotifier::Read, &application);
    QObject::connect(notifier, &QSocketNotifier::activated, &application, [notifier] {
        notifier->setEnabled(false);
        QCoreApplication::exit(ExitCodeForSignal(CaughtInterruption()));
    });
}

}  // namespace kvhost
