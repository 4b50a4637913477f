#include "templates/ui/DriveTestWindow.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/Controls.h"
#include "widgets/RunPanel.h"
#include "templates/ui/TemplatePanel.h"

namespace tessaro::ui {

namespace {

WorkbookPicker::Design PickerDesign(DriveTestSettings::Kind kind) {
  if (kind == DriveTestSettings::Kind::Kml)
    return {QStringLiteral("打开需要转换成Kml的Excel文件！"), QStringLiteral("可自定义要保存的Kml文件名"),
            QStringLiteral(".kml"), false};
  return {QStringLiteral("打开需要转换成MIF的Excel文件！"), QStringLiteral("可自定义要保存的mif文件名"), QString(), false};
}

}  // namespace

DriveTestWindow::DriveTestWindow(DriveTestSettings::Kind kind, const char* objectName, QWidget* parent)
    : LayerWindow(objectName,
                  // The design's caption, and the layer format so the two windows can be told apart.
                  kind == DriveTestSettings::Kind::Kml ? QStringLiteral("配置路测信息（KML）")
                                                       : QStringLiteral("配置路测信息（Mapinfo）"),
                  PickerDesign(kind), "Command1",
                  kind == DriveTestSettings::Kind::Kml ? QStringLiteral("生成Kml") : QStringLiteral("生成MIF"), false,
                  parent),
      nameCaption_(kind == DriveTestSettings::Kind::Kml ? QStringLiteral("Kml文件名：") : QStringLiteral("MIF文件名：")) {
  combo2_ = NewColumnList(this, "Combo2", QStringLiteral("选择经度"));
  combo3_ = NewColumnList(this, "Combo3", QStringLiteral("选择纬度"));
  combo4_ = NewColumnList(this, "Combo4", QStringLiteral("选择数据"));
  // The usual data column's header, shown whole.
  FitText(combo4_, QStringLiteral("RX LevSub(dBm)"));
  settings_ = new DriveTestSettings(this, kind);
  rows_ = new QGridLayout;
  rows_->setHorizontalSpacing(4);
  rows_->setVerticalSpacing(4);
  rows_->addWidget(NewCaption(this, QStringLiteral("经度："), combo2_), 0, 0);
  rows_->addWidget(combo2_, 0, 1);
  rows_->addWidget(NewCaption(this, QStringLiteral("纬度："), combo3_), 0, 2);
  rows_->addWidget(combo3_, 0, 3);
  rows_->setColumnStretch(1, 1);
  rows_->setColumnStretch(3, 1);
}

void DriveTestWindow::finishLayout(const QList<QComboBox*>& columns) {
  QComboBox* combo5 = picker()->addSheetList(
      "Combo5", QStringLiteral("选择Excel表"), columns,
      {{tessaro::Role::Lon, combo2_}, {tessaro::Role::Lat, combo3_}, {tessaro::Role::Value, combo4_}});
  auto* nameRow = new QHBoxLayout;
  nameRow->setSpacing(4);
  nameRow->addWidget(combo5);
  NameField(combo5, QStringLiteral("数据表"));
  nameRow->addWidget(NewCaption(this, nameCaption_, picker()->text6()));
  nameRow->addWidget(picker()->text6(), 1);

  // The scale row ends the grid, so a window's picture may span into it.
  auto* scale = new QHBoxLayout;
  scale->setSpacing(2);
  scale->addWidget(settings_->text2());
  scale->addWidget(settings_->stepDown());
  scale->addWidget(settings_->stepUp());
  scale->addStretch(1);
  const int row = rows_->rowCount();
  rows_->addWidget(NewCaption(this, QStringLiteral("图标比例："), settings_->text2()), row, 0);
  rows_->addLayout(scale, row, 1);

  auto* left = new QVBoxLayout;
  left->setSpacing(4);
  left->addWidget(picker());
  left->addLayout(nameRow);
  left->addLayout(rows_);
  left->addStretch(1);
  left->addWidget(runPanel());

  auto* all = new QHBoxLayout(this);
  all->setContentsMargins(4, 4, 4, 4);
  all->setSpacing(6);
  all->addLayout(left, 1);
  all->addWidget(settings_);
}

QList<LayerWindow::Needed> DriveTestWindow::neededLists() const {
  return {{picker()->sheetList(), QStringLiteral("数据表"), true},
          {combo2_, QStringLiteral("经度列")},
          {combo3_, QStringLiteral("纬度列")},
          {combo4_, QStringLiteral("数据列")}};
}

void DriveTestWindow::RefreshTemplateList() { settings_->templates()->refresh(); }

}  // namespace tessaro::ui
