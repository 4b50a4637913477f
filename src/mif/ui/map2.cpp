#include "mif/ui/map2.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "widgets/Controls.h"

namespace tessaro::ui {

map2::map2(QWidget* parent) : DriveTestWindow(DriveTestSettings::Kind::Mif, "map2", parent) {
  rows()->addWidget(NewCaption(this, QStringLiteral("专题："), combo4_), 1, 0);
  rows()->addWidget(combo4_, 1, 1);
  finishLayout({combo2_, combo3_, combo4_});
  offerExtras({Extra::Grid, Extra::ColourBy});
  connect(generateButton(), &QPushButton::clicked, this, &map2::generate);
  // The list is filled when the window is created, and again each time it is shown.
  RefreshTemplateList();
}

tessaro::MifDriveTestParams map2::params() const {
  tessaro::MifDriveTestParams p;
  readShared(p);
  p.size = Utf8(settings_->text2()->text());
  const ExtraValues more = extras();
  p.grid = GridOptionOf(more);
  p.colourBy = CategoryOptionOf(more);
  return p;
}

void map2::generate() {
  const auto output = outputForRun({".mif", ".mid"}, tessaro::kMifDriveTestMessages, neededLists());
  if (!output) return;
  tessaro::MifDriveTestParams p = params();
  p.output = Utf8(*output);
  auto note = std::make_shared<std::string>();
  runLayer(
      tessaro::kMifDriveTestMessages, {*output + ".mif", *output + ".mid"},
      [p, note](tessaro::Progress& progress) { *note = tessaro::GenerateMifDriveTest(p, progress); },
      [note] { return QStringList{FromUtf8(*note)}; });
}

}  // namespace tessaro::ui
