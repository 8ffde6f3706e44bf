#include "publish/PublishDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "publish/engine/PublishConfig.h"
#include "ui/Dialogs.h"

namespace lux {

namespace {

QLineEdit* lineEdit(const char* name, QWidget* parent) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QLatin1String(name));
  return e;
}

}  // namespace

PublishDialog::PublishDialog(DesktopPublishing& publishing, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), publishing_(publishing), dialogs_(dialogs) {
  setObjectName(QStringLiteral("PublishReadings"));
  setWindowTitle(tr("Publish readings"));

  auto* layout = new QVBoxLayout(this);
  auto* broker = new QGridLayout;
  int row = 0;
  auto label = [this](const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text, this);
    l->setBuddy(buddy);
    return l;
  };
  txtBrokerUrl_ = lineEdit("TxtBrokerUrl", this);
  txtBrokerUrl_->setPlaceholderText(QStringLiteral("mqtts://broker.example:8883"));
  txtBrokerUrl_->setMinimumWidth(txtBrokerUrl_->fontMetrics().averageCharWidth() * 36);
  broker->addWidget(label(tr("&Broker URL:"), txtBrokerUrl_), row, 0);
  broker->addWidget(txtBrokerUrl_, row++, 1, 1, 2);
  txtMeterName_ = lineEdit("TxtMeterName", this);
  txtMeterName_->setToolTip(tr("Names this meter's topics: letters, digits, '-' and '_'."));
  broker->addWidget(label(tr("&Meter name:"), txtMeterName_), row, 0);
  broker->addWidget(txtMeterName_, row++, 1, 1, 2);
  txtUser_ = lineEdit("TxtUser", this);
  broker->addWidget(label(tr("&User name:"), txtUser_), row, 0);
  broker->addWidget(txtUser_, row++, 1, 1, 2);
  txtPasswordFile_ =
      fileRow(broker, row++, tr("&Password file:"), "TxtPasswordFile", &cmdPasswordFile_);
  txtPasswordFile_->setToolTip(
      tr("A file whose first line is the password, readable by you alone (chmod 600). The "
         "program never keeps the password itself."));
  layout->addLayout(broker);

  fraTls_ = new QGroupBox(tr("TLS"), this);
  fraTls_->setObjectName(QStringLiteral("FraTls"));
  auto* tls = new QGridLayout(fraTls_);
  QPushButton* unused = nullptr;
  txtCa_ = fileRow(tls, 0, tr("&CA file:"), "TxtCaFile", &unused);
  txtCert_ = fileRow(tls, 1, tr("Client c&ertificate:"), "TxtCertFile", &unused);
  txtKey_ = fileRow(tls, 2, tr("Client &key:"), "TxtKeyFile", &unused);
  txtCert_->setPlaceholderText(tr("optional"));
  txtKey_->setPlaceholderText(tr("optional"));
  layout->addWidget(fraTls_);

  auto* discovery = new QHBoxLayout;
  chkDiscovery_ = new QCheckBox(tr("Home Assistant &discovery"), this);
  chkDiscovery_->setObjectName(QStringLiteral("ChkDiscovery"));
  txtDiscoveryPrefix_ = lineEdit("TxtDiscoveryPrefix", this);
  txtDiscoveryPrefix_->setAccessibleName(tr("Discovery prefix"));
  txtDiscoveryPrefix_->setToolTip(tr("Discovery prefix"));
  discovery->addWidget(chkDiscovery_);
  discovery->addWidget(label(tr("P&refix:"), txtDiscoveryPrefix_));
  discovery->addWidget(txtDiscoveryPrefix_, 1);
  layout->addLayout(discovery);
  connect(chkDiscovery_, &QCheckBox::toggled, txtDiscoveryPrefix_, &QWidget::setEnabled);

  lblStatus_ = new QLabel(this);
  lblStatus_->setObjectName(QStringLiteral("LblPublishStatus"));
  lblStatus_->setWordWrap(true);
  layout->addWidget(lblStatus_);

  auto* buttons = new QDialogButtonBox(this);
  cmdStart_ = buttons->addButton(tr("&Start"), QDialogButtonBox::AcceptRole);
  cmdStart_->setObjectName(QStringLiteral("CmdStart"));
  cmdStop_ = buttons->addButton(tr("S&top"), QDialogButtonBox::ActionRole);
  cmdStop_->setObjectName(QStringLiteral("CmdStop"));
  cmdClose_ = buttons->addButton(QDialogButtonBox::Close);
  cmdClose_->setObjectName(QStringLiteral("CmdClose"));
  cmdClose_->setText(tr("Close"));
  layout->addWidget(buttons);
  // Start is the window's answer to Enter; neither button closes it.
  disconnect(buttons, nullptr, this, nullptr);
  connect(cmdStart_, &QPushButton::clicked, this, &PublishDialog::startClicked);
  connect(cmdStop_, &QPushButton::clicked, this, &PublishDialog::stopClicked);
  connect(cmdClose_, &QPushButton::clicked, this, &QDialog::hide);
  connect(txtBrokerUrl_, &QLineEdit::textChanged, this, &PublishDialog::urlChanged);
  connect(&publishing_, &DesktopPublishing::runningChanged, this, &PublishDialog::runningChanged);
  connect(&publishing_, &DesktopPublishing::statusChanged, this,
          [this](const QString& text) { statusChanged(text); });

  fill(publishing_.remembered());
  runningChanged(publishing_.running());
  statusChanged(publishing_.statusText());
}

QLineEdit* PublishDialog::fileRow(QGridLayout* grid, int row, const QString& text, const char* name,
                                  QPushButton** browse) {
  QLineEdit* field = lineEdit(name, this);
  auto* l = new QLabel(text, this);
  l->setBuddy(field);
  auto* button = new QPushButton(tr("Choose…"), this);
  button->setObjectName(QLatin1String("Cmd") + QLatin1String(name).mid(3));
  button->setAccessibleName(tr("Choose %1").arg(QString(text).remove('&').remove(':')));
  connect(button, &QPushButton::clicked, this, [this, field] { chooseFile(field); });
  grid->addWidget(l, row, 0);
  grid->addWidget(field, row, 1);
  grid->addWidget(button, row, 2);
  grid->setColumnStretch(1, 1);
  *browse = button;
  return field;
}

void PublishDialog::chooseFile(QLineEdit* field) {
  const auto path = dialogs_.openFileName(tr("All Files (*.*)|*.*|"));
  if (path) field->setText(*path);
}

void PublishDialog::fill(const PublishChoices& c) {
  txtBrokerUrl_->setText(c.url);
  txtMeterName_->setText(c.meter);
  txtUser_->setText(c.user);
  txtPasswordFile_->setText(c.passwordFile);
  txtCa_->setText(c.ca);
  txtCert_->setText(c.cert);
  txtKey_->setText(c.key);
  chkDiscovery_->setChecked(c.discovery);
  txtDiscoveryPrefix_->setText(c.discoveryPrefix);
  txtDiscoveryPrefix_->setEnabled(c.discovery);
  urlChanged();
}

PublishChoices PublishDialog::choices() const {
  PublishChoices c;
  c.url = txtBrokerUrl_->text().trimmed();
  c.meter = txtMeterName_->text().trimmed();
  c.user = txtUser_->text().trimmed();
  c.passwordFile = txtPasswordFile_->text().trimmed();
  c.ca = txtCa_->text().trimmed();
  c.cert = txtCert_->text().trimmed();
  c.key = txtKey_->text().trimmed();
  c.discovery = chkDiscovery_->isChecked();
  c.discoveryPrefix = txtDiscoveryPrefix_->text().trimmed();
  return c;
}

void PublishDialog::urlChanged() {
  std::string ignored;
  const auto url = publish::parseBrokerUrl(txtBrokerUrl_->text().trimmed().toStdString(), &ignored);
  const bool tls =
      url ? url->tls : txtBrokerUrl_->text().trimmed().startsWith(QLatin1String("mqtts://"));
  if (fraTls_->isHidden() == tls) {
    fraTls_->setVisible(tls);
    adjustSize();
  }
}

void PublishDialog::startClicked() {
  QString error;
  if (!publishing_.start(choices(), &error)) dialogs_.message(error);
}

void PublishDialog::stopClicked() {
  publishing_.stop();
}

void PublishDialog::runningChanged(bool running) {
  for (QWidget* w : std::initializer_list<QWidget*>{txtBrokerUrl_, txtMeterName_, txtUser_,
                                                    txtPasswordFile_, fraTls_, chkDiscovery_})
    w->setEnabled(!running);
  txtDiscoveryPrefix_->setEnabled(!running && chkDiscovery_->isChecked());
  for (QPushButton* b : findChildren<QPushButton*>())
    if (b->objectName().startsWith(QLatin1String("Cmd")) && b != cmdStart_ && b != cmdStop_ &&
        b != cmdClose_)
      b->setEnabled(!running);
  cmdStart_->setEnabled(!running);
  cmdStop_->setEnabled(running);
  if (running)
    cmdStop_->setDefault(true);
  else
    cmdStart_->setDefault(true);
}

void PublishDialog::statusChanged(const QString& text) {
  lblStatus_->setText(text.isEmpty() ? tr("Not publishing") : text);
}

}  // namespace lux
