#pragma once
// What every layer window is built from: the workbook picker (the file row,
// sheet lists, Text6 and the column lists they fill), the run panel (Pro1,
// "取消" and the command buttons) and one way to run a layer and report its
// end. A window adds its own controls and layout, reads them into the
// layer's parameters and calls runLayer.
#include <QList>
#include <QStringList>
#include <QWidget>
#include <functional>

#include "common/LayerMessages.h"
#include "common/Progress.h"
#include "widgets/MoreOptions.h"
#include "widgets/WorkbookPicker.h"

class QComboBox;
class QPushButton;

namespace tessaro::ui {

class RunPanel;
struct JobEnd;

class LayerWindow : public QWidget {
  Q_OBJECT
 public:
  // The main window calls this each time it shows the window (the template
  // lists are refilled here).
  virtual void refreshOnShow() {}

  WorkbookPicker* picker() const { return picker_; }
  RunPanel* runPanel() const { return runPanel_; }

  // Opens the "更多选项…" dialog as its button does; false (nothing shown)
  // in a window that offers no extras.
  bool openMoreOptions();

  // A list a run needs filled: a column list must name one of its sheet's
  // columns, a sheet list one of the workbook's sheets (when the workbook
  // filled it). `what` names it in
  // the reason a failure gives ("经度列", "数据表").
  struct Needed {
    QComboBox* list;
    QString what;
    bool sheet = false;
  };
  // The reason the first of `needed` is not filled, or "" when all are:
  // "没有选择经度列", "工作表中没有列“X”（经度列）". Case is ignored, as
  // the workbook's query engine ignores it.
  static QString MissingInput(const QList<Needed>& needed);

 signals:
  // A run of this window ended: the window wants to be the one shown, so
  // its message appears over it (the main window shows it).
  void frontRequested();

 protected:
  // `generate` is the caption of the window's generate button (Command1, or
  // Command3 in the fly-line windows); `percentLabel` puts "进度： N%"
  // before the bar.
  LayerWindow(const char* objectName, const QString& title, const WorkbookPicker::Design& design,
              const char* generateName, const QString& generate, bool percentLabel, QWidget* parent);

  // The generate button; the window connects it.
  QPushButton* generateButton() const { return generate_; }

  // Puts "更多选项…" before the generate button, offering `offered` (see
  // MoreOptions). A window without extras has no such button.
  void offerExtras(Extras offered);
  // The extras chosen; all off in a window that offers none.
  ExtraValues extras() const { return more_ ? more_->values() : ExtraValues{}; }

  // The checks before a run, in this order: a workbook is open (else
  // "请先打开Excel文件"); every list of `needed` is filled (else the
  // layer's failure message with the reason, and nothing is asked); then
  // "文件已存在，是否覆盖？" naming those of Text6 + each of `suffixes`
  // that exist. The output path, or nothing when the run should not start.
  std::optional<QString> outputForRun(const QStringList& suffixes, const tessaro::LayerMessages& messages,
                                      const QList<Needed>& needed);
  // The first two checks alone; the window asks before replacing its own
  // list of files (WorkbookPicker::confirmReplace).
  [[nodiscard]] std::optional<QString> checkedOutput(const tessaro::LayerMessages& messages, const QList<Needed>& needed);

  // Runs `job` in the background and reports its end with `messages`, over
  // this window (brought to the front first): the completion message with
  // the notes under it, the written `paths` and the folder button; the
  // failure message with the reason's first line and what became of the
  // earlier files under it, the whole reason and the notes as its detail;
  // "已取消，原有文件未改动" (or "未生成文件") when the user stopped it.
  // After a failure or a stop the bar is empty and says the same. `lateNotes`,
  // when given, adds notes the job returned rather than noted (read after
  // the end).
  void runLayer(const tessaro::LayerMessages& messages, const QStringList& paths,
                std::function<void(tessaro::Progress&)> job, std::function<QStringList()> lateNotes = {});

 protected:
  // The first show puts the Tab order in layout order (rows left to right,
  // columns top to bottom as the window's layouts hold them).
  void showEvent(QShowEvent* e) override;

 private:
  struct FileState {
    bool exists = false;
    qint64 size = 0;
    qint64 modified = 0;  // ms since the epoch
    bool operator==(const FileState& o) const {
      return exists == o.exists && size == o.size && modified == o.modified;
    }
  };
  static QList<FileState> States(const QStringList& paths);
  // What became of the files a stopped or failed run would have written.
  static QString EarlierFiles(const QList<FileState>& before, const QStringList& paths);
  void report(const tessaro::LayerMessages& messages, const QStringList& paths, const JobEnd& end,
              const QStringList& lateNotes, const QList<FileState>& before);
  void comeForward();

  WorkbookPicker* picker_;
  RunPanel* runPanel_;
  QPushButton* generate_;
  MoreOptions* more_ = nullptr;
  bool tabsOrdered_ = false;
};

}  // namespace tessaro::ui
