#include "tools/Tarvel_NodeEdit.h"

#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <cctype>
#include <exception>
#include <memory>

#include "lut/Tarvel_LUTShow.h"
#include "lut/Tarvel_MessagePort.h"
#include "tools/Tarvel_UI.h"
#include "tree/ValueNodes.h"
#include "tree/VisObjectNodes.h"
#include "visio/ErrorText.h"
#include "visio/KTVisio_Controller.h"

namespace {

bool StartsWithGuard(std::string_view text) {
  constexpr std::string_view kGuard = "GUARD(";
  return text.size() >= kGuard.size() &&
         std::equal(kGuard.begin(), kGuard.end(), text.begin(), [](char a, char b) {
           return a == std::toupper(static_cast<unsigned char>(b));
         });
}

// Whether the parenthesis at `open` is the one the last character closes;
// parentheses inside string literals do not count.
bool ClosesAtEnd(std::string_view text, std::size_t open) {
  int depth = 0;
  bool inString = false;
  for (std::size_t i = open; i + 1 < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      inString = !inString;  // a doubled quote inside a string toggles twice
    } else if (!inString && c == '(') {
      ++depth;
    } else if (!inString && c == ')' && --depth == 0) {
      return false;
    }
  }
  return depth == 1 && !inString;
}

}  // namespace

std::string GuardText(const std::string& text) {
  return "Guard(" + text + ")";
}

std::optional<std::string> UnguardText(std::string_view text) {
  const std::string trimmed = TrimText(text);
  constexpr std::size_t kOpen = 5;  // the parenthesis after GUARD
  // "GUARD(1)+GUARD(2)" starts and ends like a wrapper but is none.
  if (trimmed.size() < kOpen + 2 || !StartsWithGuard(trimmed) || trimmed.back() != ')' ||
      !ClosesAtEnd(trimmed, kOpen)) {
    return std::nullopt;
  }
  return trimmed.substr(kOpen + 1, trimmed.size() - kOpen - 2);
}

Tfm_NodeEdit::Tfm_NodeEdit(QWidget* owner)
    : QDialog(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setWindowTitle(QStringLiteral("Edit Node"));
  resize(490, 116);

  Panel1 = MakeToolPanel(this, 49);
  Label1 = MakeLabel(Panel1, "Type:", 4, 26);
  lb_Type = MakeValueLabel(Panel1, "a type", QRect(40, 26, 201, 17));
  Label3 = MakeLabel(Panel1, "Name:", 4, 4);
  lb_Name = MakeValueLabel(Panel1, "a name", QRect(40, 4, 201, 17));
  bt_Guard = MakeButton(Panel1, "Guard", 248, 4, 49);
  bt_Unguard = MakeButton(Panel1, "UnGuard", 248, 26, 49);
  bt_Constants = MakeButton(Panel1, "Constants", 304, 4, 65);
  bt_Save = MakeButton(Panel1, "Save", 376, 4, 49);
  bt_Cancel = MakeButton(Panel1, "Close", 432, 4, 49);
  bt_Cancel->setDefault(true);
  bt_SaveClose = MakeButton(Panel1, "Save + Close", 376, 26, 105);

  mm_Edit = new QPlainTextEdit(QStringLiteral("mm_Edit"), this);
  mm_Edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mm_Edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  mm_Edit->setTabChangesFocus(true);

  lb_Shared = new QLabel(this);
  lb_Shared->setObjectName(QStringLiteral("lb_Shared"));
  lb_Shared->setWordWrap(true);
  lb_Shared->setContentsMargins(4, 2, 4, 2);
  lb_Shared->hide();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Panel1);
  layout->addWidget(lb_Shared);
  layout->addWidget(mm_Edit, 1);

  setTabOrder(bt_Save, bt_Cancel);
  setTabOrder(bt_Cancel, bt_SaveClose);
  setTabOrder(bt_SaveClose, bt_Guard);
  setTabOrder(bt_Guard, bt_Unguard);
  setTabOrder(bt_Unguard, bt_Constants);
  setTabOrder(bt_Constants, mm_Edit);

  connect(bt_Save, &QPushButton::clicked, this, [this] { bt_SaveClick(); });
  connect(bt_Cancel, &QPushButton::clicked, this, [this] { bt_CancelClick(); });
  connect(bt_SaveClose, &QPushButton::clicked, this, [this] { bt_SaveCloseClick(); });
  connect(bt_Guard, &QPushButton::clicked, this, [this] { bt_GuardClick(); });
  connect(bt_Unguard, &QPushButton::clicked, this, [this] { bt_UnguardClick(); });
  connect(bt_Constants, &QPushButton::clicked, this, [this] { bt_ConstantsClick(); });
}

void Tfm_NodeEdit::LoadFromNode() {
  std::string valueText;
  std::string cellName;
  std::string shared;
  if (Node == nullptr || !IsEditableNode(*Node)) {
    mm_Edit->clear();
    ShowSharedWarning(shared);
    return;
  }
  if (auto* cellNode = dynamic_cast<TND_IVCell*>(Node)) {
    shared = cellNode->SharedCellWarning();
    Cell = IVCell(cellNode->VisObj);
    if (Cell) {
      try {
        valueText = Cell.Object().Get("Formula").ToString();
        cellName = Cell.Name();
      } catch (const std::exception& e) {
        valueText = " EXCEPTION: \"" + TrimText(ErrorMessage(e)) + "\"";
        cellName.clear();
        ShowMessage("Sorry, can't edit due to: " + valueText);
      }
    }
  } else {
    // The whole value: Save writes back what the memo holds, so a value
    // cut here would be cut in Visio too.
    valueText = Node->GetValueStr(std::numeric_limits<int>::max(), true);
  }
  std::string name = Node->Name;
  if (!cellName.empty()) name += " - \"" + cellName + "\"";
  lb_Name->setText(ToQString(name));
  lb_Type->setText(ToQString(Node->GetShortTypeName()));
  SetEditText(valueText);
  ShowSharedWarning(shared);
}

void Tfm_NodeEdit::ShowSharedWarning(const std::string& text) {
  // The window grows by the warning rather than taking the memo's room.
  const int without = height() - sharedHeight_;
  lb_Shared->setText(ToQString(text));
  lb_Shared->setVisible(!text.empty());
  layout()->activate();  // the window's least height follows the warning now, not later
  sharedHeight_ = text.empty() ? 0 : lb_Shared->heightForWidth(width());
  resize(width(), without + sharedHeight_);
}

bool Tfm_NodeEdit::SaveToNode() {
  if (Node == nullptr) return false;
  TSetValueStatus status = svsOK;
  std::string message;
  const std::string text = EditText();
  if (dynamic_cast<TND_IVCell*>(Node) != nullptr) {
    try {
      IVCell editCell;
      IVMaster openedMaster;
      status = VisioController.LocateMasterCell(Cell, editCell, openedMaster, message);
      if (status == svsOK) {
        editCell.Object().Put("FormulaForce", automation::Variant(text));
        editCell = IVCell();
        // Closing the opened copy commits the edit to the master.
        openedMaster.Close();
      } else {
        Cell.Object().Put("FormulaForce", automation::Variant(text));
      }
    } catch (const std::exception& e) {
      status = svsSetValueFailed;
      message += " {" + TrimText(ErrorMessage(e)) + "}";
    }
  } else {
    status = Node->SetValueStr(text, message);
  }
  const bool saved = SetValueSucceeded(status);
  if (!saved) {
    const std::size_t index = std::min<std::size_t>(status, SetValueStatusText.size() - 1);
    ShowMessage("Save caused error: " + std::string(SetValueStatusText[index]) + message);
  }
  Node->Refresh(1);
  return saved;
}

void Tfm_NodeEdit::bt_SaveClick() {
  SaveToNode();
}

void Tfm_NodeEdit::bt_CancelClick() {
  reject();
}

void Tfm_NodeEdit::bt_SaveCloseClick() {
  if (SaveToNode()) accept();
}

void Tfm_NodeEdit::bt_GuardClick() {
  SetEditText(GuardText(EditText()));
}

void Tfm_NodeEdit::bt_UnguardClick() {
  if (const std::optional<std::string> inner = UnguardText(EditText())) {
    SetEditText(*inner);
  } else {
    ShowMessage("Sorry -- doesn't seem to be Guarded");
  }
}

void Tfm_NodeEdit::bt_ConstantsClick() {
  if (Node == nullptr) {
    ShowMessage("No constant info available");
    return;
  }
  OpenConstantValues(this, *Node);
}

void Tfm_NodeEdit::done(int result) {
  Cell = IVCell();
  QDialog::done(result);
}

void Tfm_NodeEdit::showEvent(QShowEvent* event) {
  // Restoring a minimised window must not throw away what the user typed.
  if (!event->spontaneous()) LoadFromNode();
  QDialog::showEvent(event);
}

std::string Tfm_NodeEdit::EditText() const {
  // The raw text keeps non-breaking spaces, which toPlainText turns into
  // blanks; only the block separators become line breaks.
  QString text = mm_Edit->document()->toRawText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  return ToStdString(text);
}

void Tfm_NodeEdit::SetEditText(const std::string& text) {
  mm_Edit->setPlainText(ToQString(text));
}

void OpenNodeEditor(QWidget* opener, TTVNodeData& node) {
  const auto window = std::make_unique<Tfm_NodeEdit>(opener);
  if (opener != nullptr) PlaceBeside(*window, *opener);
  window->Node = &node;
  RunModal(*window);
}
