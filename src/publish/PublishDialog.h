#pragma once
// The "Publish readings" window (File menu): where the panel's readings go (broker, meter name,
// user and password file, TLS files for mqtts://, Home Assistant discovery), Start and Stop. It
// observes the program's DesktopPublishing; the choices are checked as luxpanel-cli checks its
// configuration, and a refusal is said in a box with what to do about it.
#include <QDialog>

#include "publish/DesktopPublishing.h"

class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace lux {

class Dialogs;

class PublishDialog : public QDialog {
  Q_OBJECT
 public:
  PublishDialog(DesktopPublishing& publishing, Dialogs& dialogs, QWidget* parent = nullptr);

  // The choices as the fields hold them now.
  PublishChoices choices() const;

  QLineEdit* txtBrokerUrl() const { return txtBrokerUrl_; }
  QLineEdit* txtMeterName() const { return txtMeterName_; }
  QLineEdit* txtUser() const { return txtUser_; }
  QLineEdit* txtPasswordFile() const { return txtPasswordFile_; }
  QLineEdit* txtCaFile() const { return txtCa_; }
  QLineEdit* txtCertFile() const { return txtCert_; }
  QLineEdit* txtKeyFile() const { return txtKey_; }
  QGroupBox* fraTls() const { return fraTls_; }
  QCheckBox* chkDiscovery() const { return chkDiscovery_; }
  QLineEdit* txtDiscoveryPrefix() const { return txtDiscoveryPrefix_; }
  QLabel* lblStatus() const { return lblStatus_; }
  QPushButton* cmdStart() const { return cmdStart_; }
  QPushButton* cmdStop() const { return cmdStop_; }
  QPushButton* cmdPasswordFile() const { return cmdPasswordFile_; }

  void startClicked();
  void stopClicked();

 private:
  QLineEdit* fileRow(QGridLayout* grid, int row, const QString& label, const char* name,
                     QPushButton** browse);
  void fill(const PublishChoices& c);
  void urlChanged();
  void runningChanged(bool running);
  void statusChanged(const QString& text);
  void chooseFile(QLineEdit* field);

  DesktopPublishing& publishing_;
  Dialogs& dialogs_;
  QLineEdit* txtBrokerUrl_ = nullptr;
  QLineEdit* txtMeterName_ = nullptr;
  QLineEdit* txtUser_ = nullptr;
  QLineEdit* txtPasswordFile_ = nullptr;
  QPushButton* cmdPasswordFile_ = nullptr;
  QGroupBox* fraTls_ = nullptr;
  QLineEdit* txtCa_ = nullptr;
  QLineEdit* txtCert_ = nullptr;
  QLineEdit* txtKey_ = nullptr;
  QCheckBox* chkDiscovery_ = nullptr;
  QLineEdit* txtDiscoveryPrefix_ = nullptr;
  QLabel* lblStatus_ = nullptr;
  QPushButton* cmdStart_ = nullptr;
  QPushButton* cmdStop_ = nullptr;
  QPushButton* cmdClose_ = nullptr;
};

}  // namespace lux
