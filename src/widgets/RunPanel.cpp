#include "widgets/RunPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace tessaro::ui {

RunPanel::RunPanel(QWidget* window, bool percentLabel) : QWidget(window) {
  setObjectName("RunPanel");
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(6);
  if (percentLabel) {
    percent_ = new QLabel(QStringLiteral("进度： 0%"), this);
    percent_->setObjectName("Label13");
    row->addWidget(percent_);
  }
  bar_ = new QProgressBar(this);
  bar_->setObjectName("Pro1");
  bar_->setRange(0, 1);
  bar_->setValue(0);
  bar_->setFormat(runningFormat());
  bar_->setTextVisible(true);
  bar_->setAlignment(Qt::AlignCenter);
  bar_->setAccessibleName(QStringLiteral("进度"));
  bar_->setMinimumWidth(60);
  row->addWidget(bar_, 1);
  cancel_ = new QPushButton(QStringLiteral("取消"), this);
  cancel_->setObjectName("Cancel");
  cancel_->setAutoDefault(false);
  cancel_->hide();
  row->addWidget(cancel_);
  timer_ = new QTimer(this);
  timer_->setInterval(50);
  connect(timer_, &QTimer::timeout, this, &RunPanel::follow);
  connect(cancel_, &QPushButton::clicked, this, [this] {
    if (progress_) progress_->cancel();
    cancel_->setEnabled(false);  // once is enough; the job stops at its next check
  });
  if (percent_) connect(bar_, &QProgressBar::valueChanged, this, &RunPanel::showPercent);
}

void RunPanel::addButton(QPushButton* button, QPushButton* before) {
  button->setParent(this);
  auto* row = static_cast<QHBoxLayout*>(layout());
  const int at = before ? row->indexOf(before) : -1;
  row->insertWidget(at, button);
  buttons_.append(button);
}

void RunPanel::begin(std::shared_ptr<tessaro::Progress> progress) {
  progress_ = std::move(progress);
  bar_->setFormat(runningFormat());
  for (const auto& b : buttons_)
    if (b) b->setEnabled(false);
  cancel_->setEnabled(true);
  cancel_->show();
  follow();
  timer_->start();
}

void RunPanel::end() {
  timer_->stop();
  follow();
  progress_.reset();
  cancel_->hide();
  for (const auto& b : buttons_)
    if (b) b->setEnabled(true);
}

QString RunPanel::runningFormat() const {
  // With "进度： N%" before the bar, the bar need not say it again.
  return percent_ ? QString() : QStringLiteral("%p%");
}

void RunPanel::showOutcome(const QString& status) {
  bar_->setValue(bar_->minimum());
  bar_->setFormat(status);
  showPercent(bar_->minimum());
}

void RunPanel::follow() {
  if (!progress_) return;
  const double max = progress_->maximum();
  const double val = progress_->value();
  // A zero maximum would make QProgressBar spin endlessly: an empty bar.
  // Half-row steps are counted in doubles and shown by their integer part.
  const int imax = max > 0 ? static_cast<int>(std::min(max, 2.0e9)) : 1;
  const int ival = max > 0 ? std::clamp(static_cast<int>(std::floor(std::min(val, 2.0e9))), 0, imax) : 0;
  if (bar_->minimum() != 0 || bar_->maximum() != imax) bar_->setRange(0, imax);
  bar_->setValue(ival);
  showPercent(ival);
}

void RunPanel::showPercent(int value) {
  if (!percent_) return;
  const int max = bar_->maximum() - bar_->minimum();
  const int pct = max > 0 ? static_cast<int>(100.0 * (value - bar_->minimum()) / max) : 0;
  percent_->setText(QStringLiteral("进度： %1%").arg(pct));
}

}  // namespace tessaro::ui
