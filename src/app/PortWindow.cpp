#include "app/PortWindow.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QShortcut>

#include "link/PortChoice.h"
#include "ui/Twips.h"

namespace lux {

PortWindow::PortWindow(LinkState& state, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint), state_(state) {
  setObjectName(QStringLiteral("Port"));
  setWindowTitle(tr("COM Port"));

  txtCom_ = new QComboBox(this);
  txtCom_->setObjectName(QStringLiteral("TxtCOM"));
  txtCom_->setAccessibleName(tr("COM Port"));
  txtCom_->setEditable(true);
  txtCom_->setInsertPolicy(QComboBox::NoInsert);
  // The box's own completion would turn a typed "com3" into the item "COM3"; a port name is
  // matched exactly as typed, so lower-case names select nothing.
  txtCom_->completer()->setCaseSensitivity(Qt::CaseSensitive);
  for (int i = 1; i <= 16; ++i) txtCom_->addItem(QStringLiteral("COM%1").arg(i));
  // The ports this machine really has (USB adapters above all) are offered by their device
  // path, which is opened as it stands; ptys are not listed by the system and can be typed.
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    const QString path = info.systemLocation();
    if (path.isEmpty() || txtCom_->findText(path) >= 0) continue;
    txtCom_->addItem(path);
    const QString what = info.description().isEmpty() ? info.manufacturer() : info.description();
    if (!what.isEmpty()) txtCom_->setItemData(txtCom_->count() - 1, what, Qt::ToolTipRole);
  }
  txtCom_->setCurrentIndex(-1);
  txtCom_->setEditText(QStringLiteral("COM1"));
  txtCom_->setMinimumContentsLength(14);
  txtCom_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

  cmdOk_ = new QPushButton(tr("OK"), this);
  cmdOk_->setObjectName(QStringLiteral("CmdOK"));
  cmdOk_->setDefault(true);
  cmdOk_->setAutoDefault(true);
  connect(cmdOk_, &QPushButton::clicked, this, &PortWindow::okClicked);
  connect(txtCom_->lineEdit(), &QLineEdit::returnPressed, this, &PortWindow::okClicked);

  cmdCancel_ = new QPushButton(tr("Cancel"), this);
  cmdCancel_->setObjectName(QStringLiteral("CmdCancel"));
  cmdCancel_->setAutoDefault(false);
  connect(cmdCancel_, &QPushButton::clicked, this, &PortWindow::cancelClicked);
  // The first window comes before the program's own keyboard handling: it takes Esc itself.
  auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(esc, &QShortcut::activated, this, &PortWindow::cancelClicked);

  auto* row = new QHBoxLayout(this);
  row->addWidget(txtCom_, 1);
  row->addWidget(cmdOk_);
  row->addWidget(cmdCancel_);
  row->setSizeConstraint(QLayout::SetFixedSize);

  move(twipsPoint(this, 3700, 2700));
}

void PortWindow::okClicked() {
  if (reported_) return;
  PortChoice current;
  current.comPortNumber = state_.comPortNumber;
  current.deviceName = state_.portName.toStdString();
  const PortChoice choice = choosePort(txtCom_->currentText().toStdString(), current);
  state_.comPortNumber = choice.comPortNumber;
  state_.portName = QString::fromStdString(choice.deviceName);
  accepted_ = true;
  reported_ = true;
  emit chosen();
  close();
}

void PortWindow::cancelClicked() {
  if (reported_) return;
  close();
}

void PortWindow::closeEvent(QCloseEvent* event) {
  if (!reported_) {
    reported_ = true;
    emit cancelled();
  }
  event->accept();
}

}  // namespace lux
