#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <string>

#include "KorvantaModelImporterInterface.h"
#include "ModelContents.h"
#include "ModelScene.h"
#include "TextureReport.h"
#include "settings/ImportSettings.h"

class QThread;

namespace kvstudio {

// How one conversion ended.
struct ImportOutcome {
    bool converted = false;  // the importer wrote a model (a cancelled import writes what it built)
    bool cancelled = false;
    QString failure;         // what the importer threw, if it threw
    // Why the importer made no model, when it did not throw: kvimport's words.
    QString whyNotConverted;
    // For a file that loaded only in part: what may be missing, and where.
    QString incomplete;
    // The settings the import ran with, resolved once for it.
    hollin::settings::ImportSettings settings;
    // For a converted model: what became of the textures the file names,
    // what the outline and the materials list show of it, and what the view draws.
    kvhost::TextureReport textures;
    ModelContents contents;
    ModelScene scene;
};

// One call of the importer's ConvertToModel on a thread of its own, so that
// the window stays responsive. The importer's progress reaches the GUI
// thread as signals; Cancel is what the importer's cancellation check
// answers. Beside the conversion, on one more thread, the file is checked
// to say why an import failed or what a file that loads in part may lack.
// After a conversion, the textures are looked for again, the way the
// importer looks for them, to say what became of them, and the model file
// written is read for the outline and the materials list (its outline only)
// and for the view (the arrays it draws), on the conversion's thread. The importer must not be used by anything else until
// Finished.
class ImportRun final : public QObject {
    Q_OBJECT
public:
    // `asAuthored` is the window's "as authored" choice, passed to the importer as the host's option.
    ImportRun(KorvantaModelImporterInterface& importer, QString input, QString output, bool asAuthored,
              QObject* parent = nullptr);
    ~ImportRun() override;

    void Start();
    void Cancel() { cancelled_ = true; }

    const QString& Input() const { return input_; }
    const QString& Output() const { return output_; }

signals:
    void Progressed(double percent);
    // When the importer has returned, before its model is read for the window.
    void Converted();
    void MessageChanged(const QString& message, const QString& secondaryMessage);
    void Finished(const kvstudio::ImportOutcome& outcome);

private:
    class ThreadProgress;

    void Convert();

    KorvantaModelImporterInterface& importer_;
    bool asAuthored_;
    QString input_;
    QString output_;
    std::atomic<bool> cancelled_{false};
    QThread* thread_ = nullptr;
};

}  // namespace kvstudio
