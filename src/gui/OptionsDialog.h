// The options window: shows the program's options in its controls and gives them back as an
// Options value when it closes. No other window touches its controls.
#pragma once

#include "core/settings/Options.h"
#include "gui/Platform.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
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

  // Chooses the output folder with the folder browser ("..."); cancelled, it stays as it was.
  void ChooseOutputFolder();

private:
  // Shows the output folder in its box: the path shortened to the box, whole in the tooltip.
  void ShowOutputFolder();

  // The output folder chosen or shown last (the value; the box only displays it).
  QString outputFolder_;
  QFrame* panel_ = nullptr;
  QLabel* openSectionLabel_ = nullptr;
  QCheckBox* openByFolderCheck_ = nullptr;
  QCheckBox* listFilesCheck_ = nullptr;
  QLabel* tagSectionLabel_ = nullptr;
  QCheckBox* allowTagWriteCheck_ = nullptr;
  QCheckBox* showVersionCheck_ = nullptr;
  QGroupBox* commentFormatGroup_ = nullptr;
  QRadioButton* freeTextRadio_ = nullptr;
  QRadioButton* jacketImageRadio_ = nullptr;
  QRadioButton* creditsRadio_ = nullptr;
  QRadioButton* idAndCreditsRadio_ = nullptr;
  QLabel* conversionSectionLabel_ = nullptr;
  QCheckBox* copyTagCheck_ = nullptr;
  QCheckBox* trashWavCheck_ = nullptr;
  QCheckBox* overwriteCheck_ = nullptr;
  QCheckBox* useOutputFolderCheck_ = nullptr;
  QLineEdit* outputFolderEdit_ = nullptr;
  QPushButton* chooseOutputFolderButton_ = nullptr;
  // The tag MP3 files are written through: RIFF SIF or ID3v2.3.
  QGroupBox* tagFormatGroup_ = nullptr;
  QRadioButton* riffSifRadio_ = nullptr;
  QRadioButton* id3v2Radio_ = nullptr;
  // How many files a batch converts at the same time (0: one per processor core).
  QLabel* jobsLabel_ = nullptr;
  QSpinBox* jobsSpin_ = nullptr;
  // The MP3's quality, with a line telling the size and use of the one chosen.
  QLabel* qualityLabel_ = nullptr;
  QComboBox* qualityCombo_ = nullptr;
  QLabel* qualityHint_ = nullptr;
  // ReplayGain values in the MP3 (only where its tag is ID3v2.3).
  QCheckBox* replayGainCheck_ = nullptr;
  QPushButton* okButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  // The folder browser behind "...".
  FolderBrowser* folderBrowser_ = nullptr;
};
