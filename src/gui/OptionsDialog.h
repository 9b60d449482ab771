// The options window: shows the program's options in its controls and gives them back as an
// Options value when it closes. No other window touches its controls.
#pragma once

#include "core/settings/Options.h"
#include "gui/Platform.h"

#include <QDialog>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class FolderBrowser;

class OptionsDialog : public QDialog {
  Q_OBJECT
public:
  // The folder browser's dialog runs through `platform`.
  explicit OptionsDialog(QWidget* parent = nullptr, Platform& platform = Platform::Default());

  // The options as the controls show them.
  Options Value() const;
  // Shows `options` in the controls.
  void SetValue(const Options& options);

  // Chooses the output folder with the folder browser ("...").
  void Button3Click();

  QFrame* Panel1 = nullptr;
  QLabel* Label1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QCheckBox* CheckBox4 = nullptr;
  QLabel* Label2 = nullptr;
  QCheckBox* CheckBox3 = nullptr;
  QCheckBox* CheckBox5 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QRadioButton* RadioButton5 = nullptr;
  QRadioButton* RadioButton1 = nullptr;
  QRadioButton* RadioButton2 = nullptr;
  QRadioButton* RadioButton3 = nullptr;
  QLabel* Label3 = nullptr;
  QCheckBox* CheckBox8 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  QCheckBox* CheckBox6 = nullptr;
  QCheckBox* CheckBox7 = nullptr;
  // The output folder: its tooltip holds the full path (the value), its text the path
  // shortened to the box.
  QLineEdit* Edit1 = nullptr;
  QPushButton* Button3 = nullptr;
  // The tag MP3 files are written through: RIFF SIF or ID3v2.3.
  QGroupBox* GroupBox2 = nullptr;
  QRadioButton* RadioButton6 = nullptr;
  QRadioButton* RadioButton7 = nullptr;
  // How many files a batch converts at the same time (0: one per processor core).
  QLabel* Label4 = nullptr;
  QSpinBox* SpinEdit1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button1 = nullptr;
  // The folder browser behind "...".
  FolderBrowser* plBrowseFolder1 = nullptr;
};
