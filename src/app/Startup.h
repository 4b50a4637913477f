#pragma once
// What the program sets up before its first window: the Simplified Chinese
// font and the Chinese texts of Qt's own dialogs and standard buttons.
class QApplication;
class QIcon;

namespace tessaro::ui {

// The application's icon, compiled in (16 to 64 pixels).
QIcon ApplicationIcon();

// Sets the application's font, icon and Chinese texts of Qt's own dialogs.
// Returns false when Qt's Chinese translation could not be loaded (the
// standard buttons then stay English).
bool SetUpApplication(QApplication& app);

}  // namespace tessaro::ui
