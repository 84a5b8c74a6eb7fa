#pragma once

#include <QObject>
#include <QString>

#include <memory>

#include "ModelContents.h"
#include "ModelScene.h"

namespace kvstudio {

// What File > Open made of a model file.
struct OpenOutcome {
    QString whyNot;  // why the file could not be shown, in the user's words; empty when it can
    ModelContents contents;
    ModelScene scene;
};

// File > Open on a thread of its own, as imports run, so that the window
// goes on answering while the modelling library reads the file and writes
// it anew into the scratch folder, and while the view's arrays are read
// from that copy. The work ends at its next step once the run is gone,
// and the window need not wait for it: a run that outlives its window (a
// signal ends kvstudio while the library writes) finds the scratch folder
// gone and its copy with it.
class OpenRun final : public QObject {
    Q_OBJECT
public:
    OpenRun(QString source, QString copy, QObject* parent = nullptr);
    ~OpenRun() override;

    void Start();

    const QString& Source() const { return source_; }
    const QString& Copy() const { return copy_; }

signals:
    void Finished(const kvstudio::OpenOutcome& outcome);

private:
    struct Shared;

    QString source_;
    QString copy_;
    std::shared_ptr<Shared> shared_;
};

}  // namespace kvstudio
