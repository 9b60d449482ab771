// The main window's controls: their places, sizes, captions, tooltips and colours, and the
// handlers they are bound to.
#include "gui/MainWindow.h"
#include "gui/StatusBar.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr int kClientWidth = MainWindow::kDesignedClientWidth;
constexpr int kClientHeight = 411;
constexpr int kLeft = 294;
constexpr int kTop = 132;
constexpr int kStatusHeight = 25;
constexpr int kTagPanelFullHeight = 325;

const QString kGothic = QStringLiteral("Noto Sans CJK JP");

QFont GothicFont(int pixelSize, bool bold = false) {
  QFont font(kGothic);
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

template <typename W> W* Named(W* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QString& tip, QRect place) {
  auto* b = Named(new QPushButton(caption, parent), name);
  b->setGeometry(place);
  b->setToolTip(tip);
  b->setAutoDefault(false);
  b->setFocusPolicy(Qt::StrongFocus);
  return b;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, QRect place, const QString& text = {},
                    const QString& tip = {}, bool readOnly = false) {
  auto* e = Named(new QLineEdit(text, parent), name);
  e->setGeometry(place);
  e->setToolTip(tip);
  e->setReadOnly(readOnly);
  e->setCursorPosition(0);
  return e;
}

void SetBaseColour(QWidget* w, const QColor& colour) {
  QPalette p = w->palette();
  p.setColor(QPalette::Base, colour);
  w->setPalette(p);
}

// A label that names the box it stands beside; right-aligned so its text ends just before
// the box.
QLabel* MakeBoxLabel(QWidget* parent, const char* name, const QString& caption, QWidget* buddy,
                     bool bold, QRect place) {
  auto* l = Named(new QLabel(caption, parent), name);
  if (bold)
    l->setFont(GothicFont(12, true));
  l->setGeometry(place);
  l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  l->setBuddy(buddy);
  return l;
}

// A label for a box in the tag panel at `top`, ending 4 pixels before the box's left edge
// `boxLeft`, starting no further left than `from`.
QRect LabelBefore(int from, int boxLeft, int top) {
  return {from, top + 3, boxLeft - 4 - from, 14};
}

// Noto Sans CJK draws kana and kanji at full width where the design's proportional fonts were
// narrower, so a caption may be wider than its control. Such a caption keeps its height and
// is narrowed just enough to fit.
void FitCaption(QWidget* w, const QString& caption, int room) {
  QFont font = w->font();
  const int needed = QFontMetrics(font).horizontalAdvance(caption);
  if (needed <= room || needed <= 0)
    return;
  font.setStretch(std::max(70, room * 100 / needed));
  w->setFont(font);
}

} // namespace

void MainWindow::CreateControls() {
  setWindowTitle(QStringLiteral("WAV→MP3変換とID3タグの編集"));
  setFont(GothicFont(12));
  setAutoFillBackground(true);
  {
    QPalette p = palette();
    p.setColor(QPalette::Window, p.color(QPalette::Button));
    setPalette(p);
  }
  // Fixed single border: the user cannot resize the window.
  setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  move(kLeft, kTop);

  const QColor light3d = palette().color(QPalette::Midlight);
  const QColor info = palette().color(QPalette::ToolTipBase);
  const QColor silver(192, 192, 192);
  const QFont uiGothic = GothicFont(12);

  // ---- top bar ----
  Panel2 = Named(new QFrame(this), "Panel2");
  Panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel2->setGeometry(0, 0, kClientWidth, 56);
  Button1 = MakeButton(Panel2, "Button1", QStringLiteral("フォルダを開く"),
                       QStringLiteral("音楽ファイルまたはそのフォルダを指定する"), {8, 4, 93, 25});
  Button2 = MakeButton(Panel2, "Button2", QStringLiteral("前"),
                       QStringLiteral("フォルダ内の前のファイルを表示する"), {108, 4, 35, 25});
  Edit14 = MakeEdit(Panel2, "Edit14", {147, 7, 41, 20}, QStringLiteral("0"));
  Edit14->setToolTip(QStringLiteral("番号を入力してEnterでそのファイルを表示する"));
  Edit15 = MakeEdit(Panel2, "Edit15", {199, 7, 41, 20}, QStringLiteral("0"), {}, true);
  Label14 = Named(new QLabel(QStringLiteral("/"), Panel2), "Label14");
  Label14->setGeometry(191, 11, 7, 14);
  Label14->setBuddy(Edit15);
  Button5 = MakeButton(Panel2, "Button5", QStringLiteral("次"),
                       QStringLiteral("フォルダ内の次のファイルを表示する"), {242, 5, 35, 25});
  // Stepping follows the list; there is none yet.
  Button2->setEnabled(false);
  Button5->setEnabled(false);
  Button4 =
      MakeButton(Panel2, "Button4", QStringLiteral("ID3書込み"),
                 QStringLiteral("表示しているID3タグ情報をファイルに書き込む"), {283, 4, 70, 25});
  Button6 = MakeButton(Panel2, "Button6", QStringLiteral("WAV→MP3実行"),
                       QStringLiteral("表示しているWAVファイルをMP3ファイルに変換する"),
                       {358, 4, 97, 25});
  Button7 = MakeButton(Panel2, "Button7", QStringLiteral("オプション"),
                       QStringLiteral("オプション項目の設定をする"), {460, 4, 54, 25});
  Button7->setFont(uiGothic);
  Button10 = MakeButton(Panel2, "Button10", QStringLiteral("使用方法"), {}, {516, 4, 54, 25});
  Button10->setFont(uiGothic);
  Button3 = MakeButton(Panel2, "Button3", QStringLiteral("終了"),
                       QStringLiteral("プログラムを終了する"), {575, 4, 74, 25});
  Edit1 = MakeEdit(Panel2, "Edit1", {72, 32, 586, 20}, {}, QStringLiteral("フォルダ名"));
  SetBaseColour(Edit1, light3d);
  Label23 = Named(new QLabel(QStringLiteral("フォルダ名"), Panel2), "Label23");
  Label23->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label23->setGeometry(11, 36, 58, 14);
  Label23->setBuddy(Edit1);

  // ---- tag panel ----
  Panel1 = Named(new QFrame(this), "Panel1");
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setGeometry(8, 60, 477, kTagPanelFullHeight);

  Edit13 = MakeEdit(Panel1, "Edit13", {87, 7, 385, 20}, {},
                    QStringLiteral("フォルダ内の音楽ファイル名"), true);
  SetBaseColour(Edit13, light3d);
  Label13 = MakeBoxLabel(Panel1, "Label13", QStringLiteral("ファイル名"), Edit13, false,
                         LabelBefore(4, 87, 7));
  Edit6 = MakeEdit(Panel1, "Edit6", {87, 31, 385, 20});
  Label5 = MakeBoxLabel(Panel1, "Label5", QStringLiteral("タイトル"), Edit6, true,
                        LabelBefore(4, 87, 31));
  Edit7 = MakeEdit(Panel1, "Edit7", {87, 51, 385, 20});
  Label6 = MakeBoxLabel(Panel1, "Label6", QStringLiteral("アーチスト"), Edit7, true,
                        LabelBefore(4, 87, 51));
  Edit8 = MakeEdit(Panel1, "Edit8", {87, 71, 385, 20});
  Label7 = MakeBoxLabel(Panel1, "Label7", QStringLiteral("アルバム"), Edit8, true,
                        LabelBefore(4, 87, 71));
  Memo1 = Named(new QPlainTextEdit(Panel1), "Memo1");
  Memo1->setGeometry(87, 93, 385, 45);
  Label9 = MakeBoxLabel(Panel1, "Label9", QStringLiteral("コメント"), Memo1, true,
                        LabelBefore(4, 87, 93));
  ComboBox1 = Named(new QComboBox(Panel1), "ComboBox1");
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1->setGeometry(87, 140, 245, 20);
  SetBaseColour(ComboBox1, info);
  Label15 = MakeBoxLabel(Panel1, "Label15", QStringLiteral("ジャケット画像"), ComboBox1, false,
                         LabelBefore(4, 87, 140));
  Label15->setFont(uiGothic);
  Edit20 = MakeEdit(Panel1, "Edit20", {392, 141, 81, 20}, {}, QStringLiteral("アルバムのID"));
  SetBaseColour(Edit20, info);
  Label22 = MakeBoxLabel(Panel1, "Label22", QStringLiteral("TITLE ID"), Edit20, false,
                         LabelBefore(336, 392, 141));
  Edit17 = MakeEdit(Panel1, "Edit17", {87, 162, 385, 20});
  SetBaseColour(Edit17, info);
  Label16 = MakeBoxLabel(Panel1, "Label16", QStringLiteral("作詞"), Edit17, false,
                         LabelBefore(4, 87, 162));
  Edit18 = MakeEdit(Panel1, "Edit18", {87, 182, 385, 20});
  SetBaseColour(Edit18, info);
  Label20 = MakeBoxLabel(Panel1, "Label20", QStringLiteral("作曲"), Edit18, false,
                         LabelBefore(4, 87, 182));
  Edit11 = MakeEdit(Panel1, "Edit11", {87, 202, 385, 20});
  SetBaseColour(Edit11, info);
  Label10 = MakeBoxLabel(Panel1, "Label10", QStringLiteral("編曲"), Edit11, false,
                         LabelBefore(4, 87, 202));
  Edit19 = MakeEdit(Panel1, "Edit19", {87, 222, 385, 20});
  SetBaseColour(Edit19, info);
  Label21 = MakeBoxLabel(Panel1, "Label21", QStringLiteral("演奏"), Edit19, false,
                         LabelBefore(4, 87, 222));
  Edit9 = MakeEdit(Panel1, "Edit9", {87, 245, 39, 20}, QStringLiteral("2008"),
                   QStringLiteral("アルバムがリリースされた年（西暦)"));
  Label8 = MakeBoxLabel(Panel1, "Label8", QStringLiteral("リリース年"), Edit9, true,
                        LabelBefore(4, 87, 245));
  Edit10 = MakeEdit(Panel1, "Edit10", {184, 245, 145, 20}, QStringLiteral("JPop"),
                    QStringLiteral("[ジャンル一覧]から選ぶ"), true);
  Label12 =
      MakeBoxLabel(Panel1, "Label12", QStringLiteral("ジャンル"), Edit10, true, {132, 249, 48, 14});
  Edit12 = MakeEdit(Panel1, "Edit12", {392, 245, 81, 20}, {},
                    QStringLiteral("演奏時間は曲ファイルから直接計算される"), true);
  SetBaseColour(Edit12, silver);
  Label11 = MakeBoxLabel(Panel1, "Label11", QStringLiteral("演奏時間"), Edit12, false,
                         LabelBefore(336, 392, 245));

  Bevel1 = Named(new QFrame(Panel1), "Bevel1");
  Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  Bevel1->setGeometry(8, 271, 465, 2);

  Edit2 = MakeEdit(Panel1, "Edit2", {107, 280, 120, 20}, {}, {}, true);
  SetBaseColour(Edit2, silver);
  Label1 = MakeBoxLabel(Panel1, "Label1", QStringLiteral("mp3infpバージョン"), Edit2, false,
                        LabelBefore(4, 107, 280));
  Edit5 = MakeEdit(Panel1, "Edit5", {329, 280, 144, 20}, {}, {}, true);
  SetBaseColour(Edit5, silver);
  Label4 = MakeBoxLabel(Panel1, "Label4", QStringLiteral("ID3タグバージョン"), Edit5, false,
                        LabelBefore(230, 329, 280));
  Edit3 = MakeEdit(Panel1, "Edit3", {107, 300, 120, 20}, {}, {}, true);
  SetBaseColour(Edit3, silver);
  Label2 = MakeBoxLabel(Panel1, "Label2", QStringLiteral("処理ステータス"), Edit3, false,
                        LabelBefore(4, 107, 300));
  Edit4 = MakeEdit(Panel1, "Edit4", {329, 300, 144, 20}, {}, {}, true);
  SetBaseColour(Edit4, silver);
  Label3 = MakeBoxLabel(Panel1, "Label3", QStringLiteral("WAV/MP3"), Edit4, false,
                        LabelBefore(230, 329, 300));

  // ---- right column ----
  Panel3 = Named(new QLabel(QStringLiteral("太字がID3タグ"), this), "Panel3");
  Panel3->setFont(GothicFont(11));
  // Lowered outside, raised inside.
  Panel3->setFrameStyle(QFrame::Box | QFrame::Sunken);
  Panel3->setLineWidth(1);
  Panel3->setAlignment(Qt::AlignCenter);
  Panel3->setGeometry(495, 60, 157, 17);
  Button12 = MakeButton(this, "Button12", QStringLiteral("記述内容をメモリにコピー"),
                        QStringLiteral("左記の設定項目をメモリにコピーする"), {495, 80, 157, 25});
  Button12->setFont(uiGothic);
  Button13 = MakeButton(this, "Button13", QStringLiteral("記述内容をメモリから貼り付け"),
                        QStringLiteral("メモリから左記に内容を貼り付ける"), {495, 108, 157, 25});
  Button13->setFont(uiGothic);
  Button8 = MakeButton(this, "Button8", QStringLiteral("ジャンル一覧から選択する"),
                       QStringLiteral("ジャンル一覧を表示"), {495, 137, 157, 25});

  Panel4 = Named(new QFrame(this), "Panel4");
  Panel4->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel4->setGeometry(495, 165, 157, 65);
  Label18 = Named(new QLabel(QStringLiteral("－コメント書式－"), Panel4), "Label18");
  Label18->setAlignment(Qt::AlignCenter);
  Label18->setGeometry(8, 4, 141, 14);
  Label17 = Named(new QLabel(QStringLiteral("任意文字列"), Panel4), "Label17");
  Label17->setAlignment(Qt::AlignCenter);
  Label17->setGeometry(8, 20, 141, 16);
  Button14 =
      MakeButton(Panel4, "Button14", QStringLiteral("コメント文字更新"),
                 QStringLiteral("コメント文字を更新する（Shift+で追加作成）"), {16, 36, 125, 25});
  Button14->setEnabled(false);

  Panel5 = Named(new QFrame(this), "Panel5");
  Panel5->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel5->setGeometry(496, 260, 157, 65);
  Shape1 = Named(new QFrame(Panel5), "Shape1");
  Shape1->setFrameStyle(QFrame::Box | QFrame::Plain);
  Shape1->setLineWidth(1);
  Shape1->setAutoFillBackground(true);
  {
    QPalette p = Shape1->palette();
    p.setColor(QPalette::Window, light3d);
    p.setColor(QPalette::WindowText, Qt::gray);
    Shape1->setPalette(p);
  }
  Shape1->setGeometry(4, 4, 148, 57);
  Label19 = Named(new QLabel(QStringLiteral("－WAV→MP3変換－"), Panel5), "Label19");
  Label19->setAlignment(Qt::AlignCenter);
  Label19->setGeometry(8, 8, 141, 14);
  Button9 = MakeButton(Panel5, "Button9", QStringLiteral("WAV→MP3一括変換"),
                       QStringLiteral("同一フォルダ内のWAVファイルをすべてMP3に変換する"),
                       {16, 26, 125, 25});

  // ---- status bar and progress bar ----
  StatusBar1 = Named(new StatusBar({50, 50, 400, 50}, kStatusHeight, this), "StatusBar1");
  StatusBar1->setGeometry(0, kClientHeight - kStatusHeight, kClientWidth, kStatusHeight);
  ProgressBar1 = Named(new QProgressBar(this), "ProgressBar1");
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setValue(0);
  ProgressBar1->setTextVisible(false);

  for (QPushButton* b : findChildren<QPushButton*>())
    FitCaption(b, b->text(), b->width() - 6);
  FitCaption(Label15, Label15->text(), Label15->width() - 4);
  FitCaption(Label1, Label1->text(), Label1->width());
  FitCaption(Label4, Label4->text(), Label4->width());

  // ---- handlers ----
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
  connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
  connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
  connect(Button6, &QPushButton::clicked, this, [this] { Button6Click(); });
  connect(Button7, &QPushButton::clicked, this, [this] { Button7Click(); });
  connect(Button10, &QPushButton::clicked, this, [this] { Button10Click(); });
  connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
  connect(Button12, &QPushButton::clicked, this, [this] { Button12Click(); });
  connect(Button13, &QPushButton::clicked, this, [this] { Button13Click(); });
  connect(Button8, &QPushButton::clicked, this, [this] { Button8Click(); });
  connect(Button14, &QPushButton::clicked, this, [this] { Button14Click(); });
  connect(Button9, &QPushButton::clicked, this, [this] { Button9Click(); });
  // The position counter: a number and Enter show that file; whatever else was typed, the
  // counter then shows the shown file's number again.
  connect(Edit14, &QLineEdit::returnPressed, this, [this] { Edit14Return(); });
  connect(Edit14, &QLineEdit::editingFinished, this, [this] { Edit14Exit(); });

  // Key preview: every key press and release in any control of this window passes here first.
  qApp->installEventFilter(this);
}
