#include "UfrmChoiseSheets.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QSqlError>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

#include "data/Data.h"
#include "widgets/Interaction.h"
#include "widgets/WindowPlacement.h"

namespace {
// sheet_choise with its selected column as a tick box; a changed row is written when another
// row is changed, or by submitAll().
class SheetChoiceModel : public QSqlTableModel {
 public:
  SheetChoiceModel(QObject *parent, const QSqlDatabase &db) : QSqlTableModel(parent, db) {
    setTable(QStringLiteral("sheet_choise"));
    setEditStrategy(QSqlTableModel::OnRowChange);
    setSort(fieldIndex(QStringLiteral("choise_id")), Qt::AscendingOrder);
    select();
    selectedColumn_ = fieldIndex(QStringLiteral("selected"));
    setHeaderData(selectedColumn_, Qt::Horizontal, QStringLiteral("选择"));
    setHeaderData(fieldIndex(QStringLiteral("sheet_name")), Qt::Horizontal,
                  QStringLiteral("工作表名称"));
  }
  int selectedColumn() const { return selectedColumn_; }

  Qt::ItemFlags flags(const QModelIndex &index) const override {
    const Qt::ItemFlags base = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // Editable for the model's own write; the grid opens no editor (NoEditTriggers).
    return index.column() == selectedColumn_ ? base | Qt::ItemIsUserCheckable | Qt::ItemIsEditable
                                             : base;
  }
  QVariant data(const QModelIndex &index, int role) const override {
    if (index.column() != selectedColumn_) return QSqlTableModel::data(index, role);
    if (role == Qt::CheckStateRole)
      return QSqlTableModel::data(index, Qt::EditRole).toInt() != 0 ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::DisplayRole || role == Qt::EditRole) return {};
    return QSqlTableModel::data(index, role);
  }
  bool setData(const QModelIndex &index, const QVariant &value, int role) override {
    if (index.column() != selectedColumn_ || role != Qt::CheckStateRole)
      return QSqlTableModel::setData(index, value, role);
    const bool ticked = value.toInt() == Qt::Checked;
    return QSqlTableModel::setData(index, ticked ? 1 : 0, Qt::EditRole);
  }

 private:
  int selectedColumn_ = -1;
};
}  // namespace

TFormChoiseSheets::TFormChoiseSheets(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FormChoiseSheets"));
  setWindowTitle(QStringLiteral("选择工作表"));
  resize(415, 562);
  PlaceOnFirstShow(this, WindowPlacement::MainWindowCentre);

  auto *frame =
      new QGroupBox(QStringLiteral("发现多个工作表，请选择本次要群发工资条的工作表"), this);
  frame->setObjectName(QStringLiteral("GroupBox1"));
  QFont bold = frame->font();
  bold.setBold(true);
  frame->setFont(bold);

  auto *model = new SheetChoiceModel(this, DataModule1->ADOConnectionAccess.database());
  model_ = model;
  grid_ = new QTableView(frame);
  grid_->setObjectName(QStringLiteral("DBGridEh1"));
  grid_->setFont(font());
  grid_->setModel(model_);
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (const char *hidden : {"choise_id", "sheet_id"})
    grid_->hideColumn(model_->fieldIndex(QLatin1String(hidden)));
  // The tick box column first, then the name.
  grid_->horizontalHeader()->moveSection(
      grid_->horizontalHeader()->visualIndex(model->selectedColumn()), 0);
  grid_->horizontalHeader()->setStretchLastSection(true);
  grid_->verticalHeader()->setDefaultSectionSize(24);
  auto *frameLayout = new QVBoxLayout(frame);
  frameLayout->addWidget(grid_);

  auto *button = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton),
                                 QStringLiteral("确定&S"), this);
  button->setObjectName(QStringLiteral("BitBtn1"));
  button->setFont(bold);
  button->setAutoDefault(false);
  connect(button, &QPushButton::clicked, this, &TFormChoiseSheets::confirm);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(frame, 1);
  layout->addWidget(button, 0, Qt::AlignHCenter);
}

void TFormChoiseSheets::confirm() {
  if (model_->isDirty() && !model_->submitAll()) {
    Interaction::current().showError(model_->lastError().text());
    return;
  }
  accept();
}
