#pragma once
// What every layer window is built from: the workbook picker (the file row,
// sheet lists, Text6 and the column lists they fill), the run panel (Pro1,
// "取消" and the command buttons) and one way to run a layer and report its
// end. A window adds its own controls and layout, reads them into the
// layer's parameters and calls runLayer.
#include <QStringList>
#include <QWidget>
#include <functional>

#include "common/LayerMessages.h"
#include "common/Progress.h"
#include "widgets/MoreOptions.h"
#include "widgets/WorkbookPicker.h"

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

  // The output path for a run (see WorkbookPicker::outputForRun), or nothing
  // when the run should not start.
  std::optional<QString> outputForRun(const QStringList& suffixes) { return picker_->outputForRun(suffixes); }

  // Runs `job` in the background and reports its end with `messages`: the
  // completion message with the notes under it, the written `paths` and the
  // folder button; the failure message with the reason and the notes as its
  // detail; "已取消" when the user stopped it. `lateNotes`, when given, adds
  // notes the job returned rather than noted (read after the end).
  void runLayer(const tessaro::LayerMessages& messages, const QStringList& paths,
                std::function<void(tessaro::Progress&)> job, std::function<QStringList()> lateNotes = {});

 protected:
  // The first show puts the Tab order in layout order (rows left to right,
  // columns top to bottom as the window's layouts hold them).
  void showEvent(QShowEvent* e) override;

 private:
  void report(const tessaro::LayerMessages& messages, const QStringList& paths, const JobEnd& end,
              const QStringList& lateNotes);

  WorkbookPicker* picker_;
  RunPanel* runPanel_;
  QPushButton* generate_;
  MoreOptions* more_ = nullptr;
  bool tabsOrdered_ = false;
};

}  // namespace tessaro::ui
