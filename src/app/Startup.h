#pragma once
// What the program sets up before its first window: the Simplified Chinese
// font and the Chinese texts of Qt's own dialogs and standard buttons.
class QApplication;

namespace tessaro::ui {

// Returns false when Qt's Chinese translation could not be loaded (the
// standard buttons then stay English).
bool SetUpApplication(QApplication& app);

}  // namespace tessaro::ui
