// The constant values window: lists every constant of the look-up tables a
// tree node carries, so the user sees which numbers a property or an index
// may take and what they are called.
#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QShowEvent;
class TTVNodeData;

class Tfm_LUTShow : public QDialog {
  Q_OBJECT

 public:
  explicit Tfm_LUTShow(QWidget* owner = nullptr);

  // Fills the labels and the listing from Node; runs on every show.
  void FormShow();

  TTVNodeData* Node = nullptr;  // not owned

  QFrame* Panel1;
  QLabel* Label3;
  QLabel* lb_PropName;
  QLabel* Label2;
  QLabel* lb_IxLUTName;
  QLabel* Label1;
  QLabel* lb_ValLUTName;
  QPushButton* bt_Close;
  QPlainTextEdit* Memo1;

 protected:
  void showEvent(QShowEvent* event) override;
};

// Shows the constant values window for `node` modally, beside `opener`; a
// node without tables gets a message instead.
void OpenConstantValues(QWidget* opener, TTVNodeData& node);
