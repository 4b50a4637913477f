#include "widgets/LayerWindow.h"

#include <QLayout>
#include <QPushButton>

#include "common/OutputPath.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "widgets/RunPanel.h"
#include "widgets/Worker.h"

namespace tessaro::ui {

LayerWindow::LayerWindow(const char* objectName, const QString& title, const WorkbookPicker::Design& design,
                         const char* generateName, const QString& generate, bool percentLabel, QWidget* parent)
    : QWidget(parent) {
  setObjectName(objectName);
  setWindowTitle(title);
  picker_ = new WorkbookPicker(design, this);
  runPanel_ = new RunPanel(this, percentLabel);
  generate_ = NewButton(this, generateName, generate);
  generate_->setMinimumWidth(90);
  runPanel_->addButton(generate_);
}

bool LayerWindow::openMoreOptions() {
  if (!more_) return false;
  more_->open();
  return true;
}

void LayerWindow::offerExtras(Extras offered) {
  more_ = new MoreOptions(offered, picker_, this);
  runPanel_->addButton(more_->button(), generate_);
}

namespace {

// The widgets of `layout` that take Tab focus, in the order the layouts hold
// them; a widget with a layout of its own (a frame, a panel) is entered.
void CollectTabStops(const QLayout* layout, QList<QWidget*>& out) {
  for (int i = 0; i < layout->count(); ++i) {
    QLayoutItem* item = layout->itemAt(i);
    if (QWidget* w = item->widget()) {
      if (w->focusPolicy() & Qt::TabFocus) out << w;
      if (w->layout()) CollectTabStops(w->layout(), out);
    } else if (const QLayout* inner = item->layout()) {
      CollectTabStops(inner, out);
    }
  }
}

}  // namespace

void LayerWindow::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (tabsOrdered_ || !layout()) return;
  tabsOrdered_ = true;
  QList<QWidget*> stops;
  CollectTabStops(layout(), stops);
  for (qsizetype i = 1; i < stops.size(); ++i) setTabOrder(stops[i - 1], stops[i]);
}

void LayerWindow::runLayer(const tessaro::LayerMessages& messages, const QStringList& paths,
                           std::function<void(tessaro::Progress&)> job, std::function<QStringList()> lateNotes) {
  if (IsRunning(this)) return;
  RunInBackground(this, runPanel_, std::move(job), [this, messages, paths, lateNotes](const JobEnd& end) {
    report(messages, paths, end, lateNotes ? lateNotes() : QStringList());
  });
}

void LayerWindow::report(const tessaro::LayerMessages& messages, const QStringList& paths, const JobEnd& end,
                         const QStringList& lateNotes) {
  const QString title = QString::fromUtf8(messages.title);
  if (end.cancelled) {
    dialogs().message(this, title, QStringLiteral("已取消"));
    return;
  }
  QStringList notes = end.notes;
  for (const QString& n : lateNotes)
    if (!n.isEmpty() && !notes.contains(n)) notes << n;
  if (end.error) {
    const QStringList detail = QStringList{ErrorReason(end.error)} + notes;
    dialogs().message(this, title, QString::fromUtf8(messages.failed), detail.join('\n'));
    return;
  }
  const QString text = (QStringList{QString::fromUtf8(messages.done)} + notes).join('\n');
  if (dialogs().completion(this, title, text, paths) && !paths.isEmpty())
    dialogs().openFolder(FromUtf8(FolderOf(Utf8(paths.first()))));
}

}  // namespace tessaro::ui
