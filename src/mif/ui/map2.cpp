#include "mif/ui/map2.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <memory>

#include "shell/Dialogs.h"
#include "shell/WorkbookRoad.h"
#include "shell/Worker.h"
#include "shell/Layout.h"
#include "templates/ui/DriveTestSettings.h"

namespace tessaro::ui {

map2::map2(QWidget* parent) : QWidget(parent) {
  setObjectName("map2");
  setWindowTitle(QStringLiteral("配置路测信息"));
  setMinimumSize(590, 280);  // fits below a window manager's title bar too

  auto* command2 = new QPushButton(QStringLiteral("打开文件"), this);
  command2->setObjectName("Command2");
  Place(command2, 4, 4, 70);
  text1_ = new QLineEdit(QStringLiteral("打开需要转换成MIF的Excel文件！"), this);
  text1_->setObjectName("Text1");
  Place(text1_, 78, 4, 252);

  combo5_ = NewColumnList(this, "Combo5", QStringLiteral("选择Excel表"));
  Place(combo5_, 4, 30, 110);
  Caption(this, QStringLiteral("MIF文件名："), 118, 30, 68);
  text6_ = new QLineEdit(QStringLiteral("可自定义要保存的mif文件名"), this);
  text6_->setObjectName("Text6");
  ShowTextStart(text6_);
  Place(text6_, 186, 30, 144);

  Caption(this, QStringLiteral("经度："), 4, 56, 36);
  combo2_ = NewColumnList(this, "Combo2", QStringLiteral("选择经度"));
  Place(combo2_, 40, 56, 124);
  Caption(this, QStringLiteral("纬度："), 170, 56, 36);
  combo3_ = NewColumnList(this, "Combo3", QStringLiteral("选择纬度"));
  Place(combo3_, 206, 56, 124);
  Caption(this, QStringLiteral("专题："), 4, 82, 36);
  combo4_ = NewColumnList(this, "Combo4", QStringLiteral("选择数据"));
  Place(combo4_, 40, 82, 124);

  settings_ = new DriveTestSettings(this, DriveTestSettings::Kind::Mif, 338, 4);
  Caption(this, QStringLiteral("图标比例："), 4, 112, 64);
  Place(settings_->text2(), 68, 112, 48);
  Place(settings_->stepDown(), 118, 112, 22);
  Place(settings_->stepUp(), 142, 112, 22);

  auto* command1 = new QPushButton(QStringLiteral("生成MIF"), this);
  command1->setObjectName("Command1");
  Place(command1, 4, 200, 110, 30);

  pro1_ = new QProgressBar(this);
  pro1_->setObjectName("Pro1");
  pro1_->setRange(0, 1);
  pro1_->setValue(0);
  pro1_->setTextVisible(false);
  Place(pro1_, 4, 244, 326, 16);

  connect(command2, &QPushButton::clicked, this, &map2::openFile);
  connect(combo5_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0) chooseSheet();
  });
  connect(command1, &QPushButton::clicked, this, &map2::generate);

  // The MIF window's list is filled once, when the window is created.
  RefreshTemplateList();
}

void map2::RefreshTemplateList() { settings_->refreshTemplates(); }

void map2::openFile() {
  if (!ChooseWorkbook(this, text1_, &fileName_)) return;
  ListSheets(combo5_, text1_->text());
}

void map2::chooseSheet() {
  const QString sheet = combo5_->currentText();
  ProposeName(text6_, fileName_, sheet, QString());
  QStringList headers = FillColumnLists(text1_->text(), sheet, {combo2_, combo3_, combo4_});
  ApplyDetection(headers, {{tessaro::Role::Lon, combo2_}, {tessaro::Role::Lat, combo3_}, {tessaro::Role::Value, combo4_}});
}

tessaro::MifDriveTestParams map2::params() const {
  tessaro::MifDriveTestParams p;
  p.workbook = Utf8(text1_->text());
  p.sheet = Utf8(combo5_->currentText());
  p.output = Utf8(text6_->text());
  p.lon = Utf8(combo2_->currentText());
  p.lat = Utf8(combo3_->currentText());
  p.data = Utf8(combo4_->currentText());
  p.size = Utf8(settings_->text2()->text());
  p.legend = settings_->legend();
  return p;
}

void map2::generate() {
  if (IsRunning(this)) return;
  const tessaro::MifDriveTestParams p = params();
  auto note = std::make_shared<std::string>();
  RunInBackground(
      this, pro1_, [p, note](tessaro::Progress& progress) { *note = tessaro::GenerateMifDriveTest(p, progress); },
      [this, note](std::exception_ptr error) {
        const QString title = QString::fromUtf8(tessaro::kMifDriveTestTitle);
        if (!error) {
          dialogs().message(this, title, QString::fromUtf8(tessaro::kMifDriveTestDone), FromUtf8(*note));
          return;
        }
        const QString reason = ErrorReason(error);
        dialogs().message(this, title, QString::fromUtf8(tessaro::kMifDriveTestFailed), reason);
      });
}

}  // namespace tessaro::ui
