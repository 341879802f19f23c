#pragma once

#include <QString>

class DbQuery;
class QComboBox;

// Fills a chooser from a two-column select: each row shows its first column and carries its
// second as the value. Chooses no item. The query is closed afterwards.
void FillMapComboFromQuery(const QString &sql, QComboBox *combo, DbQuery &query);
// The chosen item's value, or an empty text when none is chosen.
QString MapComboValue(const QComboBox *combo);
