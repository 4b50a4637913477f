#include "shell/Form4.h"

namespace tessaro::ui {

Form4::Form4(QWidget* parent) : QWidget(parent) {
  setObjectName("Form4");
  setWindowTitle(QStringLiteral("注意事项"));
}

QString Form4::ContactText() { return QStringLiteral("联系作者"); }

}  // namespace tessaro::ui
