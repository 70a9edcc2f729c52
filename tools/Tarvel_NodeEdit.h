// The edit node window: edits one property value or one cell's formula as
// text and writes it back to Visio; a cell in a master is written in an
// opened copy of that master.
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <string_view>

#include "visio/Visio_TLB.h"

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QShowEvent;
class TTVNodeData;

// "Guard(" + text + ")", whatever the text holds.
std::string GuardText(const std::string& text);
// The argument of a GUARD(...) call that wraps the whole trimmed text (the
// function name in any letter case), or nothing when the text is no such
// call.
std::optional<std::string> UnguardText(std::string_view text);

class Tfm_NodeEdit : public QDialog {
  Q_OBJECT

 public:
  explicit Tfm_NodeEdit(QWidget* owner = nullptr);

  // Fills the labels and the memo from Node; runs on every show.
  void LoadFromNode();
  // Writes the memo's text to Node and refreshes its caption; true when
  // Visio took it. A failure is reported to the user.
  bool SaveToNode();

  void bt_SaveClick();
  void bt_CancelClick();
  void bt_SaveCloseClick();
  void bt_GuardClick();
  void bt_UnguardClick();
  void bt_ConstantsClick();

  TTVNodeData* Node = nullptr;  // not owned
  IVCell Cell;                  // the cell being edited, while the window is open

  QFrame* Panel1;
  QLabel* Label1;
  QLabel* lb_Type;
  QLabel* Label3;
  QLabel* lb_Name;
  QPushButton* bt_Guard;
  QPushButton* bt_Unguard;
  QPushButton* bt_Constants;
  QPushButton* bt_Save;
  QPushButton* bt_Cancel;
  QPushButton* bt_SaveClose;
  QPlainTextEdit* mm_Edit;
  // Says, for a cell of a master's shape or of a style, that saving
  // reaches every shape that inherits it; hidden otherwise.
  QLabel* lb_Shared;

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::string EditText() const;
  void SetEditText(const std::string& text);
  void ShowSharedWarning(const std::string& text);

  int sharedHeight_ = 0;  // what the warning added to the window's height
};

// Shows the edit node window for `node` modally, beside `opener`.
void OpenNodeEditor(QWidget* opener, TTVNodeData& node);
