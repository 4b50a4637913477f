#pragma once
// The open-file road every layer window repeats: choose a workbook, list its
// sheets, fill the column lists and pre-select the detected columns.
#include <QComboBox>
#include <QLineEdit>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include "source/Columns.h"

namespace tessaro::ui {

// The file dialog's filter for workbooks.
QString WorkbookFilter();

// The open-file command: asks for workbooks (several may be chosen; the
// first is used), sets `text1` to its full path and `*fileName` to its name.
// False when cancelled (nothing changes).
bool ChooseWorkbook(QWidget* parent, QLineEdit* text1, QString* fileName);

// Clears `combo5`, adds the workbook's sheet names in workbook order and
// selects the first (which fires the window's sheet choice). Errors leave the
// list empty, without a message.
void ListSheets(QComboBox* combo5, const QString& path);

// Clears every list and adds the sheet's header names to each. Returns the
// headers (empty when the sheet cannot be read).
QStringList FillColumnLists(const QString& path, const QString& sheet, const QList<QComboBox*>& lists);

// Sets the text of each role's list to the detected column (or clears it).
void ApplyDetection(const QStringList& headers, const QList<QPair<tessaro::Role, QComboBox*>>& roles);

// The proposed output name into `text6` (unchanged when the rule gives none).
void ProposeName(QLineEdit* text6, const QString& fileName, const QString& sheet, const QString& extension);

// Scrolls a box that is not being edited back to the start of its text: a
// text set by the program otherwise shows its tail when it is wider than the
// box.
void ShowTextStart(QLineEdit* box);
void ShowTextStart(QComboBox* list);

// A column list: editable, so it can show its design text until filled.
QComboBox* NewColumnList(QWidget* parent, const QString& objectName, const QString& designText);

std::string Utf8(const QString& s);
QString FromUtf8(const std::string& s);

}  // namespace tessaro::ui
