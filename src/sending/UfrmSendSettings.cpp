// The send window's options in Mass.ini and its account chooser.
#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>

#include "MapCombo.h"
#include "MassIni.h"
#include "SendOptions.h"
#include "UfrmSend.h"
#include "data/Data.h"
#include "data/ProgramFolder.h"
#include "data/SqlText.h"
#include "widgets/Interaction.h"

void TFormSend::fillAccounts() {
  FillMapComboFromQuery(QStringLiteral("select server_name,server_id from smtp_server"),
                        wwDBComboBoxSMTPServer, DataModule1->ADOQueryAccessComm);
}

void TFormSend::applyMassIni() {
  MassIniValues v;
  if (!ReadMassIni(ProgramFolder(), v)) return;
  EmailTitle = v.title;
  if (!v.server.isEmpty())
    wwDBComboBoxSMTPServer->setCurrentIndex(wwDBComboBoxSMTPServer->findData(v.server));
  CheckBoxInTurn->setChecked(InTurnIsOn(v.inTurn));
  CheckBoxRandom->setChecked(FlagIsOn(v.randWaitSecond));
  ComboBoxSendCnt->setEditText(v.sendCnt);
  ComboBoxWait->setEditText(v.waitSecond);
  int interval = 0;
  if (!ReadWholeNumber(v.interval.trimmed(), interval)) {
    // The set-up stops here, as a failed number conversion always stopped it.
    Interaction::current().showError(IntegerConversionError(v.interval));
    return;
  }
  EditInteval->setValue(interval);
  CheckBoxAddNameToEmailTitle->setChecked(FlagIsOn(v.addName));
}

void TFormSend::writeMassIni() {
  MassIniValues v;
  v.server = MapComboValue(wwDBComboBoxSMTPServer);
  v.inTurn = FlagText(CheckBoxInTurn->isChecked());
  v.interval = EditInteval->text();
  v.title = EmailTitle;
  v.randWaitSecond = FlagText(CheckBoxRandom->isChecked());
  v.sendCnt = ComboBoxSendCnt->currentText();
  v.waitSecond = ComboBoxWait->currentText();
  v.addName = FlagText(CheckBoxAddNameToEmailTitle->isChecked());
  QString error;
  if (!WriteMassIni(ProgramFolder(), v, error)) Interaction::current().showError(error);
}
