#pragma once

class QMainWindow;

namespace kvstudio {

// The window as the user left it (size, place, panels), kept in kvstudio's
// own settings (QSettings), and always within the screen it opens on, at
// any scale factor: a first start takes 1280 by 800 or what fits.
void RestorePlacement(QMainWindow& window);
void SavePlacement(const QMainWindow& window);

// Every dialog opens centred over the window, the importer's own too, which
// the plug-in makes without a parent, and within the screen.
void CentreDialogsOver(QMainWindow& window);

}  // namespace kvstudio
