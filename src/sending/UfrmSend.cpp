#include "UfrmSend.h"

TFormSend::TFormSend(QWidget *parent) : QDialog(parent) {}

void TFormSend::setSummaryText(const QString &) {}
