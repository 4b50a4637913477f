#include "shell/MDIForm1.h"

#include <QAction>
#include <QEvent>
#include <QTimer>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>

#include "kml/ui/Form1.h"
#include "kml/ui/Form2.h"
#include "kml/ui/Form3.h"
#include "kml/ui/Form5.h"
#include "mif/ui/map.h"
#include "mif/ui/map2.h"
#include "mif/ui/map3.h"
#include "shell/Dialogs.h"
#include "shell/Form4.h"

namespace tessaro::ui {

namespace {
MDIForm1* gInstance = nullptr;
const char* const kChildOrder[] = {"Form1", "Form2", "Form3", "Form5", "map", "map2", "map3", "Form4"};
constexpr int kOuterWidth = 600;
constexpr int kOuterHeight = 360;
}  // namespace

MDIForm1::MDIForm1(QWidget* parent) : QMainWindow(parent) {
  gInstance = this;
  setObjectName("MDIForm1");
  setWindowTitle(QStringLiteral("Tessaro (公测）V1.0.5"));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  area_ = new QMdiArea(this);
  area_->setObjectName("MDIArea");
  area_->installEventFilter(this);
  setCentralWidget(area_);

  auto addItem = [this](QMenu* menu, const char* name, const QString& caption, const QString& child) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    connect(a, &QAction::triggered, this, [this, child, name] {
      showChild(child);
      if (QString(name) == "bts") static_cast<Form1*>(children_.value("Form1"))->RefreshTemplateList();
      if (QString(name) == "dt") static_cast<Form2*>(children_.value("Form2"))->RefreshTemplateList();
    });
  };
  QMenu* google = menuBar()->addMenu(QStringLiteral("Google图层"));
  google->setObjectName("Google");
  addItem(google, "bts", QStringLiteral("基站扇区"), "Form1");
  addItem(google, "dt", QStringLiteral("路测轨迹"), "Form2");
  addItem(google, "gaoji", QStringLiteral("飞线专题"), "Form3");
  addItem(google, "dibiao", QStringLiteral("CQT 地标"), "Form5");
  QMenu* mapinfo = menuBar()->addMenu(QStringLiteral("Mapinfo图层"));
  mapinfo->setObjectName("Mapinfo");
  addItem(mapinfo, "ms", QStringLiteral("基站扇区"), "map");
  addItem(mapinfo, "ml", QStringLiteral("路测轨迹"), "map2");
  addItem(mapinfo, "fx", QStringLiteral("飞线专题"), "map3");
  QAction* help = menuBar()->addAction(QStringLiteral("帮助说明"));
  help->setObjectName("help");
  connect(help, &QAction::triggered, this, [this] { showChild("Form4"); });
  QAction* lx = menuBar()->addAction(QStringLiteral("联系作者"));
  lx->setObjectName("lx");
  connect(lx, &QAction::triggered, this, &MDIForm1::showContact);

  // 9000 x 5400 twips: 600 x 360 pixels outside, not resizable. The frame's
  // own size is known once the window manager has decorated the window;
  // fitOuterFrame then takes it off the client area.
  setFixedSize(kOuterWidth, kOuterHeight);

  // The notes window is the first child shown.
  auto* notes = new Form4(this);
  addChild(notes);
  subs_["Form4"]->show();
}

MDIForm1::~MDIForm1() {
  if (gInstance == this) gInstance = nullptr;
}

MDIForm1* MDIForm1::instance() { return gInstance; }

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
  const QSize frame = frameGeometry().size() - geometry().size();
  const QSize client(kOuterWidth - frame.width(), kOuterHeight - frame.height());
  if (client.isValid() && size() != client) setFixedSize(client);
}

bool MDIForm1::event(QEvent* e) {
  switch (e->type()) {
    case QEvent::Show:
    case QEvent::Move:
    case QEvent::WindowStateChange:
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
  if (!children_.contains("Form1")) addChild(new Form1());
  if (!children_.contains("Form2")) addChild(new Form2());
  if (!children_.contains("Form3")) addChild(new Form3());
  if (!children_.contains("Form5")) addChild(new Form5());
  if (!children_.contains("map")) addChild(new map());
  if (!children_.contains("map2")) addChild(new map2());
  if (!children_.contains("map3")) addChild(new map3());
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
  area_->setActiveSubWindow(chosen);
  for (const char* other : kChildOrder)
    if (name != other && subs_.value(other)) subs_.value(other)->hide();
}

QString MDIForm1::controlText(const QString& window, const QString& control) {
  QWidget* w = child(window);
  if (!w) return {};
  if (auto* edit = w->findChild<QLineEdit*>(control)) return edit->text();
  return {};
}

void MDIForm1::showContact() {
  dialogs().message(this, QStringLiteral("联系作者"), Form4::ContactText());
}

}  // namespace tessaro::ui
