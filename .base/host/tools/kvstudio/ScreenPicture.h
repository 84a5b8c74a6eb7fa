#pragma once

#include <QString>

namespace kvstudio {

class StudioWindow;

// Once the window shows a model, saves a picture of it to `path` (PNG) and
// ends the program: exit code 0, or 1 with the reason on standard error
// after a failed import, a refused file, a model the view could not show or
// a picture not saved. What the status bar says goes to standard error too. Dialogs that would wait for a click in the meantime,
// the importer's results dialog among them, are closed.
void TakePictureOnceShown(StudioWindow& window, const QString& path);

// A picture of the window as it is on the screen, saved to `path` with its
// folder made; false when it cannot be saved.
bool SavePicture(StudioWindow& window, const QString& path);

}  // namespace kvstudio
