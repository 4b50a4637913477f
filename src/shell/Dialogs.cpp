#include "shell/Dialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace tessaro::ui {

namespace {

class QtDialogs : public Dialogs {
 public:
  void message(QWidget* parent, const QString& title, const QString& text, const QString& detail) override {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    if (!detail.isEmpty()) box.setDetailedText(detail);
    box.exec();
  }
  bool question(QWidget* parent, const QString& title, const QString& text) override {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
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
