#include "app/cli/CliText.h"

#include "core/fs/FsPath.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace CliText {

namespace {

// A JSON string: quotes, backslashes and control characters escaped, the rest as it is.
QString JsonString(const QString& text) {
  QString out = QStringLiteral("\"");
  for (const QChar c : text) {
    if (c == u'"' || c == u'\\')
      out += u'\\' + QString(c);
    else if (c == u'\n')
      out += QStringLiteral("\\n");
    else if (c == u'\t')
      out += QStringLiteral("\\t");
    else if (c.unicode() < 0x20)
      out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    else
      out += c;
  }
  return out + u'"';
}

} // namespace

QString Help() {
  return QStringLiteral(
      "使い方: wav2mp3tag-cli コマンド [オプション] パス...\n"
      "\n"
      "ウィンドウを開かずに、WAVファイルをMP3に変換し、WAV/MP3ファイルのタグを\n"
      "表示・書き込みします。指定しなかったオプションは、プログラムの設定ファイルの\n"
      "値になります。\n"
      "\n"
      "コマンド:\n"
      "  convert [オプション] パス...\n"
      "      WAVファイルをMP3に変換する。フォルダはサブフォルダまで、ウィンドウで開いた\n"
      "      ときと同じ順に変換する\n"
      "  tags [--json] ファイル...\n"
      "      タグをウィンドウと同じ値で表示する（「名前: 値」の行、または JSON）\n"
      "  set ファイル... [--title 値] [--artist 値] [--album 値] [--comment 値]\n"
      "                  [--year 値] [--genre 値] [--track 番号]\n"
      "                  [--tag-format rmp|id3v2]\n"
      "      指定したフィールドだけを書き込む（ほかのフィールドは元のバイトのまま）。\n"
      "      空の値はそのフィールドを空にする。--track は \"3\" や \"3/12\"\n"
      "\n"
      "convert のオプション:\n"
      "  --jobs N\n"
      "      同時に変換するファイル数（0 = プロセッサのコアの数、1 = 1つずつ、64まで）\n"
      "  --tag-format rmp|id3v2\n"
      "      MP3のタグ形式: RIFF SIF（従来どおり）か ID3v2.3（携帯・音楽ソフト向け）\n"
      "  --copy-tags, --no-copy-tags\n"
      "      WAVファイルに設定しているID3タグをMP3に設定する／しない\n"
      "  --trash, --no-trash\n"
      "      MP3に変換後自動的にWAVファイルをごみ箱に移す／移さない\n"
      "  --overwrite, --no-overwrite\n"
      "      MP3ファイルが既にあれば上書きする／しない\n"
      "  --output-dir フォルダ\n"
      "      MP3ファイルを指定のフォルダに書き出す（指定したフォルダの下のサブフォルダは\n"
      "      そのまま作る）\n"
      "  -b N, --bitrate N\n"
      "      MP3の音質を固定ビットレート N kbps にする（128、160、192、256、320）\n"
      "  -V N, --vbr N\n"
      "      MP3の音質を LAME の可変ビットレート -V N にする（0、2、4。2が標準）\n"
      "  --replaygain, --no-replaygain\n"
      "      ReplayGain（曲ごと、フォルダを一度に変換したときはアルバムも）の音量と\n"
      "      ピークを書き込む／書き込まない。--tag-format id3v2 のときだけ\n"
      "\n"
      "tags のオプション:\n"
      "  --json\n"
      "      1ファイル1オブジェクトのJSON配列で表示する（file, type, tagKinds, title,\n"
      "      artist, album, comment, year, genre, あれば track, playingTime）\n"
      "\n"
      "共通のオプション:\n"
      "  --settings ファイル\n"
      "      この設定ファイルの値を使う（書き換えはしない）\n"
      "  -q, --quiet\n"
      "      進み具合と最後のまとめを表示しない\n"
      "  -h, --help\n"
      "      この説明を表示する\n"
      "  --version\n"
      "      バージョンを表示する\n"
      "  --\n"
      "      これより後の引数はすべてパスとして扱う\n"
      "\n"
      "出力:\n"
      "  標準出力には結果だけを出す: convert は作ったMP3ファイルのパスを\n"
      "  できた順に1行に1つ、tags はタグ、set はファイルごとの結果。\n"
      "  変換・書き込みしなかったファイルは理由とともに標準エラー出力に出す。\n"
      "  標準エラー出力が端末のときは、進み具合（終わったファイル数／全体と、\n"
      "  変換した音声の割合）と最後のまとめも表示する。\n"
      "\n"
      "終了ステータス:\n"
      "  0    指定したことをすべて行った\n"
      "  1    変換・書き込みしなかったファイルがある\n"
      "  2    コマンドやオプションの誤り\n"
      "  130  Ctrl+C（SIGINT）で中止した（SIGTERM では 143）。変換中のファイルは止めて\n"
      "       一時ファイルを消し、WAVファイルはすべて残す\n"
      "\n"
      "例:\n"
      "  wav2mp3tag-cli convert --jobs 0 --tag-format id3v2 --trash ~/録音\n"
      "  wav2mp3tag-cli convert -V 2 --tag-format id3v2 --replaygain ~/録音/ライブ\n"
      "  wav2mp3tag-cli tags --json 曲.mp3\n"
      "  wav2mp3tag-cli set 曲.mp3 --title 夜明けのスキャット\n");
}

QString Version() {
  return QStringLiteral("wav2mp3tag-cli " W2M_VERSION);
}

namespace {

// The fields `tags` shows, each with its label and its name: those the command line names, the
// ones that are not always there only when the file holds them.
template <typename Show> void ForEachShownField(const TagFields& fields, Show show) {
  for (const TagFieldRow& row : kTagFields)
    if (row.name != nullptr && (row.listedWhenEmpty || !fields[row.field].isEmpty()))
      show(row, fields[row.field]);
}

} // namespace

QString TagLines(const QString& path, const FileTags& tags) {
  QStringList lines;
  const auto line = [&lines](const QString& label, const QString& value) {
    lines.append(label + QStringLiteral(": ") + value);
  };
  line(QStringLiteral("ファイル"), FsPath::Display(path));
  line(QStringLiteral("WAV/MP3"), tags.mp3 ? QStringLiteral("MP3") : QStringLiteral("WAV"));
  line(QStringLiteral("ID3タグバージョン"), TagKindsText(tags.code));
  ForEachShownField(tags.fields, [&line](const TagFieldRow& row, const QString& value) {
    line(row.Label(), value);
  });
  line(QStringLiteral("演奏時間"), tags.fields.PlayingTime.value_or(QString()));
  return lines.join(u'\n');
}

QString TagJson(const QString& path, const FileTags& tags) {
  QStringList kinds;
  for (const QString& kind : TagKindNames(tags.code))
    kinds.append(JsonString(kind.mid(1, kind.size() - 2)));
  QStringList members;
  const auto member = [&members](const QString& key, const QString& json) {
    members.append(JsonString(key) + u':' + json);
  };
  member(QStringLiteral("file"), JsonString(FsPath::Display(path)));
  member(QStringLiteral("type"),
         JsonString(tags.mp3 ? QStringLiteral("MP3") : QStringLiteral("WAV")));
  member(QStringLiteral("tagKinds"), u'[' + kinds.join(u',') + u']');
  ForEachShownField(tags.fields, [&member](const TagFieldRow& row, const QString& value) {
    member(QString::fromLatin1(row.name), JsonString(value));
  });
  member(QStringLiteral("playingTime"), JsonString(tags.fields.PlayingTime.value_or(QString())));
  return u'{' + members.join(u',') + u'}';
}

QString ProgressLine(int filesDone, int files, double share, int columns) {
  const int percent = static_cast<int>(std::floor(std::clamp(share, 0.0, 1.0) * 100));
  const QString figures = QStringLiteral("  %1/%2  %3%").arg(filesDone).arg(files).arg(percent, 3);
  // The bar takes what is left of the line, but no more than 40 and no less than 10.
  const int width = std::clamp(columns - 1 - static_cast<int>(figures.size()) - 2, 10, 40);
  const int filled = static_cast<int>(std::floor(std::clamp(share, 0.0, 1.0) * width));
  return u'[' + QString(filled, u'#') + QString(width - filled, u'.') + u']' + figures;
}

QString FileLine(const QString& path, const QString& text) {
  return FsPath::Display(path) + QStringLiteral(": ") + text;
}

} // namespace CliText
