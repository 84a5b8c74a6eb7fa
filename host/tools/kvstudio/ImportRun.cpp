#include "ImportRun.h"

#include <QMetaObject>
#include <QThread>

#include <cstring>
#include <exception>
#include <filesystem>
#include <future>
#include <optional>

#include "HostProgressCallback.h"
#include "HostText.h"
#include "ImportOptions.h"
#include "Interruption.h"
#include "JsonFileReasons.h"
#include "KorvantaAPI.h"
#include "ModelForView.h"
#include "Preferences.h"
#include "SceneFileReasons.h"
#include "scenefile/SceneFile.h"
#include "settings/ImportSettings.h"

namespace kvstudio {

// The importer's progress sink: called on the conversion's thread, it hands
// everything to the GUI thread and answers the cancellation check from the
// flag the Cancel button sets.
class ImportRun::ThreadProgress final : public HostProgressCallback {
public:
    explicit ThreadProgress(ImportRun& run) : run_(run) {}

    bool IsCancelled() override { return run_.cancelled_; }

    void SetPercent(double percent) override {
        QMetaObject::invokeMethod(&run_, [run = &run_, percent] { emit run->Progressed(percent); }, Qt::QueuedConnection);
    }

    void SetSecondaryPercent(double /*percent*/) override {}

    void SetSecondaryMessage(const char* utf8Text) override {
        secondaryMessage_ = QString::fromUtf8(utf8Text != nullptr ? utf8Text : "");
        SendMessages();
    }

    void SetMessage(const std::string& utf8Message) override {
        message_ = QString::fromStdString(utf8Message);
        SendMessages();
    }

private:
    void SendMessages() {
        QMetaObject::invokeMethod(
            &run_, [run = &run_, message = message_, secondary = secondaryMessage_] { emit run->MessageChanged(message, secondary); },
            Qt::QueuedConnection);
    }

    ImportRun& run_;
    QString message_;
    QString secondaryMessage_;
};

ImportRun::ImportRun(KorvantaModelImporterInterface& importer, QString input, QString output, bool asAuthored,
                     QObject* parent)
    : QObject(parent), importer_(importer), asAuthored_(asAuthored), input_(std::move(input)), output_(std::move(output)) {}

ImportRun::~ImportRun() {
    if (thread_ == nullptr) return;
    cancelled_ = true;
    thread_->wait();
    delete thread_;
}

void ImportRun::Start() {
    thread_ = QThread::create([this] { Convert(); });
    thread_->start();
}

void ImportRun::Convert() {
    ImportOutcome outcome;
    ThreadProgress progress(*this);
    const std::filesystem::path input = input_.toStdString();
    // The file is checked again, to say afterwards why it failed or what may
    // be missing from it: on the other core while the importer parses it, so
    // that the check's copy of the file is gone before the model grows.
    std::future<hollin::importer::SceneFileDiagnosis> checking =
        std::async(std::launch::async, [path = input.string()] { return hollin::importer::CheckSceneFileAt(path); });
    try {
        // The window gives its "as authored" choice; the rest is as stored,
        // where the importer's options dialog and Edit > Texture Folders
        // keep it. Read once, and handed to the importer in full.
        hollin::settings::GivenImportSettings given;
        given.asAuthored = asAuthored_;
        outcome.settings = hollin::settings::ResolveImportSettings(hollin::prefs::Get(), given);
        ImportOptions options = hollin::settings::HostOptionsFor(outcome.settings);
        outcome.converted = importer_.ConvertToModel(input_.toStdString(), output_.toStdString(), &progress, &options);
    } catch (const std::exception& exception) {
        outcome.failure = QString::fromStdString(kvhost::WhatWentWrong(exception));
    } catch (...) {
        outcome.failure = QString::fromUtf8(kvhost::Translated("an unknown error"));
    }
    outcome.cancelled = cancelled_;
    QMetaObject::invokeMethod(this, [this] { emit Converted(); }, Qt::QueuedConnection);
    const hollin::importer::SceneFileDiagnosis checked = checking.get();
    // The importer says only that its save failed; the library that saved
    // the model for it knows what the system said.
    if (const int refused = KVModelLastSaveError(output_.toStdString().c_str()); outcome.converted && refused != 0) {
        outcome.converted = false;
        outcome.whyNotConverted = QString::fromStdString(kvhost::Compose("the model could not be saved: %s", {std::strerror(refused)}));
    }
    if (outcome.converted) {
        if (const std::optional<std::string> warning = kvhost::IncompleteFileWarning(checked)) {
            outcome.incomplete = QString::fromStdString(*warning);
        }
        outcome.textures = kvhost::ReportTextures(input, checked.verdict.textureNames, outcome.settings.textureFolders,
                                                  [this] { return cancelled_ || kvhost::CaughtInterruption() != 0; });
        // Into the conversion's freed memory, still this thread's to reuse
        // without the system clearing fresh pages: the window returns what
        // is left once the view has its arrays.
        ModelForView model = ReadModelForView(output_.toStdString());
        outcome.contents = std::move(model.contents);
        outcome.scene = std::move(model.scene);
        AddSceneTextures(outcome.contents, outcome.scene);
        AddTextures(outcome.contents, checked.verdict.materialTextures, outcome.textures);
    } else if (outcome.failure.isEmpty()) {
        outcome.whyNotConverted = QString::fromStdString(kvhost::WhyNotConverted(input, checked));
    }
    QMetaObject::invokeMethod(this, [this, outcome] { emit Finished(outcome); }, Qt::QueuedConnection);
}

}  // namespace kvstudio
