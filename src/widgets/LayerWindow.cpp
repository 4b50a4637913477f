#include "widgets/LayerWindow.h"

#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
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

QString LayerWindow::MissingInput(const QList<Needed>& needed) {
  for (const Needed& n : needed) {
    const QString text = n.list ? n.list->currentText() : QString();
    if (text.trimmed().isEmpty()) return QStringLiteral("没有选择") + n.what;
    // A list the workbook never filled (its sheet could not be read) has
    // nothing to hold the text against; the run then says what is wrong.
    if (n.list->count() == 0 || n.list->findText(text, Qt::MatchFixedString) >= 0) continue;
    return n.sheet ? QStringLiteral("工作簿中没有工作表“%1”（%2）").arg(text, n.what)
                   : QStringLiteral("工作表中没有列“%1”（%2）").arg(text, n.what);
  }
  return {};
}

std::optional<QString> LayerWindow::checkedOutput(const tessaro::LayerMessages& messages, const QList<Needed>& needed) {
  const QString path = picker_->outputPath();
  if (path.isEmpty()) {
    dialogs().message(this, QStringLiteral("友情提示"), QStringLiteral("请先打开Excel文件"));
    return std::nullopt;
  }
  const QString missing = MissingInput(needed);
  if (!missing.isEmpty()) {
    dialogs().failure(this, QString::fromUtf8(messages.title), QString::fromUtf8(messages.failed), missing, missing);
    return std::nullopt;
  }
  return path;
}

std::optional<QString> LayerWindow::outputForRun(const QStringList& suffixes, const tessaro::LayerMessages& messages,
                                                 const QList<Needed>& needed) {
  const auto path = checkedOutput(messages, needed);
  if (!path) return std::nullopt;
  QStringList targets;
  for (const QString& suffix : suffixes) targets << *path + suffix;
  if (!picker_->confirmReplace(targets)) return std::nullopt;
  return path;
}

QList<LayerWindow::FileState> LayerWindow::States(const QStringList& paths) {
  QList<FileState> states;
  for (const QString& path : paths) {
    const QFileInfo file(path);
    FileState state;
    if (file.isFile()) state = {true, file.size(), file.lastModified().toMSecsSinceEpoch()};
    states.append(state);
  }
  return states;
}

QString LayerWindow::EarlierFiles(const QList<FileState>& before, const QStringList& paths) {
  const QList<FileState> after = States(paths);
  QStringList changed;
  bool existed = false;
  for (qsizetype i = 0; i < paths.size() && i < before.size(); ++i) {
    existed = existed || before[i].exists;
    if (!(before[i] == after[i])) changed << QFileInfo(paths[i]).fileName();
  }
  if (!changed.isEmpty()) return QStringLiteral("文件已改动：") + changed.join(QStringLiteral("、"));
  return existed ? QStringLiteral("原有文件未改动") : QStringLiteral("未生成文件");
}

void LayerWindow::runLayer(const tessaro::LayerMessages& messages, const QStringList& paths,
                           std::function<void(tessaro::Progress&)> job, std::function<QStringList()> lateNotes) {
  if (IsRunning(this)) return;
  const QList<FileState> before = States(paths);
  RunInBackground(this, runPanel_, std::move(job), [this, messages, paths, lateNotes, before](const JobEnd& end) {
    report(messages, paths, end, lateNotes ? lateNotes() : QStringList(), before);
  });
}

void LayerWindow::comeForward() {
  emit frontRequested();
  QWidget* top = window();
  if (top->isMinimized()) top->showNormal();
  top->raise();
  top->activateWindow();
}

void LayerWindow::report(const tessaro::LayerMessages& messages, const QStringList& paths, const JobEnd& end,
                         const QStringList& lateNotes, const QList<FileState>& before) {
  comeForward();
  const QString title = QString::fromUtf8(messages.title);
  QStringList notes = end.notes;
  for (const QString& n : lateNotes)
    if (!n.isEmpty() && !notes.contains(n)) notes << n;
  if (end.cancelled || end.error) {
    const QString files = EarlierFiles(before, paths);
    runPanel_->showOutcome((end.cancelled ? QStringLiteral("已取消，") : QStringLiteral("生成失败，")) + files);
    if (end.cancelled) {
      dialogs().message(this, title, QStringLiteral("已取消，") + files);
      return;
    }
    const QString reason = ErrorReason(end.error);
    const QString firstLine = reason.section('\n', 0, 0);
    dialogs().failure(this, title, QString::fromUtf8(messages.failed), firstLine + '\n' + files,
                      (QStringList{reason} + notes).join('\n'));
    return;
  }
  const QString text = (QStringList{QString::fromUtf8(messages.done)} + notes).join('\n');
  if (!dialogs().completion(this, title, text, paths) || paths.isEmpty()) return;
  const QString folder = FromUtf8(FolderOf(Utf8(paths.first())));
  if (!dialogs().openFolder(folder))
    dialogs().notice(this, QStringLiteral("友情提示"), QStringLiteral("没有可以打开文件夹的文件管理器，请自行打开："),
                     {folder});
}

}  // namespace tessaro::ui
