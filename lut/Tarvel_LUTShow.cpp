#include "lut/Tarvel_LUTShow.h"

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <memory>

#include "lut/Tarvel_LUTListing.h"
#include "lut/Tarvel_MessagePort.h"
#include "tools/Tarvel_UI.h"
#include "tree/NodeData.h"

Tfm_LUTShow::Tfm_LUTShow(QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setWindowTitle(QStringLiteral("Look-up Constant Values"));
  resize(450, 292);

  Panel1 = MakeToolPanel(this, 49);
  Label3 = MakeLabel(Panel1, "Property", 8, 8);
  lb_PropName = MakeValueLabel(Panel1, "Property name", QRect(72, 8, 137, 16));
  Label2 = MakeLabel(Panel1, "Index LUT:", 8, 28);
  lb_IxLUTName = MakeValueLabel(Panel1, "Ix LUT name", QRect(72, 28, 137, 16));
  Label1 = MakeLabel(Panel1, "Value LUT:", 216, 28);
  lb_ValLUTName = MakeValueLabel(Panel1, "Val LUT name", QRect(280, 28, 137, 16));
  bt_Close = MakeButton(Panel1, "Close", 280, 4, 59);
  connect(bt_Close, &QPushButton::clicked, this, &QDialog::reject);

  Memo1 = MakeListingMemo(this, "Memo1");

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Panel1);
  layout->addWidget(Memo1, 1);
}

void Tfm_LUTShow::FormShow() {
  Memo1->clear();
  lb_PropName->clear();
  lb_IxLUTName->setText(QStringLiteral("none"));
  lb_ValLUTName->setText(QStringLiteral("none"));
  if (Node == nullptr) return;
  lb_PropName->setText(ToQString(Node->Name));

  QStringList lines;
  const auto list = [&lines](const TLUT* table, QLabel* label) {
    if (table == nullptr) return;
    label->setText(ToQString(table->Name()));
    for (const std::string& line : FormatLUTListing(*table)) lines << ToQString(line);
  };
  list(Node->IndexLUT, lb_IxLUTName);
  list(Node->ValueLUT, lb_ValLUTName);
  Memo1->setPlainText(lines.join(QLatin1Char('\n')));
}

void Tfm_LUTShow::showEvent(QShowEvent* event) {
  // A window restored from the task bar keeps its listing.
  if (!event->spontaneous()) FormShow();
  QDialog::showEvent(event);
}

void OpenConstantValues(QWidget* opener, TTVNodeData& node) {
  if (node.IndexLUT == nullptr && node.ValueLUT == nullptr) {
    ShowMessage("No constant info available");
    return;
  }
  const auto window = std::make_unique<Tfm_LUTShow>(opener);
  if (opener != nullptr) PlaceBeside(*window, *opener);
  window->Node = &node;
  RunModal(*window);
}
