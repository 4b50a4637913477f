#include "app/MDIForm1.h"

#include <QAction>
#include <QCloseEvent>
#include <QEvent>
#include <QTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QShortcut>

#include "kml/ui/Form1.h"
#include "kml/ui/Form2.h"
#include "kml/ui/Form3.h"
#include "kml/ui/Form5.h"
#include "mif/ui/map.h"
#include "mif/ui/map2.h"
#include "mif/ui/map3.h"
#include "widgets/Controls.h"
#include "widgets/Dialogs.h"
#include "app/Form4.h"
#include "widgets/Worker.h"

namespace tessaro::ui {

namespace {
const char* const kChildOrder[] = {"Form1", "Form2", "Form3", "Form5", "map", "map2", "map3", "Form4"};
constexpr int kOuterWidth = 600;
constexpr int kOuterHeight = 360;
}  // namespace

MDIForm1::MDIForm1(QWidget* parent) : QMainWindow(parent) {
  setObjectName("MDIForm1");
  setWindowTitle(QStringLiteral("Tessaro (公测）V1.0.5"));
  area_ = new QMdiArea(this);
  area_->setObjectName("MDIArea");
  area_->installEventFilter(this);
  setCentralWidget(area_);

  auto addItem = [this](QMenu* menu, const char* name, const QString& caption, const QString& child) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, [this, child] { showChild(child); });
  };
  // Alt + the underlined letter opens a menu; F10 the first one.
  QMenu* google = menuBar()->addMenu(QStringLiteral("&Google图层"));
  google->setObjectName("Google");
  addItem(google, "bts", QStringLiteral("基站扇区"), "Form1");
  addItem(google, "dt", QStringLiteral("路测轨迹"), "Form2");
  addItem(google, "gaoji", QStringLiteral("飞线专题"), "Form3");
  addItem(google, "dibiao", QStringLiteral("CQT 地标"), "Form5");
  QMenu* mapinfo = menuBar()->addMenu(QStringLiteral("&Mapinfo图层"));
  mapinfo->setObjectName("Mapinfo");
  addItem(mapinfo, "ms", QStringLiteral("基站扇区"), "map");
  addItem(mapinfo, "ml", QStringLiteral("路测轨迹"), "map2");
  addItem(mapinfo, "fx", QStringLiteral("飞线专题"), "map3");
  QAction* help = menuBar()->addAction(QStringLiteral("帮助说明(&H)"));
  help->setObjectName("help");
  connect(help, &QAction::triggered, this, [this] { showChild("Form4"); });
  QAction* lx = menuBar()->addAction(QStringLiteral("联系作者(&C)"));
  lx->setObjectName("lx");
  connect(lx, &QAction::triggered, this, &MDIForm1::showContact);
  auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
  f10->setObjectName("F10");
  connect(f10, &QShortcut::activated, this, [this] {
    menuBar()->setFocus(Qt::ShortcutFocusReason);
    menuBar()->setActiveAction(menuBar()->actions().constFirst());
  });

  // An ordinary window that starts at 9000 x 5400 twips: 600 x 360 pixels
  // outside. The frame's own size is known once the window manager has
  // decorated the window; fitOuterFrame then takes it off the client area.
  // It may be resized and maximised like any other window; the child shown
  // always fills it.
  resize(kOuterWidth, kOuterHeight);
  fitted_ = size();

  // The notes window is the first child shown.
  auto* notes = new Form4(this);
  addChild(notes);
  subs_["Form4"]->show();
}

MDIForm1::~MDIForm1() {
  // A run still going when the window goes without being closed (a test's
  // window leaving scope) stops before its window does; one that does not
  // stop in time ends unseen (its window's destruction takes it off).
  StopAllJobs();
}


void MDIForm1::addChild(QWidget* w) {
  QMdiSubWindow* sub = area_->addSubWindow(w);
  // Closing a child hides it; it lives until the program ends.
  sub->setAttribute(Qt::WA_DeleteOnClose, false);
  // A child always fills the area: a title and a close button, nothing to
  // minimise or maximise (a maximised child would rename the frame).
  sub->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                      Qt::WindowCloseButtonHint);
  sub->setObjectName(w->objectName() + "Window");
  sub->setWindowTitle(w->windowTitle());
  subs_[w->objectName()] = sub;
  children_[w->objectName()] = w;
  // A layer window whose run ended is shown, so its message appears over it.
  if (auto* layer = qobject_cast<LayerWindow*>(w)) {
    const QString name = w->objectName();
    connect(layer, &LayerWindow::frontRequested, this, [this, name] { showChild(name); });
  }
  // Child placement: every child at the notes window's place (the area's
  // top left corner), filling the area.
  sub->setGeometry(QRect(QPoint(0, 0), area_->viewport()->size()));
  sub->hide();
}

void MDIForm1::placeChildren() {
  const QRect r(QPoint(0, 0), area_->viewport()->size());
  for (QMdiSubWindow* sub : subs_)
    if (sub->geometry() != r) sub->setGeometry(r);
}

void MDIForm1::fitOuterFrame() {
  // Once the user has resized the window, the size is theirs.
  if (size() != fitted_ || isMaximized() || isFullScreen()) return;
  const QSize frame = frameGeometry().size() - geometry().size();
  const QSize client(kOuterWidth - frame.width(), kOuterHeight - frame.height());
  if (!client.isValid() || size() == client) return;
  resize(client);
  fitted_ = client;
}

bool MDIForm1::event(QEvent* e) {
  switch (e->type()) {
    case QEvent::Show:
    case QEvent::Move:
      QTimer::singleShot(0, this, &MDIForm1::fitOuterFrame);
      break;
    default:
      break;
  }
  return QMainWindow::event(e);
}

bool MDIForm1::eventFilter(QObject* watched, QEvent* e) {
  if (watched == area_ && e->type() == QEvent::Resize) QTimer::singleShot(0, this, &MDIForm1::placeChildren);
  return QMainWindow::eventFilter(watched, e);
}

void MDIForm1::ensureChildren() {
  if (children_.contains("Form1")) return;
  auto* sectors = new Form1();
  auto* mifSectors = new map();
  auto* flyLines = new Form3();
  auto* mifFlyLines = new map3();
  // The fly-line windows draw with the sector windows' boxes as they are
  // when the layer is generated.
  flyLines->setSectorBoxes([sectors] {
    const SectorSettings s = sectors->settings();
    return SectorBoxes{s.radius, s.altitude, s.beamwidth};
  });
  mifFlyLines->setSectorBoxes([mifSectors] {
    SectorBoxes boxes;  // the MIF layer has no altitude
    boxes.radius = Utf8(mifSectors->radiusText());
    boxes.beamwidth = mifSectors->params().beamwidth;
    return boxes;
  });
  for (QWidget* w : std::initializer_list<QWidget*>{sectors, new Form2(), flyLines, new Form5(), mifSectors,
                                                    new map2(), mifFlyLines})
    addChild(w);
}

QWidget* MDIForm1::child(const QString& name) {
  ensureChildren();
  return children_.value(name);
}

void MDIForm1::showChild(const QString& name) {
  ensureChildren();
  QMdiSubWindow* chosen = subs_.value(name);
  if (!chosen) return;
  if (chosen->isMinimized() || chosen->isMaximized()) chosen->showNormal();
  chosen->setGeometry(QRect(QPoint(0, 0), area_->viewport()->size()));
  chosen->show();
  chosen->widget()->show();
  if (auto* layer = qobject_cast<LayerWindow*>(chosen->widget())) layer->refreshOnShow();
  area_->setActiveSubWindow(chosen);
  for (const char* other : kChildOrder)
    if (name != other && subs_.value(other)) subs_.value(other)->hide();
}

void MDIForm1::closeEvent(QCloseEvent* e) {
  if (AnyRunning()) {
    if (!dialogs().question(this, QStringLiteral("友情提示"), QStringLiteral("正在生成图层，确定要退出吗？"))) {
      e->ignore();
      return;
    }
    // At most kQuitDeadlineMs; a job still going then has its temporary
    // files removed, and main ends the program at once.
    StopAllJobs();
  }
  QMainWindow::closeEvent(e);
}

void MDIForm1::showContact() {
  dialogs().message(this, QStringLiteral("联系作者"), Form4::ContactText());
}

}  // namespace tessaro::ui
