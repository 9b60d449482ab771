#include "gui/OptionsDialog.h"

#include "core/encoder/QualityPreset.h"
#include "gui/ControlAccess.h"
#include "gui/FolderBrowser.h"
#include "gui/OutputFolderChoice.h"
#include "gui/PathBox.h"
#include "gui/ScreenFit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>

#include <algorithm>
#include <initializer_list>
#include <optional>

namespace {

// The window's height, the options' panel's, and where OK and キャンセル stand.
constexpr int kHeight = 560;
constexpr int kPanelHeight = 523;
constexpr int kButtonsTop = 528;

template <typename W> W* Make(QWidget* parent, const char* name, const QString& caption) {
  auto* w = new W(caption, parent);
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

// Places a control at its left and top with the width its caption needs.
void PlaceAt(QWidget* w, int left, int top, int height) {
  w->setGeometry(left, top, w->sizeHint().width(), height);
}

// Noto Sans CJK draws kana and kanji wider than the design's font, so a caption may run past
// the edge of what holds it. Such a caption keeps its height and is narrowed just enough to
// end at `right`, as the main window does with its own captions.
void FitToRight(QAbstractButton* b, int right) {
  const int room = right - b->x();
  if (b->width() <= room)
    return;
  const int text = QFontMetrics(b->font()).horizontalAdvance(b->text());
  const int indicator = b->width() - text;
  QFont font = b->font();
  int stretch = std::clamp(text > 0 ? (room - indicator) * 100 / text : 100, 70, 100);
  for (;;) {
    font.setStretch(stretch);
    b->setFont(font);
    if (stretch <= 70 || b->sizeHint().width() <= room)
      break;
    --stretch;
  }
  b->setGeometry(b->x(), b->y(), std::min(b->sizeHint().width(), room), b->height());
}

// Where the style draws a group's caption above its frame rather than across its top line, the
// buttons start below the caption and close up to stay inside the frame.
void StackInside(QGroupBox* group, std::initializer_list<QRadioButton*> buttons) {
  const QRect inside = group->contentsRect();
  const int first = std::max(16, inside.top());
  const int gaps = std::max(1, static_cast<int>(buttons.size()) - 1);
  const int step = std::clamp((inside.bottom() + 1 - first - 17) / gaps, 17, 20);
  int top = first;
  for (QRadioButton* r : buttons) {
    r->move(r->x(), top);
    FitToRight(r, inside.right());
    top += step;
  }
}

} // namespace

OptionsDialog::OptionsDialog(QWidget* parent, Platform& platform) : QDialog(parent) {
  setObjectName(QStringLiteral("optionsDialog"));
  setWindowTitle(QStringLiteral("オプション設定"));
  QFont font(QStringLiteral("Noto Sans CJK JP"));
  font.setPixelSize(12);
  setFont(font);
  setSizeGripEnabled(false);
  setFixedSize(358, kHeight);
  move(365, 243);

  // The options scroll where the screen is lower than the window; OK and キャンセル stay below.
  panel_ = new QFrame;
  panel_->setObjectName(QStringLiteral("panel"));
  panel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel_->resize(358, kPanelHeight);
  QScrollArea* scroll = ScreenFit::Scrolling(this, "optionsScroll", panel_);
  scroll->setGeometry(0, 0, 358, kPanelHeight);

  openSectionLabel_ =
      Make<QLabel>(panel_, "openSectionLabel", QStringLiteral("■フォルダ・ファイル"));
  PlaceAt(openSectionLabel_, 11, 8, 14);
  openByFolderCheck_ =
      Make<QCheckBox>(panel_, "openByFolderCheck", QStringLiteral("フォルダ単位で開く"));
  PlaceAt(openByFolderCheck_, 44, 28, 17);
  openByFolderCheck_->setChecked(true);
  listFilesCheck_ = Make<QCheckBox>(panel_, "listFilesCheck",
                                    QStringLiteral("フォルダを開く時にファイル名も表示する"));
  PlaceAt(listFilesCheck_, 44, 48, 17);

  tagSectionLabel_ = Make<QLabel>(panel_, "tagSectionLabel", QStringLiteral("■Id3タグ"));
  PlaceAt(tagSectionLabel_, 11, 72, 14);
  allowTagWriteCheck_ =
      Make<QCheckBox>(panel_, "allowTagWriteCheck", QStringLiteral("ID3タグの書き込みを許可する"));
  PlaceAt(allowTagWriteCheck_, 44, 92, 17);
  allowTagWriteCheck_->setChecked(true);
  showVersionCheck_ =
      Make<QCheckBox>(panel_, "showVersionCheck", QStringLiteral("mp3infpのバージョンを表示する"));
  PlaceAt(showVersionCheck_, 44, 111, 17);

  commentFormatGroup_ =
      Make<QGroupBox>(panel_, "commentFormatGroup", QStringLiteral("ID3タグの[コメント]"));
  commentFormatGroup_->setGeometry(44, 133, 301, 100);
  freeTextRadio_ =
      Make<QRadioButton>(commentFormatGroup_, "freeTextRadio", QStringLiteral("任意文字列"));
  PlaceAt(freeTextRadio_, 16, 16, 17);
  freeTextRadio_->setChecked(true);
  jacketImageRadio_ = Make<QRadioButton>(commentFormatGroup_, "jacketImageRadio",
                                         QStringLiteral("ジャケット画像ファイル名"));
  PlaceAt(jacketImageRadio_, 16, 36, 17);
  creditsRadio_ = Make<QRadioButton>(commentFormatGroup_, "creditsRadio",
                                     QStringLiteral("作詞＋作曲＋編曲＋演奏"));
  PlaceAt(creditsRadio_, 16, 56, 17);
  idAndCreditsRadio_ = Make<QRadioButton>(commentFormatGroup_, "idAndCreditsRadio",
                                          QStringLiteral("ID＋作詞＋作曲＋編曲＋演奏"));
  PlaceAt(idAndCreditsRadio_, 16, 76, 17);
  StackInside(commentFormatGroup_,
              {freeTextRadio_, jacketImageRadio_, creditsRadio_, idAndCreditsRadio_});

  conversionSectionLabel_ =
      Make<QLabel>(panel_, "conversionSectionLabel", QStringLiteral("■WAV→MP3変換"));
  PlaceAt(conversionSectionLabel_, 11, 242, 14);
  copyTagCheck_ = Make<QCheckBox>(
      panel_, "copyTagCheck", QStringLiteral("WAVファイルに設定しているID3タグをMP3に設定する"));
  PlaceAt(copyTagCheck_, 48, 262, 17);
  copyTagCheck_->setChecked(true);
  trashWavCheck_ = Make<QCheckBox>(panel_, "trashWavCheck",
                                   QStringLiteral("MP3に変換後自動的にWAVファイルをごみ箱に移す"));
  PlaceAt(trashWavCheck_, 48, 282, 17);
  overwriteCheck_ = Make<QCheckBox>(panel_, "overwriteCheck",
                                    QStringLiteral("MP3ファイルが既にあれば上書きする"));
  PlaceAt(overwriteCheck_, 48, 301, 17);
  useOutputFolderCheck_ = Make<QCheckBox>(panel_, "useOutputFolderCheck",
                                          QStringLiteral("MP3ファイルを指定のフォルダに書き出す"));
  PlaceAt(useOutputFolderCheck_, 48, 320, 17);
  for (QCheckBox* c : panel_->findChildren<QCheckBox*>())
    FitToRight(c, panel_->contentsRect().right() - 2);

  outputFolderEdit_ = new QLineEdit(panel_);
  outputFolderEdit_->setObjectName(QStringLiteral("outputFolderEdit"));
  outputFolderEdit_->setGeometry(8, 340, 321, 20);
  chooseOutputFolderButton_ =
      Make<QPushButton>(panel_, "chooseOutputFolderButton", QStringLiteral("..."));
  chooseOutputFolderButton_->setGeometry(331, 342, 21, 17);
  connect(chooseOutputFolderButton_, &QPushButton::clicked, this, [this] { ChooseOutputFolder(); });

  tagFormatGroup_ = Make<QGroupBox>(panel_, "tagFormatGroup", QStringLiteral("MP3のタグ形式"));
  tagFormatGroup_->setGeometry(44, 366, 301, 60);
  riffSifRadio_ =
      Make<QRadioButton>(tagFormatGroup_, "riffSifRadio", QStringLiteral("RIFF SIF（従来どおり）"));
  PlaceAt(riffSifRadio_, 16, 16, 17);
  riffSifRadio_->setChecked(true);
  id3v2Radio_ = Make<QRadioButton>(tagFormatGroup_, "id3v2Radio",
                                   QStringLiteral("ID3v2.3（携帯・音楽ソフト向け）"));
  PlaceAt(id3v2Radio_, 16, 36, 17);
  StackInside(tagFormatGroup_, {riffSifRadio_, id3v2Radio_});

  jobsLabel_ = Make<QLabel>(panel_, "jobsLabel", QStringLiteral("同時に変換するファイル数"));
  PlaceAt(jobsLabel_, 48, 434, 20);
  jobsSpin_ = new QSpinBox(panel_);
  jobsSpin_->setObjectName(QStringLiteral("jobsSpin"));
  jobsSpin_->setRange(0, Options::kMaxMp3Jobs);
  // 0 lets the batch use every processor core.
  jobsSpin_->setSpecialValueText(QStringLiteral("自動"));
  jobsSpin_->setToolTip(QStringLiteral("一括変換で同時にMP3にするファイルの数です。"
                                       "「自動」はプロセッサのコアの数、1は1ファイルずつです"));
  jobsSpin_->setGeometry(jobsLabel_->x() + jobsLabel_->width() + 8, 434, 72, 20);
  jobsLabel_->setBuddy(jobsSpin_);

  qualityLabel_ = Make<QLabel>(panel_, "qualityLabel", QStringLiteral("MP3の音質"));
  PlaceAt(qualityLabel_, 48, 458, 20);
  qualityCombo_ = new QComboBox(panel_);
  qualityCombo_->setObjectName(QStringLiteral("qualityCombo"));
  for (const QualityPreset& p : QualityPreset::All()) {
    qualityCombo_->addItem(QString::fromUtf8(p.label), static_cast<int>(p.quality));
    qualityCombo_->setItemData(qualityCombo_->count() - 1, QString::fromUtf8(p.hint),
                               Qt::ToolTipRole);
  }
  qualityCombo_->setGeometry(qualityLabel_->x() + qualityLabel_->width() + 8, 457, 200, 22);
  qualityLabel_->setBuddy(qualityCombo_);
  qualityHint_ = new QLabel(panel_);
  qualityHint_->setObjectName(QStringLiteral("qualityHint"));
  qualityHint_->setGeometry(64, 481, panel_->contentsRect().right() - 2 - 64, 16);
  qualityHint_->setForegroundRole(QPalette::PlaceholderText);
  const auto showHint = [this] {
    const QString hint = qualityCombo_->currentData(Qt::ToolTipRole).toString();
    qualityHint_->setText(hint);
    qualityCombo_->setAccessibleDescription(hint);
  };
  connect(qualityCombo_, &QComboBox::currentIndexChanged, this, showHint);
  showHint();
  replayGainCheck_ = Make<QCheckBox>(panel_, "replayGainCheck",
                                     QStringLiteral("ReplayGainを書き込む（ID3v2.3のみ）"));
  PlaceAt(replayGainCheck_, 48, 500, 17);
  FitToRight(replayGainCheck_, panel_->contentsRect().right() - 2);
  replayGainCheck_->setToolTip(
      QStringLiteral("曲ごとの音量とピーク（フォルダをまとめて変換したときはアルバムの分も）を、"
                     "再生ソフトが音量をそろえるのに読むタグとして書き込みます。"
                     "RIFF SIF形式には書き込む場所がありません"));
  // RIFF SIF has no place for it.
  replayGainCheck_->setEnabled(false);
  connect(id3v2Radio_, &QRadioButton::toggled, replayGainCheck_, &QCheckBox::setEnabled);

  okButton_ = Make<QPushButton>(this, "okButton", QStringLiteral("OK"));
  okButton_->setGeometry(164, kButtonsTop, 85, 25);
  okButton_->setDefault(true);
  cancelButton_ = Make<QPushButton>(this, "cancelButton", QStringLiteral("キャンセル"));
  cancelButton_->setGeometry(256, kButtonsTop, 85, 25);
  // OK and Cancel only end the modal loop; the main window takes the options on OK and puts
  // its own back into the controls on Cancel.
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

  // The output folder's box and button have no caption of their own.
  outputFolderEdit_->setAccessibleName(QStringLiteral("MP3の書き出し先フォルダ"));
  chooseOutputFolderButton_->setAccessibleName(QStringLiteral("書き出し先フォルダを選ぶ"));
  NameControlsByTheirLabels(*this);
  // OK and キャンセル keep their places from the bottom right corner.
  new ScreenFit(*this, [this, scroll](QSize room) {
    const QSize size = ScreenFit::Scrolled(QSize(358, kHeight), room, *this);
    scroll->resize(size.width(), size.height() - (kHeight - kPanelHeight));
    okButton_->move(size.width() - (358 - 164), size.height() - (kHeight - kButtonsTop));
    cancelButton_->move(size.width() - (358 - 256), size.height() - (kHeight - kButtonsTop));
    setFixedSize(size);
  });

  folderBrowser_ = MakeFolderBrowser(this, platform,
                                     BrowseOptionBit(BrowseOption::OnlyFileSystemItems) |
                                         BrowseOptionBit(BrowseOption::NewDialogStyle),
                                     QStringLiteral("フォルダの選択指定"));
}

void OptionsDialog::ChooseOutputFolder() {
  if (const std::optional<QString> chosen =
          ::ChooseOutputFolder(*folderBrowser_, chooseOutputFolderButton_)) {
    outputFolder_ = *chosen;
    ShowOutputFolder();
  }
}

void OptionsDialog::ShowOutputFolder() {
  ShowPathInBox(*outputFolderEdit_, outputFolder_, font(), outputFolderEdit_->width() - 4);
}

Options OptionsDialog::Value() const {
  Options o;
  o.openByFolder = openByFolderCheck_->isChecked();
  o.browserListsFiles = listFilesCheck_->isChecked();
  o.allowTagWrite = allowTagWriteCheck_->isChecked();
  o.showLibraryVersion = showVersionCheck_->isChecked();
  o.commentFormat = Options::FreeText;
  if (jacketImageRadio_->isChecked())
    o.commentFormat = Options::JacketImage;
  if (creditsRadio_->isChecked())
    o.commentFormat = Options::Credits;
  if (idAndCreditsRadio_->isChecked())
    o.commentFormat = Options::IdAndCredits;
  o.copyWavTagToMp3 = copyTagCheck_->isChecked();
  o.moveWavToTrash = trashWavCheck_->isChecked();
  o.overwriteMp3 = overwriteCheck_->isChecked();
  o.useOutputFolder = useOutputFolderCheck_->isChecked();
  o.outputFolder = outputFolder_;
  o.mp3TagFormat = id3v2Radio_->isChecked() ? Options::Mp3Format::Id3v2 : Options::Mp3Format::Rmp;
  o.mp3Jobs = jobsSpin_->value();
  o.mp3Quality = static_cast<Options::Quality>(qualityCombo_->currentData().toInt());
  o.replayGain = replayGainCheck_->isChecked() && replayGainCheck_->isEnabled();
  return o;
}

void OptionsDialog::SetValue(const Options& o) {
  openByFolderCheck_->setChecked(o.openByFolder);
  listFilesCheck_->setChecked(o.browserListsFiles);
  allowTagWriteCheck_->setChecked(o.allowTagWrite);
  showVersionCheck_->setChecked(o.showLibraryVersion);
  QRadioButton* chosen = freeTextRadio_;
  if (o.commentFormat == Options::JacketImage)
    chosen = jacketImageRadio_;
  else if (o.commentFormat == Options::Credits)
    chosen = creditsRadio_;
  else if (o.commentFormat == Options::IdAndCredits)
    chosen = idAndCreditsRadio_;
  chosen->setChecked(true);
  copyTagCheck_->setChecked(o.copyWavTagToMp3);
  trashWavCheck_->setChecked(o.moveWavToTrash);
  overwriteCheck_->setChecked(o.overwriteMp3);
  useOutputFolderCheck_->setChecked(o.useOutputFolder);
  outputFolder_ = o.outputFolder;
  ShowOutputFolder();
  (o.mp3TagFormat == Options::Mp3Format::Id3v2 ? id3v2Radio_ : riffSifRadio_)->setChecked(true);
  jobsSpin_->setValue(o.mp3Jobs);
  qualityCombo_->setCurrentIndex(qualityCombo_->findData(static_cast<int>(o.mp3Quality)));
  replayGainCheck_->setChecked(o.replayGain);
}
