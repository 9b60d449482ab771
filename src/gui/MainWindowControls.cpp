// The main window's controls: their places, sizes, captions, tooltips and colours, and the
// handlers they are bound to.
#include "core/session/Session.h"
#include "core/session/TagEditor.h"
#include "gui/ControlAccess.h"
#include "gui/CoverThumbnail.h"
#include "gui/MainWindow.h"
#include "gui/StatusBar.h"
#include "gui/TrackBox.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextDocument>

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
  // Return presses the button that has the focus, as Space does.
  b->setAutoDefault(true);
  b->setFocusPolicy(Qt::StrongFocus);
  return b;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, QRect place, const QString& text = {},
                    const QString& tip = {}, bool readOnly = false) {
  auto* e = Named(new QLineEdit(text, parent), name);
  e->setGeometry(place);
  e->setToolTip(tip);
  e->setReadOnly(readOnly);
  // A box that only shows is no stop for Tab; a click still selects its text to copy.
  if (readOnly)
    e->setFocusPolicy(Qt::ClickFocus);
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
  topBar_ = Named(new QFrame(this), "topBar");
  topBar_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  topBar_->setGeometry(0, 0, kClientWidth, 56);
  openButton_ =
      MakeButton(topBar_, "openButton", QStringLiteral("フォルダを開く"),
                 QStringLiteral("音楽ファイルまたはそのフォルダを指定する"), {8, 4, 93, 25});
  previousButton_ =
      MakeButton(topBar_, "previousButton", QStringLiteral("前"),
                 QStringLiteral("フォルダ内の前のファイルを表示する"), {108, 4, 35, 25});
  positionEdit_ = MakeEdit(topBar_, "positionEdit", {147, 7, 41, 20}, QStringLiteral("0"));
  positionEdit_->setToolTip(QStringLiteral("番号を入力してEnterでそのファイルを表示する"));
  countEdit_ = MakeEdit(topBar_, "countEdit", {199, 7, 41, 20}, QStringLiteral("0"), {}, true);
  countLabel_ = Named(new QLabel(QStringLiteral("/"), topBar_), "countLabel");
  countLabel_->setGeometry(191, 11, 7, 14);
  countLabel_->setBuddy(countEdit_);
  nextButton_ = MakeButton(topBar_, "nextButton", QStringLiteral("次"),
                           QStringLiteral("フォルダ内の次のファイルを表示する"), {242, 5, 35, 25});
  // Stepping follows the list; there is none yet.
  previousButton_->setEnabled(false);
  nextButton_->setEnabled(false);
  writeTagsButton_ =
      MakeButton(topBar_, "writeTagsButton", QStringLiteral("ID3書込み"),
                 QStringLiteral("表示しているID3タグ情報をファイルに書き込む"), {283, 4, 70, 25});
  convertButton_ = MakeButton(topBar_, "convertButton", QStringLiteral("WAV→MP3実行"),
                              QStringLiteral("表示しているWAVファイルをMP3ファイルに変換する"),
                              {358, 4, 97, 25});
  optionsButton_ = MakeButton(topBar_, "optionsButton", QStringLiteral("オプション"),
                              QStringLiteral("オプション項目の設定をする"), {460, 4, 54, 25});
  optionsButton_->setFont(uiGothic);
  helpButton_ = MakeButton(topBar_, "helpButton", QStringLiteral("使用方法"), {}, {516, 4, 54, 25});
  helpButton_->setFont(uiGothic);
  exitButton_ = MakeButton(topBar_, "exitButton", QStringLiteral("終了"),
                           QStringLiteral("プログラムを終了する"), {575, 4, 74, 25});
  folderEdit_ = MakeEdit(topBar_, "folderEdit", {72, 32, 586, 20}, {}, kNoFolderCaption);
  SetBaseColour(folderEdit_, light3d);
  folderLabel_ = Named(new QLabel(QStringLiteral("フォルダ名"), topBar_), "folderLabel");
  folderLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  folderLabel_->setGeometry(11, 36, 58, 14);
  folderLabel_->setBuddy(folderEdit_);

  // ---- tag panel ----
  tagPanel_ = Named(new QFrame(this), "tagPanel");
  tagPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  tagPanel_->setGeometry(8, 60, 477, kTagPanelFullHeight);

  fileNameEdit_ = MakeEdit(tagPanel_, "fileNameEdit", {87, 7, 385, 20}, {},
                           QStringLiteral("フォルダ内の音楽ファイル名"), true);
  SetBaseColour(fileNameEdit_, light3d);
  fileNameLabel_ = MakeBoxLabel(tagPanel_, "fileNameLabel", QStringLiteral("ファイル名"),
                                fileNameEdit_, false, LabelBefore(4, 87, 7));
  titleEdit_ = MakeEdit(tagPanel_, "titleEdit", {87, 31, 385, 20});
  titleLabel_ = MakeBoxLabel(tagPanel_, "titleLabel", QStringLiteral("タイトル"), titleEdit_, true,
                             LabelBefore(4, 87, 31));
  artistEdit_ = MakeEdit(tagPanel_, "artistEdit", {87, 51, 385, 20});
  artistLabel_ = MakeBoxLabel(tagPanel_, "artistLabel", QStringLiteral("アーチスト"), artistEdit_,
                              true, LabelBefore(4, 87, 51));
  albumEdit_ = MakeEdit(tagPanel_, "albumEdit", {87, 71, 385, 20});
  albumLabel_ = MakeBoxLabel(tagPanel_, "albumLabel", QStringLiteral("アルバム"), albumEdit_, true,
                             LabelBefore(4, 87, 71));
  commentEdit_ = Named(new QPlainTextEdit(tagPanel_), "commentEdit");
  commentEdit_->setGeometry(87, 93, 385, 45);
  // Tab leaves the comment like any box; Ctrl+Tab writes a tab into it (eventFilter).
  commentEdit_->setTabChangesFocus(true);
  commentLabel_ = MakeBoxLabel(tagPanel_, "commentLabel", QStringLiteral("コメント"), commentEdit_,
                               true, LabelBefore(4, 87, 93));
  jacketCombo_ = Named(new QComboBox(tagPanel_), "jacketCombo");
  jacketCombo_->setEditable(true);
  jacketCombo_->setInsertPolicy(QComboBox::NoInsert);
  jacketCombo_->setGeometry(87, 140, 245, 20);
  SetBaseColour(jacketCombo_, info);
  jacketLabel_ = MakeBoxLabel(tagPanel_, "jacketLabel", QStringLiteral("ジャケット画像"),
                              jacketCombo_, false, LabelBefore(4, 87, 140));
  jacketLabel_->setFont(uiGothic);
  idEdit_ = MakeEdit(tagPanel_, "idEdit", {392, 141, 81, 20}, {}, QStringLiteral("アルバムのID"));
  SetBaseColour(idEdit_, info);
  idLabel_ = MakeBoxLabel(tagPanel_, "idLabel", QStringLiteral("TITLE ID"), idEdit_, false,
                          LabelBefore(336, 392, 141));
  lyricistEdit_ = MakeEdit(tagPanel_, "lyricistEdit", {87, 162, 385, 20});
  SetBaseColour(lyricistEdit_, info);
  lyricistLabel_ = MakeBoxLabel(tagPanel_, "lyricistLabel", QStringLiteral("作詞"), lyricistEdit_,
                                false, LabelBefore(4, 87, 162));
  composerEdit_ = MakeEdit(tagPanel_, "composerEdit", {87, 182, 385, 20});
  SetBaseColour(composerEdit_, info);
  composerLabel_ = MakeBoxLabel(tagPanel_, "composerLabel", QStringLiteral("作曲"), composerEdit_,
                                false, LabelBefore(4, 87, 182));
  arrangerEdit_ = MakeEdit(tagPanel_, "arrangerEdit", {87, 202, 385, 20});
  SetBaseColour(arrangerEdit_, info);
  arrangerLabel_ = MakeBoxLabel(tagPanel_, "arrangerLabel", QStringLiteral("編曲"), arrangerEdit_,
                                false, LabelBefore(4, 87, 202));
  performerEdit_ = MakeEdit(tagPanel_, "performerEdit", {87, 222, 385, 20});
  SetBaseColour(performerEdit_, info);
  performerLabel_ = MakeBoxLabel(tagPanel_, "performerLabel", QStringLiteral("演奏"),
                                 performerEdit_, false, LabelBefore(4, 87, 222));
  yearEdit_ = MakeEdit(tagPanel_, "yearEdit", {87, 245, 39, 20}, QStringLiteral("2008"),
                       QStringLiteral("アルバムがリリースされた年（西暦)"));
  yearLabel_ = MakeBoxLabel(tagPanel_, "yearLabel", QStringLiteral("リリース年"), yearEdit_, true,
                            LabelBefore(4, 87, 245));
  genreEdit_ = MakeEdit(tagPanel_, "genreEdit", {184, 245, 145, 20}, QStringLiteral("JPop"),
                        QStringLiteral("[ジャンル一覧]から選ぶ"), true);
  genreLabel_ = MakeBoxLabel(tagPanel_, "genreLabel", QStringLiteral("ジャンル"), genreEdit_, true,
                             {132, 249, 48, 14});
  playingTimeEdit_ = MakeEdit(tagPanel_, "playingTimeEdit", {392, 245, 81, 20}, {},
                              QStringLiteral("演奏時間は曲ファイルから直接計算される"), true);
  SetBaseColour(playingTimeEdit_, silver);
  playingTimeLabel_ = MakeBoxLabel(tagPanel_, "playingTimeLabel", QStringLiteral("演奏時間"),
                                   playingTimeEdit_, false, LabelBefore(336, 392, 245));

  versionRule_ = Named(new QFrame(tagPanel_), "versionRule");
  versionRule_->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  versionRule_->setGeometry(8, 271, 465, 2);

  libraryVersionEdit_ =
      MakeEdit(tagPanel_, "libraryVersionEdit", {107, 280, 120, 20}, {}, {}, true);
  SetBaseColour(libraryVersionEdit_, silver);
  libraryVersionLabel_ =
      MakeBoxLabel(tagPanel_, "libraryVersionLabel", QStringLiteral("mp3infpバージョン"),
                   libraryVersionEdit_, false, LabelBefore(4, 107, 280));
  tagKindsEdit_ = MakeEdit(tagPanel_, "tagKindsEdit", {329, 280, 144, 20}, {}, {}, true);
  SetBaseColour(tagKindsEdit_, silver);
  tagKindsLabel_ = MakeBoxLabel(tagPanel_, "tagKindsLabel", QStringLiteral("ID3タグバージョン"),
                                tagKindsEdit_, false, LabelBefore(230, 329, 280));
  openStatusEdit_ = MakeEdit(tagPanel_, "openStatusEdit", {107, 300, 120, 20}, {}, {}, true);
  SetBaseColour(openStatusEdit_, silver);
  openStatusLabel_ = MakeBoxLabel(tagPanel_, "openStatusLabel", QStringLiteral("処理ステータス"),
                                  openStatusEdit_, false, LabelBefore(4, 107, 300));
  fileTypeEdit_ = MakeEdit(tagPanel_, "fileTypeEdit", {329, 300, 144, 20}, {}, {}, true);
  SetBaseColour(fileTypeEdit_, silver);
  fileTypeLabel_ = MakeBoxLabel(tagPanel_, "fileTypeLabel", QStringLiteral("WAV/MP3"),
                                fileTypeEdit_, false, LabelBefore(230, 329, 300));

  // ---- right column ----
  boldNoteLabel_ = Named(new QLabel(QStringLiteral("太字がID3タグ"), this), "boldNoteLabel");
  boldNoteLabel_->setFont(GothicFont(11));
  // Lowered outside, raised inside.
  boldNoteLabel_->setFrameStyle(QFrame::Box | QFrame::Sunken);
  boldNoteLabel_->setLineWidth(1);
  boldNoteLabel_->setAlignment(Qt::AlignCenter);
  boldNoteLabel_->setGeometry(495, 60, 157, 17);
  copyToMemoryButton_ =
      MakeButton(this, "copyToMemoryButton", QStringLiteral("記述内容をメモリにコピー"),
                 QStringLiteral("左記の設定項目をメモリにコピーする"), {495, 80, 157, 25});
  copyToMemoryButton_->setFont(uiGothic);
  pasteFromMemoryButton_ =
      MakeButton(this, "pasteFromMemoryButton", QStringLiteral("記述内容をメモリから貼り付け"),
                 QStringLiteral("メモリから左記に内容を貼り付ける"), {495, 108, 157, 25});
  pasteFromMemoryButton_->setFont(uiGothic);
  genreListButton_ = MakeButton(this, "genreListButton", QStringLiteral("ジャンル一覧から選択する"),
                                QStringLiteral("ジャンル一覧を表示"), {495, 137, 157, 25});

  commentFormatPanel_ = Named(new QFrame(this), "commentFormatPanel");
  commentFormatPanel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  commentFormatPanel_->setGeometry(495, 165, 157, 65);
  commentFormatTitle_ = Named(new QLabel(QStringLiteral("－コメント書式－"), commentFormatPanel_),
                              "commentFormatTitle");
  commentFormatTitle_->setAlignment(Qt::AlignCenter);
  commentFormatTitle_->setGeometry(8, 4, 141, 14);
  commentFormatLabel_ =
      Named(new QLabel(QStringLiteral("任意文字列"), commentFormatPanel_), "commentFormatLabel");
  commentFormatLabel_->setAlignment(Qt::AlignCenter);
  commentFormatLabel_->setGeometry(8, 20, 141, 16);
  composeCommentButton_ =
      MakeButton(commentFormatPanel_, "composeCommentButton", QStringLiteral("コメント文字更新"),
                 QStringLiteral("コメント文字を更新する（Shift+で追加作成）"), {16, 36, 125, 25});
  composeCommentButton_->setEnabled(false);

  conversionPanel_ = Named(new QFrame(this), "conversionPanel");
  conversionPanel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  conversionPanel_->setGeometry(496, 260, 157, 65);
  conversionFrame_ = Named(new QFrame(conversionPanel_), "conversionFrame");
  conversionFrame_->setFrameStyle(QFrame::Box | QFrame::Plain);
  conversionFrame_->setLineWidth(1);
  conversionFrame_->setAutoFillBackground(true);
  {
    QPalette p = conversionFrame_->palette();
    p.setColor(QPalette::Window, light3d);
    p.setColor(QPalette::WindowText, Qt::gray);
    conversionFrame_->setPalette(p);
  }
  conversionFrame_->setGeometry(4, 4, 148, 57);
  conversionTitle_ =
      Named(new QLabel(QStringLiteral("－WAV→MP3変換－"), conversionPanel_), "conversionTitle");
  conversionTitle_->setAlignment(Qt::AlignCenter);
  conversionTitle_->setGeometry(8, 8, 141, 14);
  convertAllButton_ = MakeButton(
      conversionPanel_, "convertAllButton", QStringLiteral("WAV→MP3一括変換"),
      QStringLiteral("同一フォルダ内のWAVファイルをすべてMP3に変換する"), {16, 26, 125, 25});

  // ---- track number and cover, in the free space of the right column ----
  trackEdit_ = Named(new TrackBox(this), "trackEdit");
  trackEdit_->setGeometry(571, 233, 81, 20);
  trackEdit_->setMaxLength(19);
  trackEdit_->setAccessibleName(QStringLiteral("トラック番号"));
  trackEdit_->setOwnToolTip(
      QStringLiteral("曲の番号（例: 3、全12曲の3曲目なら 3/12）。「提案」と付いた番号は"
                     "ファイル名からの提案で、ID3書込みのときに書き込まれる"));
  trackLabel_ = MakeBoxLabel(this, "trackLabel", QStringLiteral("トラック番号"), trackEdit_, true,
                             {495, 236, 72, 14});
  coverPreview_ = Named(new CoverThumbnail(this), "coverPreview");
  coverPreview_->setGeometry(616, 328, 36, 36);
  coverLabel_ = Named(new QLabel(this), "coverLabel");
  coverLabel_->setGeometry(495, 330, 117, 32);
  coverLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  coverLabel_->setBuddy(coverPreview_);
  ShowCover(CoverPreview());

  // ---- status bar and progress bar ----
  statusBar_ = Named(new StatusBar({50, 50, 400, 50}, kStatusHeight, this), "statusBar");
  statusBar_->setGeometry(0, kClientHeight - kStatusHeight, kClientWidth, kStatusHeight);
  progressBar_ = Named(new QProgressBar(this), "progressBar");
  progressBar_->setRange(0, 100);
  progressBar_->setValue(0);
  progressBar_->setTextVisible(false);
  // At the end of panel 2: the files the last conversion did not convert, or converted with a
  // word to say; shown only while there are such files.
  problemsButton_ = MakeButton(statusBar_, "problemsButton", QStringLiteral("問題"), QString(),
                               {424, 2, 74, kStatusHeight - 2});
  problemsButton_->setAccessibleName(QStringLiteral("変換で問題のあったファイルの一覧"));
  problemsButton_->hide();

  for (QPushButton* b : findChildren<QPushButton*>())
    FitCaption(b, b->text(), b->width() - 6);
  FitCaption(jacketLabel_, jacketLabel_->text(), jacketLabel_->width() - 4);
  FitCaption(libraryVersionLabel_, libraryVersionLabel_->text(), libraryVersionLabel_->width());
  FitCaption(tagKindsLabel_, tagKindsLabel_->text(), tagKindsLabel_->width());
  FitCaption(trackLabel_, trackLabel_->text(), trackLabel_->width());

  // Each tag field's box, in the order of TagField.
  const auto box = [this](TagField field) -> QWidget*& {
    return tagBoxes_[static_cast<std::size_t>(field)];
  };
  box(TagField::Title) = titleEdit_;
  box(TagField::Artist) = artistEdit_;
  box(TagField::Album) = albumEdit_;
  box(TagField::Comment) = commentEdit_;
  box(TagField::Year) = yearEdit_;
  box(TagField::Genre) = genreEdit_;
  box(TagField::Track) = trackEdit_;
  box(TagField::Id) = idEdit_;
  box(TagField::Jacket) = jacketCombo_->lineEdit();
  box(TagField::Lyricist) = lyricistEdit_;
  box(TagField::Composer) = composerEdit_;
  box(TagField::Arranger) = arrangerEdit_;
  box(TagField::Performer) = performerEdit_;

  // ---- keyboard and screen readers ----
  // Tab goes through the window as it is read: the top bar, the tag panel, the right column.
  // Disabled and hidden controls are passed over.
  SetTabOrder({
      openButton_,
      previousButton_,
      positionEdit_,
      nextButton_,
      writeTagsButton_,
      convertButton_,
      optionsButton_,
      helpButton_,
      exitButton_,
      folderEdit_,
      titleEdit_,
      artistEdit_,
      albumEdit_,
      commentEdit_,
      jacketCombo_,
      idEdit_,
      lyricistEdit_,
      composerEdit_,
      arrangerEdit_,
      performerEdit_,
      yearEdit_,
      copyToMemoryButton_,
      pasteFromMemoryButton_,
      genreListButton_,
      composeCommentButton_,
      trackEdit_,
      convertAllButton_,
      problemsButton_,
  });
  // The controls without a caption of their own; every other one is named by its label.
  positionEdit_->setAccessibleName(QStringLiteral("表示中のファイルの番号"));
  countEdit_->setAccessibleName(QStringLiteral("ファイル数"));
  progressBar_->setAccessibleName(QStringLiteral("変換の進み具合"));
  NameControlsByTheirLabels(*this);

  // ---- handlers ----
  connect(openButton_, &QPushButton::clicked, this, [this] { OnOpenClicked(); });
  connect(previousButton_, &QPushButton::clicked, this, [this] { OnPreviousClicked(); });
  connect(nextButton_, &QPushButton::clicked, this, [this] { OnNextClicked(); });
  connect(writeTagsButton_, &QPushButton::clicked, this, [this] { OnWriteTagsClicked(); });
  connect(convertButton_, &QPushButton::clicked, this, [this] { OnConvertClicked(); });
  connect(optionsButton_, &QPushButton::clicked, this, [this] { OnOptionsClicked(); });
  connect(helpButton_, &QPushButton::clicked, this, [this] { OnHelpClicked(); });
  connect(exitButton_, &QPushButton::clicked, this, [this] { OnExitClicked(); });
  connect(copyToMemoryButton_, &QPushButton::clicked, this, [this] { OnCopyToMemoryClicked(); });
  connect(pasteFromMemoryButton_, &QPushButton::clicked, this,
          [this] { OnPasteFromMemoryClicked(); });
  connect(genreListButton_, &QPushButton::clicked, this, [this] { OnGenreListClicked(); });
  connect(composeCommentButton_, &QPushButton::clicked, this,
          [this] { OnComposeCommentClicked(); });
  connect(convertAllButton_, &QPushButton::clicked, this, [this] { OnConvertAllClicked(); });
  connect(problemsButton_, &QPushButton::clicked, this, [this] { OnProblemsClicked(); });
  // The position counter: a number and Enter show that file; whatever else was typed, the
  // counter then shows the shown file's number again.
  connect(positionEdit_, &QLineEdit::returnPressed, this, [this] { OnPositionEntered(); });
  connect(positionEdit_, &QLineEdit::editingFinished, this, [this] { OnPositionLeft(); });
  connect(folderEdit_, &QLineEdit::returnPressed, this, [this] { OnFolderEntered(); });
  // A jacket image the user picks or types becomes the shown file's cover when it is written.
  const auto jacketChosen = [this] {
    if (pasting_ || putting_)
      return;
    jacketChosen_ = true;
    session_->tagEditor().CoverChosen(BoxFields());
  };
  connect(jacketCombo_, &QComboBox::activated, this, jacketChosen);
  connect(jacketCombo_->lineEdit(), &QLineEdit::textEdited, this, jacketChosen);
  // An edit of any tag box: the tag editor hears what the boxes hold (also of a text set by other
  // means than typing), and after a paste Ctrl+Z is that box's own again.
  for (QWidget* edit : tagBoxes_) {
    if (auto* line = qobject_cast<QLineEdit*>(edit)) {
      connect(line, &QLineEdit::textEdited, this, [this] { TagBoxEdited(); });
      connect(line, &QLineEdit::textChanged, this, [this] { HandOverTagBoxes(); });
    }
  }
  connect(jacketCombo_, &QComboBox::activated, this, [this] { TagBoxEdited(); });
  connect(commentEdit_->document(), &QTextDocument::undoCommandAdded, this,
          [this] { TagBoxEdited(); });
  connect(commentEdit_, &QPlainTextEdit::textChanged, this, [this] { HandOverTagBoxes(); });

  // Key preview: every key press and release in any control of this window passes here first.
  qApp->installEventFilter(this);
}
