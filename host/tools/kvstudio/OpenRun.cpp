#include "OpenRun.h"

#include <QMetaObject>

#include <mutex>
#include <new>
#include <optional>
#include <thread>
#include <utility>

#include "ModelContents.h"
#include "ModelForView.h"
#include "ModelRewrite.h"
#include "StudioText.h"

namespace kvstudio {

// What the run and its thread share: the run, until it goes.
struct OpenRun::Shared {
    std::mutex mutex;
    OpenRun* run = nullptr;

    bool Abandoned() {
        const std::lock_guard lock(mutex);
        return run == nullptr;
    }
};

OpenRun::OpenRun(QString source, QString copy, QObject* parent)
    : QObject(parent), source_(std::move(source)), copy_(std::move(copy)), shared_(std::make_shared<Shared>()) {
    shared_->run = this;
}

OpenRun::~OpenRun() {
    const std::lock_guard lock(shared_->mutex);
    shared_->run = nullptr;
}

void OpenRun::Start() {
    // Not joined: the library's read and writing cannot be stopped halfway,
    // and a window closing, or ended by a signal, does not wait for them.
    std::thread([shared = shared_, source = source_.toStdString(), copy = copy_.toStdString()] {
        auto outcome = std::make_shared<OpenOutcome>();
        try {
            if (const std::optional<std::string> why = RewriteModelFile(source, copy)) {
                outcome->whyNot = QString::fromStdString(*why);
            } else if (!shared->Abandoned()) {
                ModelForView model = ReadModelForView(copy);
                AddSceneTextures(model.contents, model.scene);
                outcome->contents = std::move(model.contents);
                outcome->scene = std::move(model.scene);
            }
        } catch (const std::bad_alloc&) {
            *outcome = {};
            outcome->whyNot = Tr("there is not enough memory to open it");
        }
        const std::lock_guard lock(shared->mutex);
        if (shared->run == nullptr) return;
        // Dropped, should the run go before it is delivered.
        QMetaObject::invokeMethod(
            shared->run, [run = shared->run, outcome] { emit run->Finished(*outcome); }, Qt::QueuedConnection);
    }).detach();
}

}  // namespace kvstudio
