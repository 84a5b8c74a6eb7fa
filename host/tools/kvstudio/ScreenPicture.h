#pragma once

#include <QString>

namespace kvstudio {

class StudioWindow;

// Once the window shows a model, saves a picture of it to `path` (PNG) and
// ends the program: exit code 0, or 1 when no model could be shown or the
// picture not saved. Dialogs that would wait for a click in the meantime,
// the importer's results dialog among them, are closed.
void TakePictureOnceShown(StudioWindow& window, const QString& path);

// A picture of the window as it is on the screen, saved to `path` with its
// folder made; false when it cannot be saved.
bool SavePicture(StudioWindow& window, const QString& path);

}  // namespace kvstudio
