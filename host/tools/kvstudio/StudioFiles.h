#pragma once

#include <QString>

#include "KorvantaModelImporterInterface.h"

class QMimeData;
class QProgressDialog;
class QWidget;

namespace kvstudio {

class ImportRun;

// The files kvstudio takes and writes, as its window meets them.

bool HasSuffix(const QString& path, const char* suffix);

// "3DS Files (*.3ds *.3DS)": the importer's description with its own
// extensions, in both cases, since names on this system are case-sensitive.
QString ImportFilter(const KorvantaModelImporterInterface& importer);

// The one local file a drag carries, if it carries just one.
QString DraggedFile(const QMimeData* data);

// Why the window will not take what is dropped on it, in words for the
// status bar, or nothing when it takes it: one .3ds file or .kvm model at a
// time, and none while a file is being imported or opened.
QString WhyDropRefused(const QMimeData* data, bool busy);

// The folder File > Export proposes: the last one exported to, else the
// shown model's, else the user's documents or home, the first of them the
// user can write (a model imported from /usr/share is not exported there).
QString ExportFolderFor(const QString& lastExportFolder, const QString& shownSource);

// Copies a file whole, the target replaced only once it is complete; why
// not, or nothing.
QString CopyFile(const QString& source, const QString& target);

// Removes a folder that a thread of the program may still be writing into:
// renamed first, so that nothing more can be made in it, then removed whole.
void RemoveFolderInUse(const QString& folder);

// The progress of an import as a dialog that does not block the window:
// the importer's percentages and messages under `title`, and Cancel.
QProgressDialog* MakeImportProgress(QWidget& parent, ImportRun& run, const QString& title);

}  // namespace kvstudio
