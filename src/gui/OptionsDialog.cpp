#include "gui/OptionsDialog.h"

#include "core/fs/ShortenPath.h"
#include "gui/FolderBrowser.h"
#include "gui/OutputFolderChoice.h"

#include <QCheckBox>
#include <QFont>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <algorithm>
#include <initializer_list>

namespace {

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
  setObjectName(QStringLiteral("frmOption"));
  setWindowTitle(QStringLiteral("オプション設定"));
  QFont font(QStringLiteral("Noto Sans CJK JP"));
  font.setPixelSize(12);
  setFont(font);
  setSizeGripEnabled(false);
  setFixedSize(358, 495);
  move(365, 243);

  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setGeometry(0, 0, 358, 458);

  Label1 = Make<QLabel>(Panel1, "Label1", QStringLiteral("■フォルダ・ファイル"));
  PlaceAt(Label1, 11, 8, 14);
  CheckBox1 = Make<QCheckBox>(Panel1, "CheckBox1", QStringLiteral("フォルダ単位で開く"));
  PlaceAt(CheckBox1, 44, 28, 17);
  CheckBox1->setChecked(true);
  CheckBox4 = Make<QCheckBox>(Panel1, "CheckBox4",
                              QStringLiteral("フォルダを開く時にファイル名も表示する"));
  PlaceAt(CheckBox4, 44, 48, 17);

  Label2 = Make<QLabel>(Panel1, "Label2", QStringLiteral("■Id3タグ"));
  PlaceAt(Label2, 11, 72, 14);
  CheckBox3 = Make<QCheckBox>(Panel1, "CheckBox3", QStringLiteral("ID3タグの書き込みを許可する"));
  PlaceAt(CheckBox3, 44, 92, 17);
  CheckBox3->setChecked(true);
  CheckBox5 = Make<QCheckBox>(Panel1, "CheckBox5", QStringLiteral("mp3infpのバージョンを表示する"));
  PlaceAt(CheckBox5, 44, 111, 17);

  GroupBox1 = Make<QGroupBox>(Panel1, "GroupBox1", QStringLiteral("ID3タグの[コメント]"));
  GroupBox1->setGeometry(44, 133, 301, 100);
  RadioButton5 = Make<QRadioButton>(GroupBox1, "RadioButton5", QStringLiteral("任意文字列"));
  PlaceAt(RadioButton5, 16, 16, 17);
  RadioButton5->setChecked(true);
  RadioButton1 =
      Make<QRadioButton>(GroupBox1, "RadioButton1", QStringLiteral("ジャケット画像ファイル名"));
  PlaceAt(RadioButton1, 16, 36, 17);
  RadioButton2 =
      Make<QRadioButton>(GroupBox1, "RadioButton2", QStringLiteral("作詞＋作曲＋編曲＋演奏"));
  PlaceAt(RadioButton2, 16, 56, 17);
  RadioButton3 =
      Make<QRadioButton>(GroupBox1, "RadioButton3", QStringLiteral("ID＋作詞＋作曲＋編曲＋演奏"));
  PlaceAt(RadioButton3, 16, 76, 17);
  StackInside(GroupBox1, {RadioButton5, RadioButton1, RadioButton2, RadioButton3});

  Label3 = Make<QLabel>(Panel1, "Label3", QStringLiteral("■WAV→MP3変換"));
  PlaceAt(Label3, 11, 242, 14);
  CheckBox8 = Make<QCheckBox>(Panel1, "CheckBox8",
                              QStringLiteral("WAVファイルに設定しているID3タグをMP3に設定する"));
  PlaceAt(CheckBox8, 48, 262, 17);
  CheckBox8->setChecked(true);
  CheckBox2 = Make<QCheckBox>(Panel1, "CheckBox2",
                              QStringLiteral("MP3に変換後自動的にWAVファイルをごみ箱に移す"));
  PlaceAt(CheckBox2, 48, 282, 17);
  CheckBox6 =
      Make<QCheckBox>(Panel1, "CheckBox6", QStringLiteral("MP3ファイルが既にあれば上書きする"));
  PlaceAt(CheckBox6, 48, 301, 17);
  CheckBox7 =
      Make<QCheckBox>(Panel1, "CheckBox7", QStringLiteral("MP3ファイルを指定のフォルダに書き出す"));
  PlaceAt(CheckBox7, 48, 320, 17);
  for (QCheckBox* c : Panel1->findChildren<QCheckBox*>())
    FitToRight(c, Panel1->contentsRect().right() - 2);

  Edit1 = new QLineEdit(Panel1);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setGeometry(8, 340, 321, 20);
  Button3 = Make<QPushButton>(Panel1, "Button3", QStringLiteral("..."));
  Button3->setGeometry(331, 342, 21, 17);
  Button3->setAutoDefault(false);
  connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });

  GroupBox2 = Make<QGroupBox>(Panel1, "GroupBox2", QStringLiteral("MP3のタグ形式"));
  GroupBox2->setGeometry(44, 366, 301, 60);
  RadioButton6 =
      Make<QRadioButton>(GroupBox2, "RadioButton6", QStringLiteral("RIFF SIF（従来どおり）"));
  PlaceAt(RadioButton6, 16, 16, 17);
  RadioButton6->setChecked(true);
  RadioButton7 = Make<QRadioButton>(GroupBox2, "RadioButton7",
                                    QStringLiteral("ID3v2.3（携帯・音楽ソフト向け）"));
  PlaceAt(RadioButton7, 16, 36, 17);
  StackInside(GroupBox2, {RadioButton6, RadioButton7});

  Label4 = Make<QLabel>(Panel1, "Label4", QStringLiteral("同時に変換するファイル数"));
  PlaceAt(Label4, 48, 434, 20);
  SpinEdit1 = new QSpinBox(Panel1);
  SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
  SpinEdit1->setRange(0, Options::kMaxMp3Jobs);
  // 0 lets the batch use every processor core.
  SpinEdit1->setSpecialValueText(QStringLiteral("自動"));
  SpinEdit1->setToolTip(QStringLiteral("一括変換で同時にMP3にするファイルの数です。"
                                       "「自動」はプロセッサのコアの数、1は1ファイルずつです"));
  SpinEdit1->setGeometry(Label4->x() + Label4->width() + 8, 434, 72, 20);
  Label4->setBuddy(SpinEdit1);

  Button2 = Make<QPushButton>(this, "Button2", QStringLiteral("OK"));
  Button2->setGeometry(164, 463, 85, 25);
  Button2->setDefault(true);
  Button1 = Make<QPushButton>(this, "Button1", QStringLiteral("キャンセル"));
  Button1->setGeometry(256, 463, 85, 25);
  Button1->setAutoDefault(false);
  // OK and Cancel only end the modal loop; the main window takes the options on OK and puts
  // its own back into the controls on Cancel.
  connect(Button2, &QPushButton::clicked, this, &QDialog::accept);
  connect(Button1, &QPushButton::clicked, this, &QDialog::reject);

  plBrowseFolder1 = new FolderBrowser(this, platform);
  plBrowseFolder1->setObjectName(QStringLiteral("plBrowseFolder1"));
  plBrowseFolder1->setRootSpecialDir(SpecialFolder::Desktop);
  plBrowseFolder1->setInitSpecialDir(SpecialFolder::None);
  plBrowseFolder1->setOptions(BrowseOptionBit(BrowseOption::OnlyFileSystemItems) |
                              BrowseOptionBit(BrowseOption::NewDialogStyle));
  plBrowseFolder1->setTitle(QStringLiteral("フォルダの選択指定"));
  plBrowseFolder1->setCaption(QStringLiteral("フォルダを指定してください"));
  plBrowseFolder1->setFormWidth(371);
  plBrowseFolder1->setFormHeight(311);
  plBrowseFolder1->setFormLeft(0);
  plBrowseFolder1->setFormTop(0);
}

void OptionsDialog::Button3Click() {
  ChooseOutputFolder(*plBrowseFolder1, Button3, Edit1, font());
}

Options OptionsDialog::Value() const {
  Options o;
  o.WithFolder = CheckBox1->isChecked();
  o.WithFile = CheckBox4->isChecked();
  o.WriteId3 = CheckBox3->isChecked();
  o.DispMp3infp = CheckBox5->isChecked();
  o.FormComment = Options::FreeText;
  if (RadioButton1->isChecked())
    o.FormComment = Options::JacketImage;
  if (RadioButton2->isChecked())
    o.FormComment = Options::Credits;
  if (RadioButton3->isChecked())
    o.FormComment = Options::IdAndCredits;
  o.Mp3WavId3ToMp3 = CheckBox8->isChecked();
  o.Mp3DeleteWav = CheckBox2->isChecked();
  o.Mp3OverWriteMp3 = CheckBox6->isChecked();
  o.Mp3UseFolder3 = CheckBox7->isChecked();
  // The box's tooltip holds the full path; its text is only the shortened display.
  o.Mp3FolderPath = Edit1->toolTip();
  o.Mp3TagFormat = RadioButton7->isChecked() ? Options::Mp3Format::Id3v2 : Options::Mp3Format::Rmp;
  o.Mp3Jobs = SpinEdit1->value();
  return o;
}

void OptionsDialog::SetValue(const Options& o) {
  CheckBox1->setChecked(o.WithFolder);
  CheckBox4->setChecked(o.WithFile);
  CheckBox3->setChecked(o.WriteId3);
  CheckBox5->setChecked(o.DispMp3infp);
  QRadioButton* chosen = RadioButton5;
  if (o.FormComment == Options::JacketImage)
    chosen = RadioButton1;
  else if (o.FormComment == Options::Credits)
    chosen = RadioButton2;
  else if (o.FormComment == Options::IdAndCredits)
    chosen = RadioButton3;
  chosen->setChecked(true);
  CheckBox8->setChecked(o.Mp3WavId3ToMp3);
  CheckBox2->setChecked(o.Mp3DeleteWav);
  CheckBox6->setChecked(o.Mp3OverWriteMp3);
  CheckBox7->setChecked(o.Mp3UseFolder3);
  const QFontMetrics metrics(font());
  Edit1->setToolTip(o.Mp3FolderPath);
  Edit1->setText(ShortenPath(o.Mp3FolderPath, Edit1->width() - 4, [&metrics](const QString& s) {
    return metrics.horizontalAdvance(s);
  }));
  Edit1->setCursorPosition(0);
  (o.Mp3TagFormat == Options::Mp3Format::Id3v2 ? RadioButton7 : RadioButton6)->setChecked(true);
  SpinEdit1->setValue(o.Mp3Jobs);
}
