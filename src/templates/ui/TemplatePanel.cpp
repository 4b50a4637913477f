#include "templates/ui/TemplatePanel.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/Controls.h"
#include "widgets/Dialogs.h"

namespace tessaro::ui {

namespace {
const QString kHint = QStringLiteral("友情提示");
}  // namespace

TemplatePanel::TemplatePanel(const TemplatePanelDesign& design, TemplateStore store, QWidget* parent)
    : QGroupBox(design.frame, parent), store_(std::move(store)), prompt_(design.prompt) {
  setObjectName("TemplatePanel");
  list_ = new QListWidget(this);
  list_->setObjectName("List1");
  NameField(list_, QStringLiteral("设置模版"));
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setMinimumWidth(96);
  QPushButton* save = NewButton(this, design.saveName, design.saveCaption);
  QPushButton* remove = NewButton(this, design.deleteName, design.deleteCaption);

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(design.frame.isEmpty() ? 0 : 4, 2, design.frame.isEmpty() ? 0 : 4, 4);
  row->setSpacing(4);
  row->addWidget(list_, 1);
  buttons_ = new QVBoxLayout;
  buttons_->setSpacing(4);
  buttons_->addWidget(save);
  buttons_->addWidget(remove);
  buttons_->addStretch(1);
  row->addLayout(buttons_);
  if (design.frame.isEmpty()) setStyleSheet(QStringLiteral("QGroupBox { border: 0; margin: 0; padding: 0; }"));

  connect(save, &QPushButton::clicked, this, &TemplatePanel::save);
  connect(remove, &QPushButton::clicked, this, &TemplatePanel::deleteSelected);
  connect(list_, &QListWidget::itemDoubleClicked, this, &TemplatePanel::loadSelected);
}

void TemplatePanel::insertButton(int index, QPushButton* button) {
  button->setParent(this);
  buttons_->insertWidget(index, button);
}

void TemplatePanel::refresh() {
  list_->clear();
  for (const auto& name : store_.list()) list_->addItem(FromUtf8(name));
}

QStringList TemplatePanel::selected() const {
  QStringList chosen;
  for (int i = 0; i < list_->count(); ++i)
    if (list_->item(i)->isSelected()) chosen << list_->item(i)->text();
  return chosen;
}

void TemplatePanel::save() {
  const auto name = dialogs().input(window(), QStringLiteral("保存设置"), prompt_, QStringLiteral("Default"));
  if (!name) return;
  // An empty name would save the file ".txt", which no list shows as a name.
  if (name->trimmed().isEmpty()) {
    dialogs().message(window(), kHint, QStringLiteral("模版名称不能为空"));
    return;
  }
  try {
    store_.save(Utf8(*name));
  } catch (const std::exception& e) {
    dialogs().message(window(), kHint, QStringLiteral("无法保存设置模版：") + FromUtf8(e.what()));
    return;
  }
  refresh();
}

void TemplatePanel::loadSelected() {
  for (const QString& entry : selected()) {
    try {
      store_.load(Utf8(entry));
    } catch (const std::exception& e) {
      // A damaged or vanished file leaves the values as they were.
      dialogs().message(window(), kHint, QStringLiteral("无法读取设置模版，当前设置保持不变：") + FromUtf8(e.what()));
    }
  }
}

void TemplatePanel::deleteSelected() {
  const QStringList chosen = selected();
  if (chosen.isEmpty()) return;
  if (!dialogs().question(window(), QStringLiteral("友情提示！"),
                          QStringLiteral("您是否确定要删除所选择的设置模版？一旦删除，模版将永久丢失！")))
    return;
  QStringList failures;
  for (const QString& entry : chosen) {
    try {
      store_.remove(Utf8(entry));
    } catch (const std::exception& e) {
      failures << FromUtf8(e.what());
    }
  }
  refresh();
  if (!failures.isEmpty()) dialogs().message(window(), kHint, failures.join('\n'));
}

}  // namespace tessaro::ui
