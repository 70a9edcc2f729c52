// The about box, and the program's icon.
#pragma once

#include <QDialog>
#include <QIcon>

class QFrame;
class QLabel;
class QPushButton;

// The program's icon: a small object tree on a Visio-blue tile, drawn at
// every size it is asked for.
QIcon TarvelIcon();

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  QFrame* Panel1;
  QLabel* ProgramIcon;
  QLabel* ProductName;
  QLabel* Version;
  QLabel* Copyright;
  QLabel* Comments;
  QLabel* Comments2;
  QLabel* Comments3;
  QPushButton* OKButton;
};
