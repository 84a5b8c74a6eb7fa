// What kvstudio's window tests share.

#include "StudioFixture.h"

#include <QPlainTextEdit>
#include <QSignalSpy>

namespace studiotest {

Imported Studio::ImportAndWait(const std::function<void()>& start, bool expectModel, const QString& picture) {
    QSignalSpy finished(window_.get(), &StudioWindow::ImportFinished);
    QSignalSpy shown(window_.get(), &StudioWindow::ModelShown);
    Imported seen;
    int resultsShown = 0;
    const QPointer<QTimer> results = WhenDialogOpens(
        [&](QDialog& dialog) {
            ++resultsShown;
            seen.statusAtResults = StatusText();
            seen.report = dialog.findChild<QPlainTextEdit*>()->toPlainText();
            if (!picture.isEmpty()) dialog.grab().save(picture);
            dialog.accept();
        },
        [](const QDialog& dialog) { return dialog.findChild<QPlainTextEdit*>() != nullptr; });
    start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1 && (!expectModel || shown.count() >= 1); }, kImportTimeoutMs))
        << "the import did not end";
    // Nor does a results dialog that never came wait for the next import's.
    delete results;
    EXPECT_EQ(resultsShown, 1);
    if (expectModel) QTest::qWait(kDrawnMs);
    return seen;
}

bool Studio::OpenAndWait(const QString& path, bool throughMenu) {
    QSignalSpy shown(window_.get(), &StudioWindow::ModelShown);
    if (throughMenu) {
        WhenDialogOpens([path](QDialog& dialog) { ChooseFile(dynamic_cast<QFileDialog&>(dialog), path); });
        Action("open").trigger();
    } else {
        window_->Open(path);
    }
    if (!QTest::qWaitFor([&] { return shown.count() == 1; }, kImportTimeoutMs)) return false;
    QTest::qWait(kDrawnMs);
    return true;
}

}  // namespace studiotest
