#pragma once
// The small builders every layer window makes its controls with, so a
// control of one kind looks and behaves the same in every window.
#include <QString>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace tessaro::ui {

std::string Utf8(const QString& s);
QString FromUtf8(const std::string& s);

// A text box with its design text (and tooltip), wide enough to show `text`
// whole.
QLineEdit* NewBox(QWidget* parent, const char* objectName, const QString& text, const QString& tip = {});
// A short number box of a fixed width.
QLineEdit* NewNumberBox(QWidget* parent, const char* objectName, const QString& text, int width = 48);
// A command button; Enter in a box does not press it.
QPushButton* NewButton(QWidget* parent, const char* objectName, const QString& caption);
// A "<" or ">" step button: narrow and left out of the Tab order, so Tab
// walks the boxes and reaches the command buttons.
QPushButton* NewStepButton(QWidget* parent, const char* objectName, const QString& caption);
// A caption label, right-aligned against the control it names. With a
// `buddy`, the label is linked to it (QLabel::setBuddy) and names it for
// screen readers (see NameField).
QLabel* NewCaption(QWidget* parent, const QString& text, QWidget* buddy = nullptr);
// Names `field` for screen readers: `caption` without its trailing colon
// ("扇区透明度：" gives "扇区透明度").
void NameField(QWidget* field, const QString& caption);
// A column (or sheet) list: editable, so it can show its design text until
// it is filled, and wide enough to show the design text whole.
QComboBox* NewColumnList(QWidget* parent, const QString& objectName, const QString& designText);

// Makes `w` at least wide enough to show `text` whole in its font.
void FitText(QLineEdit* box, const QString& text);
void FitText(QComboBox* list, const QString& text);

// Scrolls a box that is not being edited back to the start of its text: a
// text set by the program otherwise shows its tail when it is wider than the
// box.
void ShowTextStart(QLineEdit* box);
void ShowTextStart(QComboBox* list);

// Sets a list's text without firing its change signals: `index` chosen, or
// none with `text` shown.
void SetListQuietly(QComboBox* list, int index, const QString& text = {});

}  // namespace tessaro::ui
