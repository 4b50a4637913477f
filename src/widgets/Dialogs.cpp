#include "widgets/Dialogs.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace tessaro::ui {

namespace {

// A short message ("Kml文件已生成！") makes a box so narrow that window
// managers cut its title down to "友…"; a spacer row keeps the box wide
// enough for the title and the frame's buttons.
void WidenForTitle(QMessageBox& box) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (!grid) return;
  const int width = QFontMetrics(box.font()).horizontalAdvance(box.windowTitle()) + kTitleFrameAllowance;
  grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                grid->columnCount());
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
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    WidenForTitle(box);
    return box.exec() == QMessageBox::Yes;
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
    box.setInformativeText(paths.join('\n'));
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPushButton* folder = box.addButton(QStringLiteral("打开所在文件夹"), QMessageBox::ActionRole);
    box.setDefaultButton(QMessageBox::Ok);
    WidenForTitle(box);
    box.exec();
    return box.clickedButton() == folder;
  }
  void openFolder(const QString& folder) override { QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); }
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
