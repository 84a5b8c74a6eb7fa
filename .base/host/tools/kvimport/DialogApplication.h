#pragma once

#include <memory>
#include <string>

#include <QApplication>

namespace kvimport {

// kvimport running as a Qt application, so that the importer can show its
// windows; only made when a dialog was asked for, so that a plain run needs
// no display.
class DialogApplication {
public:
    // Null, with `error` saying why, when there is no display to show
    // windows on (Qt would end the process instead).
    static std::unique_ptr<DialogApplication> Start(std::string& error);

    DialogApplication(const DialogApplication&) = delete;
    DialogApplication& operator=(const DialogApplication&) = delete;

private:
    DialogApplication() = default;

    // QApplication keeps referring to its arguments, so they live beside it.
    int argumentCount_ = 1;
    char programName_[9] = "kvimport";
    char* arguments_[2] = {programName_, nullptr};
    QApplication application_{argumentCount_, arguments_};
};

}  // namespace kvimport
