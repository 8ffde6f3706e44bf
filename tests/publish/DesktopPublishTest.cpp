// Publishing from the panel: the "Publish readings" window's checks, the choices remembered by
// the next start, the simulated meter's readings on a real Mosquitto broker, the status row while
// the broker is away and back, a refused password, and Stop.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include "Broker.h"
#include "panel/Panel.h"
#include "publish/DesktopPublishing.h"
#include "publish/PublishDialog.h"
#include "support/MeterRig.h"

namespace {

using lux::DesktopPublishing;
using lux::Panel;
using lux::PublishChoices;
using lux::PublishDialog;
using lux::test::Broker;
using lux::test::MeterRig;
using lux::test::retained;
using lux::test::Subscriber;
using lux::test::waitFor;

bool writeFile(const QString& path, const QByteArray& bytes, int mode) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  f.write(bytes);
  f.close();
  return ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0;
}

QJsonObject json(const QString& payload) {
  return QJsonDocument::fromJson(payload.toUtf8()).object();
}

class DesktopPublish : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(rig_.openedAtStart);
    broker_ = std::make_unique<Broker>(dir_.path());
    settings_ = std::make_unique<QSettings>(dir_.filePath("luxpanel.conf"), QSettings::IniFormat);
    panel_ = std::make_unique<Panel>(rig_.session, rig_.dialogs);
    makeProgram();
  }
  void TearDown() override {
    dialog_.reset();
    if (publishing_) publishing_->shutdown();
    publishing_.reset();
  }
  // What a start of the program makes: the publishing on its settings, the window, the status
  // row observing it.
  void makeProgram() {
    dialog_.reset();
    if (publishing_) publishing_->shutdown();
    settings_ = std::make_unique<QSettings>(dir_.filePath("luxpanel.conf"), QSettings::IniFormat);
    publishing_ = std::make_unique<DesktopPublishing>(rig_.session, rig_.dialogs, *settings_,
                                                      dir_.filePath("state"));
    publishing_->every = 0;  // every reading, so that a test needs no seconds of real time
    QObject::connect(publishing_.get(), &DesktopPublishing::statusChanged, panel_.get(),
                     &Panel::showPublishing);
    dialog_ = std::make_unique<PublishDialog>(*publishing_, rig_.dialogs);
  }
  // Fills the window for the test's broker, meter "bench".
  void fillForBroker() {
    dialog_->txtBrokerUrl()->setText(broker_->url());
    dialog_->txtMeterName()->setText(QStringLiteral("bench"));
    dialog_->chkDiscovery()->setChecked(false);
  }
  // One poll of the meter: one fresh reading (its text is kept), then the broker's answers.
  void poll(int n = 1) {
    for (int i = 0; i < n; ++i) {
      rig_.session.pollTick();
      waitFor(0.05, [] { return false; });
    }
  }
  std::vector<QString> messages() const { return rig_.dialogs.messages(); }
  QString note() const { return panel_->publishingNote(); }

  QTemporaryDir dir_;
  MeterRig rig_;
  std::unique_ptr<Broker> broker_;
  std::unique_ptr<QSettings> settings_;
  std::unique_ptr<Panel> panel_;
  std::unique_ptr<DesktopPublishing> publishing_;
  std::unique_ptr<PublishDialog> dialog_;
};

TEST_F(DesktopPublish, TheWindowRefusesWhatTheCommandLineRefusesWithItsWords) {
  for (int i = 0; i < 7; ++i) rig_.dialogs.expectMessage();
  dialog_->txtMeterName()->setText(QStringLiteral("bench"));

  dialog_->txtBrokerUrl()->setText(QStringLiteral("http://127.0.0.1:1883"));
  dialog_->startClicked();
  dialog_->txtBrokerUrl()->setText(QStringLiteral("mqtt://user:pw@127.0.0.1"));
  dialog_->startClicked();

  // A password file others can read: refused, with the command that mends it.
  const QString open = dir_.filePath("open-password");
  ASSERT_TRUE(writeFile(open, "s3cret\n", 0644));
  dialog_->txtBrokerUrl()->setText(QStringLiteral("mqtt://127.0.0.1:1883"));
  dialog_->txtUser()->setText(QStringLiteral("lux"));
  dialog_->txtPasswordFile()->setText(open);
  dialog_->startClicked();
  // A private one without a user name.
  const QString closed = dir_.filePath("password");
  ASSERT_TRUE(writeFile(closed, "s3cret\n", 0600));
  dialog_->txtUser()->clear();
  dialog_->txtPasswordFile()->setText(closed);
  dialog_->startClicked();

  // mqtts:// shows the TLS files and wants a CA.
  dialog_->txtPasswordFile()->clear();
  EXPECT_TRUE(dialog_->fraTls()->isHidden());
  dialog_->txtBrokerUrl()->setText(QStringLiteral("mqtts://127.0.0.1:8883"));
  EXPECT_FALSE(dialog_->fraTls()->isHidden());
  dialog_->startClicked();
  dialog_->txtCaFile()->setText(dir_.filePath("no-such-ca.pem"));
  dialog_->startClicked();
  // A bad meter name.
  dialog_->txtBrokerUrl()->setText(QStringLiteral("mqtt://127.0.0.1:1883"));
  EXPECT_TRUE(dialog_->fraTls()->isHidden());
  dialog_->txtMeterName()->setText(QStringLiteral("bench/1"));
  dialog_->startClicked();

  const auto shown = messages();
  ASSERT_EQ(shown.size(), 7u);
  EXPECT_EQ(shown[0], "broker URL 'http://127.0.0.1:1883': the scheme must be mqtt:// or mqtts://");
  EXPECT_EQ(shown[1],
            "broker URL 'mqtt://user:pw@127.0.0.1': a user name or password does not belong in "
            "the URL (use the configuration file or --password-file)");
  EXPECT_EQ(shown[2], open +
                          " holds a password and others can read it; make it private with: "
                          "chmod 600 " +
                          open);
  EXPECT_EQ(shown[3], "A password file needs a user name.");
  EXPECT_EQ(shown[4],
            "mqtts:// needs a CA file: the certificate of the authority that signed the broker's "
            "certificate.");
  EXPECT_TRUE(shown[5].startsWith("cannot read the ca file " + dir_.filePath("no-such-ca.pem")))
      << shown[5].toStdString();
  EXPECT_TRUE(shown[6].startsWith("The meter name must be 1 to 64 letters"));
  EXPECT_FALSE(publishing_->running());
  EXPECT_EQ(note(), "");
  // Nothing refused was remembered.
  EXPECT_EQ(publishing_->remembered().url, "mqtt://localhost");
}

TEST_F(DesktopPublish, FilesAreChosenInTheFileDialogAndTheDiscoveryPrefixIsChecked) {
  const QString password = dir_.filePath("password");
  rig_.dialogs.answerOpenFile(password).answerOpenFile(std::nullopt).expectMessage();
  dialog_->cmdPasswordFile()->click();
  EXPECT_EQ(dialog_->txtPasswordFile()->text(), password);
  // Cancelled: the field keeps what it had.
  dialog_->cmdPasswordFile()->click();
  EXPECT_EQ(dialog_->txtPasswordFile()->text(), password);

  dialog_->txtPasswordFile()->clear();
  dialog_->txtBrokerUrl()->setText(QStringLiteral("mqtt://127.0.0.1:1883"));
  dialog_->txtMeterName()->setText(QStringLiteral("bench"));
  dialog_->txtDiscoveryPrefix()->setText(QStringLiteral("homeassistant/#"));
  dialog_->startClicked();
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_EQ(messages().front(),
            "The discovery prefix must be topic levels without '+', '#', spaces or empty levels.");
  // Without discovery the prefix does not matter.
  dialog_->chkDiscovery()->setChecked(false);
  EXPECT_FALSE(dialog_->txtDiscoveryPrefix()->isEnabled());
  EXPECT_EQ(publishing_->check(dialog_->choices()), "");
  EXPECT_TRUE(rig_.dialogs.allAnswered());
}

TEST_F(DesktopPublish, ReadingsOfTheSimulatedMeterArriveAndTheChoicesAreRemembered) {
  ASSERT_TRUE(broker_->start());
  Subscriber sub;
  ASSERT_TRUE(sub.start(broker_->port(), "luxpanel/bench/reading"));
  std::vector<QString> shownByMeter;
  QObject::connect(&rig_.session, &lux::MeterSession::readingDecoded,
                   [&](const lux::Reading& r) { shownByMeter.push_back(r.text); });
  const QString password = dir_.filePath("password");
  ASSERT_TRUE(writeFile(password, "not-in-the-settings\n", 0600));
  fillForBroker();
  dialog_->txtUser()->setText(QStringLiteral("lux"));
  dialog_->txtPasswordFile()->setText(password);
  dialog_->startClicked();
  ASSERT_TRUE(messages().empty()) << messages().front().toStdString();
  ASSERT_TRUE(publishing_->running());
  EXPECT_FALSE(dialog_->cmdStart()->isEnabled());
  EXPECT_TRUE(dialog_->cmdStop()->isEnabled());
  ASSERT_TRUE(waitFor(10, [&] { return note() == "Publishing"; })) << note().toStdString();
  EXPECT_TRUE(panel_->elementShown("LblPublishNote"));
  EXPECT_EQ(dialog_->lblStatus()->text(), "Publishing");
  // Without the meter nothing is published: its note goes first in the same place.
  panel_->showMeterSilence(true);
  EXPECT_FALSE(panel_->elementShown("LblPublishNote"));
  EXPECT_TRUE(panel_->elementShown("LblMeterNote"));
  panel_->showMeterSilence(false);
  EXPECT_TRUE(panel_->elementShown("LblPublishNote"));

  poll(5);
  ASSERT_TRUE(waitFor(10, [&] { return sub.count("luxpanel/bench/reading") >= 5; }));
  ASSERT_EQ(shownByMeter.size(), 5u);
  const QStringList got = sub.payloads("luxpanel/bench/reading");
  ASSERT_EQ(got.size(), 5);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(json(got[i])["seq"].toInteger(), i + 1);
    EXPECT_EQ(json(got[i])["value"].toString(), shownByMeter[std::size_t(i)]);
  }
  EXPECT_EQ(retained(broker_->port(), "luxpanel/bench/state"), "online");

  // The next start of the program: the window shows the same choices and publishing goes on.
  makeProgram();
  EXPECT_EQ(dialog_->txtBrokerUrl()->text(), broker_->url());
  EXPECT_EQ(dialog_->txtMeterName()->text(), "bench");
  EXPECT_EQ(dialog_->txtUser()->text(), "lux");
  EXPECT_EQ(dialog_->txtPasswordFile()->text(), password);
  EXPECT_FALSE(dialog_->chkDiscovery()->isChecked());
  EXPECT_FALSE(publishing_->running());
  publishing_->resume();
  ASSERT_TRUE(publishing_->running());
  ASSERT_TRUE(waitFor(10, [&] { return note() == "Publishing"; }));
  poll(1);
  ASSERT_TRUE(waitFor(10, [&] { return sub.count("luxpanel/bench/reading") >= 6; }));
  EXPECT_EQ(json(sub.payloads("luxpanel/bench/reading").last())["seq"].toInteger(), 6);

  // Stop stops: nothing more is published, the broker hears "offline", the status row is empty,
  // and the next start does not publish.
  dialog_->cmdStop()->click();
  EXPECT_FALSE(publishing_->running());
  EXPECT_EQ(note(), "");
  EXPECT_FALSE(panel_->elementShown("LblPublishNote"));
  EXPECT_EQ(dialog_->lblStatus()->text(), "Not publishing");
  poll(3);
  waitFor(1, [] { return false; });
  EXPECT_EQ(sub.count("luxpanel/bench/reading"), 6);
  const QString availability = QStringLiteral("luxpanel/publisher/+/availability");
  EXPECT_EQ(retained(broker_->port(), availability), "offline");
  makeProgram();
  publishing_->resume();
  EXPECT_FALSE(publishing_->running());

  // The password stays in its file.
  QFile conf(dir_.filePath("luxpanel.conf"));
  ASSERT_TRUE(conf.open(QIODevice::ReadOnly));
  const QByteArray saved = conf.readAll();
  EXPECT_TRUE(saved.contains("bench"));
  EXPECT_FALSE(saved.contains("not-in-the-settings"));
}

TEST_F(DesktopPublish, TheStatusRowCountsTheReadingsWaitingWhileTheBrokerIsAway) {
  ASSERT_TRUE(broker_->start());
  fillForBroker();
  dialog_->startClicked();
  ASSERT_TRUE(waitFor(10, [&] { return note() == "Publishing"; })) << note().toStdString();
  poll(2);
  ASSERT_TRUE(waitFor(5, [&] { return publishing_->publisher()->waiting() == 0; }));

  broker_->stop();
  ASSERT_TRUE(waitFor(10, [&] { return note() == "Broker unreachable: 0 readings waiting"; }))
      << note().toStdString();
  poll(1);
  EXPECT_EQ(note(), "Broker unreachable: 1 readings waiting");
  poll(3);
  EXPECT_EQ(note(), "Broker unreachable: 4 readings waiting");
  EXPECT_EQ(dialog_->lblStatus()->text(), "Broker unreachable: 4 readings waiting");

  std::vector<std::uint64_t> acknowledged;
  QObject::connect(publishing_->publisher(), &lux::publish::Publisher::acknowledged,
                   [&](int, std::uint64_t seq) { acknowledged.push_back(seq); });
  ASSERT_TRUE(broker_->restart());
  ASSERT_TRUE(waitFor(20, [&] { return note() == "Publishing"; })) << note().toStdString();
  ASSERT_TRUE(waitFor(5, [&] { return acknowledged.size() >= 4; }));
  EXPECT_EQ(acknowledged, (std::vector<std::uint64_t>{3, 4, 5, 6}));
  EXPECT_EQ(publishing_->publisher()->waiting(), 0u);
}

TEST_F(DesktopPublish, AWrongPasswordStopsPublishingWithAMessage) {
  const QString passwords = dir_.filePath("passwd");
  ASSERT_EQ(QProcess::execute("mosquitto_passwd", {"-c", "-b", passwords, "lux", "s3cret"}), 0);
  ASSERT_TRUE(broker_->start({"password_file " + passwords}, false));
  const QString wrong = dir_.filePath("wrong-password");
  ASSERT_TRUE(writeFile(wrong, "guess\n", 0600));
  fillForBroker();
  dialog_->txtUser()->setText(QStringLiteral("lux"));
  dialog_->txtPasswordFile()->setText(wrong);
  rig_.dialogs.expectMessage();
  dialog_->startClicked();
  ASSERT_TRUE(publishing_->running());
  ASSERT_TRUE(waitFor(10, [&] { return !messages().empty(); }));
  EXPECT_TRUE(
      messages().front().startsWith("The broker 127.0.0.1:" + QString::number(broker_->port()) +
                                    " refused the user name or the password"))
      << messages().front().toStdString();
  EXPECT_FALSE(publishing_->running());
  EXPECT_EQ(note(), "");
  EXPECT_TRUE(dialog_->cmdStart()->isEnabled());
  // Not tried again at the next start.
  makeProgram();
  publishing_->resume();
  EXPECT_FALSE(publishing_->running());
}

}  // namespace
