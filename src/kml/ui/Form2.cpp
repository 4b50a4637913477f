#include "kml/ui/Form2.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>

#include "shell/Dialogs.h"
#include "shell/WorkbookRoad.h"
#include "shell/Worker.h"
#include "templates/SaveFolder.h"
#include "shell/Layout.h"
#include "templates/ui/DriveTestSettings.h"

namespace tessaro::ui {

namespace {

QCheckBox* Check(QWidget* parent, const char* name, const QString& text, int x, int y, int w) {
  auto* c = new QCheckBox(text, parent);
  c->setObjectName(name);
  c->setGeometry(x, y, w, 22);
  return c;
}

}  // namespace

Form2::Form2(QWidget* parent) : QWidget(parent) {
  setObjectName("Form2");
  setWindowTitle(QStringLiteral("配置路测信息"));
  setMinimumSize(590, 280);  // fits below a window manager's title bar too

  auto* command2 = new QPushButton(QStringLiteral("打开文件"), this);
  command2->setObjectName("Command2");
  Place(command2, 4, 4, 70);
  text1_ = new QLineEdit(QStringLiteral("打开需要转换成Kml的Excel文件！"), this);
  text1_->setObjectName("Text1");
  Place(text1_, 78, 4, 252);

  combo5_ = NewColumnList(this, "Combo5", QStringLiteral("选择Excel表"));
  Place(combo5_, 4, 30, 110);
  Caption(this, QStringLiteral("Kml文件名："), 118, 30, 68);
  text6_ = new QLineEdit(QStringLiteral("可自定义要保存的Kml文件名"), this);
  text6_->setObjectName("Text6");
  ShowTextStart(text6_);
  Place(text6_, 186, 30, 144);

  Caption(this, QStringLiteral("经度："), 4, 56, 36);
  combo2_ = NewColumnList(this, "Combo2", QStringLiteral("选择经度"));
  Place(combo2_, 40, 56, 124);
  Caption(this, QStringLiteral("纬度："), 170, 56, 36);
  combo3_ = NewColumnList(this, "Combo3", QStringLiteral("选择纬度"));
  Place(combo3_, 206, 56, 124);

  check3_ = Check(this, "Check3", QStringLiteral("数据："), 4, 82, 60);
  check3_->setChecked(true);
  combo4_ = NewColumnList(this, "Combo4", QStringLiteral("选择数据"));
  Place(combo4_, 64, 82, 100);
  check2_ = Check(this, "Check2", QStringLiteral("点名"), 170, 82, 52);
  combo1_ = NewColumnList(this, "Combo1", QStringLiteral("DIY显示名"));
  Place(combo1_, 222, 82, 108);
  combo1_->setEnabled(false);

  check1_ = Check(this, "Check1", QStringLiteral("描述："), 4, 108, 60);
  combo6_ = NewColumnList(this, "Combo6", QStringLiteral("勾选-自定义"));
  Place(combo6_, 64, 108, 100);
  combo6_->setEnabled(false);

  check4_ = Check(this, "Check4", QStringLiteral("取经纬度前几位："), 170, 108, 112);
  text14_ = new QLineEdit(QStringLiteral("8"), this);
  text14_->setObjectName("Text14");
  Place(text14_, 284, 108, 22);
  text15_ = new QLineEdit(QStringLiteral("7"), this);
  text15_->setObjectName("Text15");
  Place(text15_, 308, 108, 22);

  Caption(this, QStringLiteral("点图标"), 4, 136, 40);
  combo7_ = NewColumnList(this, "Combo7", QStringLiteral("点图标"));
  Place(combo7_, 44, 136, 120);
  image1_ = new QLabel(this);
  image1_->setObjectName("Image1");
  image1_->setAlignment(Qt::AlignCenter);
  image1_->setFrameShape(QFrame::StyledPanel);
  Place(image1_, 170, 136, 52, 52);

  settings_ = new DriveTestSettings(this, DriveTestSettings::Kind::Kml, 338, 4);
  Caption(this, QStringLiteral("图标比例："), 4, 166, 64);
  Place(settings_->text2(), 68, 166, 48);
  Place(settings_->stepDown(), 118, 166, 22);
  Place(settings_->stepUp(), 142, 166, 22);

  auto* command1 = new QPushButton(QStringLiteral("生成Kml"), this);
  command1->setObjectName("Command1");
  Place(command1, 4, 200, 110, 30);

  pro1_ = new QProgressBar(this);
  pro1_->setObjectName("Pro1");
  pro1_->setRange(0, 1);
  pro1_->setValue(0);
  pro1_->setTextVisible(false);
  Place(pro1_, 4, 244, 326, 16);

  // "默认值" also resets the prefix lengths, after the shared values.
  if (auto* reset = findChild<QPushButton*>("Command9"))
    connect(reset, &QPushButton::clicked, this, [this] {
      text14_->setText(QStringLiteral("8"));
      text15_->setText(QStringLiteral("7"));
    });

  fillIcons();
  showIcon(QStringLiteral("点图标"));

  connect(command2, &QPushButton::clicked, this, &Form2::openFile);
  connect(combo5_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0) chooseSheet();
  });
  connect(command1, &QPushButton::clicked, this, &Form2::generate);
  connect(check1_, &QCheckBox::clicked, this, [this](bool on) { combo6_->setEnabled(on); });
  connect(check2_, &QCheckBox::clicked, this, [this](bool on) { combo1_->setEnabled(on); });
  connect(check3_, &QCheckBox::clicked, this, [this](bool on) {
    if (on) {
      check2_->setChecked(false);
      combo1_->setEnabled(false);
    } else {
      dialogs().message(this, QStringLiteral("友情提示"),
                        QStringLiteral("已禁用阀值，请在【显示点名称】设置点需要显示的名称，本功能适合CQT！"));
      check2_->setChecked(true);
      combo1_->setEnabled(true);
    }
  });
  // A name or description column may not be a coordinate column.
  auto guard = [this](QComboBox* list, QCheckBox* box) {
    const QString chosen = list->currentText();
    if (chosen == combo2_->currentText() || chosen == combo3_->currentText()) {
      dialogs().message(this, QStringLiteral("友情提示"), QStringLiteral("不能选择该值"));
      list->setEditText(QString());
      box->setChecked(false);
      list->setEnabled(false);
    }
  };
  connect(combo6_, &QComboBox::activated, this, [this, guard] { guard(combo6_, check1_); });
  connect(combo1_, &QComboBox::activated, this, [this, guard] { guard(combo1_, check2_); });
  connect(combo7_, &QComboBox::activated, this, [this] { showIcon(combo7_->currentText()); });
}

void Form2::RefreshTemplateList() { settings_->refreshTemplates(); }

void Form2::fillIcons() {
  combo7_->blockSignals(true);
  combo7_->clear();
  for (const auto& f : tessaro::ListFiles(tessaro::SaveFolder() + "icon/", ".gif"))
    combo7_->addItem(FromUtf8(f.substr(0, f.size() - 4)));
  combo7_->setCurrentIndex(-1);
  combo7_->setEditText(QStringLiteral("点图标"));
  combo7_->blockSignals(false);
}

void Form2::showIcon(const QString& name) {
  // A missing or unreadable picture leaves the preview empty.
  QPixmap picture(FromUtf8(tessaro::SaveFolder() + "icon/") + name + ".gif");
  if (picture.isNull()) {
    image1_->clear();
    return;
  }
  image1_->setPixmap(picture.scaled(image1_->size() - QSize(4, 4), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void Form2::openFile() {
  if (!ChooseWorkbook(this, text1_, &fileName_)) return;
  ListSheets(combo5_, text1_->text());
}

void Form2::chooseSheet() {
  const QString sheet = combo5_->currentText();
  ProposeName(text6_, fileName_, sheet, QStringLiteral(".kml"));
  QStringList headers = FillColumnLists(text1_->text(), sheet, {combo1_, combo2_, combo3_, combo4_, combo6_});
  ApplyDetection(headers, {{tessaro::Role::Lon, combo2_}, {tessaro::Role::Lat, combo3_}, {tessaro::Role::Value, combo4_}});
}

tessaro::KmlDriveTestParams Form2::params() const {
  tessaro::KmlDriveTestParams p;
  p.workbook = Utf8(text1_->text());
  p.sheet = Utf8(combo5_->currentText());
  p.output = Utf8(text6_->text());
  p.lon = Utf8(combo2_->currentText());
  p.lat = Utf8(combo3_->currentText());
  p.data = Utf8(combo4_->currentText());
  p.colour = check3_->isChecked();
  p.name = check2_->isChecked();
  p.nameColumn = Utf8(combo1_->currentText());
  p.description = check1_->isChecked();
  p.descriptionColumn = Utf8(combo6_->currentText());
  p.binning = check4_->isChecked();
  p.lonChars = Utf8(text14_->text());
  p.latChars = Utf8(text15_->text());
  p.icon = Utf8(combo7_->currentText());
  p.scale = Utf8(settings_->text2()->text());
  p.legend = settings_->legend();
  return p;
}

void Form2::generate() {
  if (IsRunning(this)) return;
  const tessaro::KmlDriveTestParams p = params();
  RunInBackground(
      this, pro1_, [p](tessaro::Progress& progress) { tessaro::GenerateKmlDriveTest(p, progress); },
      [this](std::exception_ptr error) {
        const QString title = QString::fromUtf8(tessaro::kKmlDriveTestTitle);
        if (!error) {
          dialogs().message(this, title, QString::fromUtf8(tessaro::kKmlDriveTestDone));
          return;
        }
        const QString reason = ErrorReason(error);
        dialogs().message(this, title, QString::fromUtf8(tessaro::kKmlDriveTestFailed), reason);
      });
}

}  // namespace tessaro::ui
