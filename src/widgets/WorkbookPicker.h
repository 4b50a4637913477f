#pragma once
// The open-file road of a layer window: the workbook box Text1 with its open
// button Command2, the sheet list(s), the output name box Text6 and the
// column lists each sheet fills.
//
// Opening a workbook lists its sheets and chooses the first; a workbook that
// cannot be read is reported, and nothing of the previous workbook (sheets,
// columns, output name) is left. Choosing a sheet proposes the output name,
// fills that sheet's column lists with its headers and pre-selects the
// detected columns. For a run, the output name is resolved against the
// workbook's own folder and an existing file is replaced only when the user
// agrees.
//
// The controls keep their design names (Text1, Command2, Combo5, Text6) as
// children of the window; the window places the sheet lists and Text6 in its
// own layout, the picker itself holds the file row.
#include <QGroupBox>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "source/Columns.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace tessaro::ui {

class WorkbookPicker : public QGroupBox {
  Q_OBJECT
 public:
  struct Design {
    QString text1;       // Text1's design text
    QString text6;       // Text6's design text
    QString nameSuffix;  // appended to the proposed name: ".kml", "", "飞线图.kml", "飞线图"
    bool framed = false; // the file row sits in the frame "文件目录"
  };
  using Roles = QList<QPair<tessaro::Role, QComboBox*>>;

  WorkbookPicker(const Design& design, QWidget* window);

  QLineEdit* text1() const { return text1_; }
  QPushButton* command2() const { return command2_; }
  QLineEdit* text6() const { return text6_; }
  // Text6's text; empty while it still shows its design text.
  QString outputName() const;

  // A sheet list (created on the window) and what choosing a sheet in it
  // does: every list of `columns` gets the sheet's headers, `roles` are
  // pre-selected in their order. The first list added is the one whose
  // first sheet is chosen after opening and whose sheet names the output.
  QComboBox* addSheetList(const char* objectName, const QString& designText, const QList<QComboBox*>& columns,
                          const Roles& roles);

  // Chooses the sheets a newly opened workbook starts with: from the header
  // names of every sheet (workbook order) one index per sheet list, in the
  // order added (-1: none, the user chooses). Without a chooser the first
  // list gets the first sheet and the others wait.
  using SheetChooser = std::function<QList<int>(const QList<QStringList>& headers)>;
  void setSheetChooser(SheetChooser chooser) { chooser_ = std::move(chooser); }

  // The sheet lists in the order added (0: the one that names the output).
  QComboBox* sheetList(int index = 0) const { return sides_.value(index).list; }
  // The headers of the sheet chosen in that list; empty before a choice,
  // after a workbook that cannot be read, or when the sheet could not be read.
  QStringList columnNames(int index = 0) const { return sides_.value(index).headers; }

  // The workbook's path; empty before one is opened.
  QString workbook() const;
  // The chosen workbook's file name without its folder.
  const QString& fileName() const { return fileName_; }

  // The output path Text6 names, resolved against the workbook's folder (a
  // bare name lands beside the workbook). Empty while no workbook is open.
  QString outputPath() const;
  // Asks "文件已存在，是否覆盖？" naming those of `targets` that exist (a
  // folder of that name is no file to replace: the run then says why it
  // cannot write there). True when none exists or the user agreed.
  [[nodiscard]] bool confirmReplace(const QStringList& targets);
  // The output path for a run writing Text6 + each of `suffixes` ({""} for
  // one file, {".mif", ".mid"} for a pair). Says "请先打开Excel文件" when no
  // workbook is open and asks before replacing; nothing when the run should
  // not start.
  [[nodiscard]] std::optional<QString> outputForRun(const QStringList& suffixes);

  // The open-file command (Command2).
  void open();
  // Opens `path` as if chosen in the open-file dialog (a workbook named on
  // the program's command line).
  void openFile(const QString& path);
  // A sheet was chosen in `list` (one added by addSheetList).
  void chooseSheet(QComboBox* list);

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 signals:
  // After a sheet choice has refilled the lists of `list`.
  void sheetChosen(QComboBox* list);

 private:
  struct Side {
    QComboBox* list;
    QList<QComboBox*> columns;
    Roles roles;
    QStringList headers;
  };
  void listSheets();
  void clearWorkbook();
  void proposeName();
  Side* sideOf(QComboBox* list);

  Design design_;
  QWidget* window_;
  QLineEdit* text1_;
  QPushButton* command2_;
  QLineEdit* text6_;
  QList<Side> sides_;
  QString fileName_;
  SheetChooser chooser_;
};

}  // namespace tessaro::ui
