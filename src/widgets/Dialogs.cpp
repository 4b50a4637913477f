#include "widgets/Dialogs.h"

#include <QColorDialog>
#include <algorithm>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

namespace tessaro::ui {

namespace {

// A short message ("Kml文件已生成！") makes a box so narrow that window
// managers cut its title down to "友…"; a spacer row keeps the box wide
// enough for the title and the frame's buttons.
void WidenTo(QMessageBox& box, int width) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                grid->columnCount());
}

void WidenForTitle(QMessageBox& box) {
  WidenTo(box, QFontMetrics(box.font()).horizontalAdvance(box.windowTitle()) + kTitleFrameAllowance);
}

// What a message box's frame and margins take beside its text.
constexpr int kBoxMargins = 48;

// The widest a message box lets a line of its text be before it wraps it
// anywhere (what QMessageBox allows itself on the parent's screen), less the
// box's margins.
int LineLimit(const QWidget* parent) {
  const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
  const int width = screen ? screen->availableGeometry().width() : 1024;
  const int hardLimit = width <= 1024 ? width : std::min(width - 480, 1000);
  return std::max(200, hardLimit - 80);
}

// Paths under a box's text, one a line, each whole when it fits the box and
// otherwise cut in its middle, so a name never wraps into two lines. Rich
// text with unbroken lines; selecting and copying them gives the plain paths.
void ShowPaths(QMessageBox& box, const QStringList& paths, const QWidget* parent) {
  if (paths.isEmpty()) return;
  const QFontMetrics metrics(box.font());
  const int limit = LineLimit(parent);
  QStringList lines;
  for (const QString& path : paths) lines << metrics.elidedText(path, Qt::ElideMiddle, limit).toHtmlEscaped();
  box.setInformativeText(QStringLiteral("<p style=\"white-space:pre\">") + lines.join(QStringLiteral("<br>")) +
                         QStringLiteral("</p>"));
  if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  }
}

class QtDialogs : public Dialogs {
 public:
  void message(QWidget* parent, const QString& title, const QString& text, const QString& detail) override {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    if (!detail.isEmpty()) box.setDetailedText(detail);
    WidenForTitle(box);
    box.exec();
  }
  bool question(QWidget* parent, const QString& title, const QString& text) override {
    return confirmReplace(parent, title, text, {});
  }
  bool confirmReplace(QWidget* parent, const QString& title, const QString& text, const QStringList& files) override {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    ShowPaths(box, files, parent);
    // Enter and Escape answer No: a Yes destroys something.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    WidenForTitle(box);
    return box.exec() == QMessageBox::Yes;
  }
  void failure(QWidget* parent, const QString& title, const QString& text, const QString& reason,
               const QString& detail) override {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.setInformativeText(reason);
    if (!detail.isEmpty()) box.setDetailedText(detail);
    // Wide enough for the reason's lines (a path in them) as far as the
    // screen allows, so a name is not broken across lines needlessly.
    const QFontMetrics metrics(box.font());
    int widest = 0;
    for (const QString& line : reason.split('\n')) widest = std::max(widest, metrics.horizontalAdvance(line));
    WidenTo(box, std::min(widest + kBoxMargins, LineLimit(parent)));
    WidenForTitle(box);
    box.exec();
  }
  void notice(QWidget* parent, const QString& title, const QString& text, const QStringList& paths) override {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    ShowPaths(box, paths, parent);
    WidenForTitle(box);
    box.exec();
  }
  std::optional<QString> input(QWidget* parent, const QString& title, const QString& prompt,
                               const QString& initial) override {
    bool ok = false;
    QString text = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok) return std::nullopt;
    return text;
  }
  std::optional<QColor> colour(QWidget* parent, const QColor& initial) override {
    QColor c = QColorDialog::getColor(initial, parent);
    if (!c.isValid()) return std::nullopt;
    return c;
  }
  QStringList openFiles(QWidget* parent, const QString& title, const QString& filter) override {
    return QFileDialog::getOpenFileNames(parent, title, QString(), filter);
  }
  bool completion(QWidget* parent, const QString& title, const QString& text, const QStringList& paths) override {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    ShowPaths(box, paths, parent);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPushButton* folder = box.addButton(QStringLiteral("打开所在文件夹"), QMessageBox::ActionRole);
    box.setDefaultButton(QMessageBox::Ok);
    WidenForTitle(box);
    box.exec();
    return box.clickedButton() == folder;
  }
  bool openFolder(const QString& folder) override { return QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); }
  bool completionOffering(QWidget* parent, const QString& title, const QString& text, const QStringList& paths,
                          const QString& action) override {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.setInformativeText(paths.join('\n'));
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPushButton* chosen = box.addButton(action, QMessageBox::ActionRole);
    box.setDefaultButton(QMessageBox::Ok);
    WidenForTitle(box);
    box.exec();
    return box.clickedButton() == chosen;
  }
  void openFile(const QString& file) override { QDesktopServices::openUrl(QUrl::fromLocalFile(file)); }
  bool exec(QDialog& dialog) override { return dialog.exec() == QDialog::Accepted; }
};

QtDialogs gQtDialogs;
Dialogs* gDialogs = nullptr;

}  // namespace

Dialogs& dialogs() { return gDialogs ? *gDialogs : gQtDialogs; }
void setDialogs(Dialogs* d) { gDialogs = d; }

QColor ColourFromValue(unsigned value) {
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF), static_cast<int>((value >> 16) & 0xFF));
}

unsigned ValueFromColour(const QColor& c) {
  return static_cast<unsigned>(c.red()) | (static_cast<unsigned>(c.green()) << 8) | (static_cast<unsigned>(c.blue()) << 16);
}

}  // namespace tessaro::ui
