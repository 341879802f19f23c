#include "MapCombo.h"

#include <QComboBox>

#include "data/DbQuery.h"
#include "widgets/Interaction.h"

void FillMapComboFromQuery(const QString &sql, QComboBox *combo, DbQuery &query) {
  query.close();
  QString error;
  const bool opened = query.open(sql, error);
  combo->clear();
  // Errors of the query are not this operation's: they reach the general error box.
  if (!opened) {
    Interaction::current().showError(error);
    return;
  }
  for (; !query.eof(); query.next())
    combo->addItem(query.field(0).toString(), query.field(1).toString());
  combo->setCurrentIndex(-1);
  query.close();
}

QString MapComboValue(const QComboBox *combo) {
  return combo->currentIndex() < 0 ? QString() : combo->currentData().toString();
}
