#include "core/tags/GenreListFile.h"

#include "core/fs/Cp932.h"
#include "core/tags/CommentText.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace GenreListFile {

const QStringList& BuiltInItems() {
  static const QStringList items{
      u"0 ブルース"_s,
      u"1 Classic Rock"_s,
      u"2 カントリー"_s,
      u"3 ダンス"_s,
      u"4 ディスコ"_s,
      u"5 ファンク"_s,
      u"6 グランジ"_s,
      u"7 ヒップホップ"_s,
      u"8 ジャズ"_s,
      u"9 メタル"_s,
      u"10 ニューエイジ"_s,
      u"11 オールディーズ"_s,
      u"12 その他"_s,
      u"13 ポップ"_s,
      u"14 R&B"_s,
      u"15 ラップ"_s,
      u"16 レゲエ"_s,
      u"17 ロック"_s,
      u"18 テクノ"_s,
      u"19 Industrial"_s,
      u"20 オルタナティブ"_s,
      u"21 スカ"_s,
      u"22 デスメタル"_s,
      u"23 w:Pranks"_s,
      u"24 サウンドトラック"_s,
      u"25 Euro-Techno"_s,
      u"26 環境"_s,
      u"27 Trip-hop"_s,
      u"28 ボーカル"_s,
      u"29 Jazz+Funk"_s,
      u"30 フュージョン"_s,
      u"31 トランス"_s,
      u"32 クラシカル"_s,
      u"33 Instrumental"_s,
      u"34 Acid"_s,
      u"35 ハウス"_s,
      u"36 ゲームミュージック"_s,
      u"37 Sound Clip"_s,
      u"38 ゴスペル"_s,
      u"39 ノイズ"_s,
      u"40 Alt. Rock"_s,
      u"41 バス"_s,
      u"42 ソウル"_s,
      u"43 パンク"_s,
      u"44 Space"_s,
      u"45 Meditative"_s,
      u"46 Instrumental pop"_s,
      u"47 Instrumental rock"_s,
      u"48 フォークソング"_s,
      u"49 Gothic"_s,
      u"50 Darkwave"_s,
      u"51 Techno-Industrial"_s,
      u"52 Electronic"_s,
      u"53 Pop-Folk"_s,
      u"54 Eurodance"_s,
      u"55 Dream"_s,
      u"56 サザン・ロック"_s,
      u"57 喜劇"_s,
      u"58 Cult"_s,
      u"59 Gangsta"_s,
      u"60 Top 40"_s,
      u"61 Christian Rap"_s,
      u"62 Pop/Funk"_s,
      u"63 Jungle"_s,
      u"64 Native American"_s,
      u"65 Cabaret"_s,
      u"66 ニューウェーブ"_s,
      u"67 Psychedelic"_s,
      u"68 Rave"_s,
      u"69 Showtunes"_s,
      u"70 Trailer"_s,
      u"71 Lo-Fi"_s,
      u"72 Tribal"_s,
      u"73 Acid Punk"_s,
      u"74 アシッドジャズ"_s,
      u"75 ポルカ"_s,
      u"76 Retro"_s,
      u"77 w:MusicalMusical"_s,
      u"78 Rock & Roll"_s,
      u"79 ハードロック"_s,
      u"80 フォーク"_s,
      u"81 フォークロック"_s,
      u"82 National Folk"_s,
      u"83 スウィング"_s,
      u"84 Fast Fusion"_s,
      u"85 ビバップ"_s,
      u"86 ラテン"_s,
      u"87 Revival"_s,
      u"88 Celtic"_s,
      u"89 ブルーグラス"_s,
      u"90 Avantgarde"_s,
      u"91 Gothic Rock"_s,
      u"92 プログレッシブ・ロック"_s,
      u"93 Psychedelic Rock"_s,
      u"94 Symphonic Rock"_s,
      u"95 Slow Rock"_s,
      u"96 Big Band"_s,
      u"97 Chorus"_s,
      u"98 Easy Listening"_s,
      u"99 アコースティック"_s,
      u"100 ユーモア"_s,
      u"101 Speech"_s,
      u"102 シャンソン"_s,
      u"103 オペラ"_s,
      u"104 Chamber Music"_s,
      u"105 ソナタ"_s,
      u"106 交響曲"_s,
      u"107 Booty Bass"_s,
      u"108 Primus"_s,
      u"109 Porn Groove"_s,
      u"110 Satire"_s,
      u"111 Slow Jam"_s,
      u"112 Club"_s,
      u"113 タンゴ"_s,
      u"114 Samba"_s,
      u"115 Folklore"_s,
      u"116 バラード"_s,
      u"117 Power Ballad"_s,
      u"118 Rhythmic Soul"_s,
      u"119 Freestyle"_s,
      u"120 Duet"_s,
      u"121 パンク・ロック"_s,
      u"122 Drum Solo"_s,
      u"123 ア・カペラ"_s,
      u"124 Euro-House"_s,
      u"125 Dance Hall"_s,
      u"126 Goa"_s,
      u"127 ドラムンベース"_s,
      u"128 Club-House"_s,
      u"129 Hardcore"_s,
      u"130 Terror"_s,
      u"131 Indie"_s,
      u"132 ブリットポップ"_s,
      u"133 Negerpunk"_s,
      u"134 Polsk Punk"_s,
      u"135 Beat"_s,
      u"136 Christian gangsta rap"_s,
      u"137 ヘヴィメタル"_s,
      u"138 ブラックメタル"_s,
      u"139 クロスオーバー"_s,
      u"140 Contemporary Christian"_s,
      u"141 Christian Rock"_s,
      u"142 Merengue"_s,
      u"143 Salsa"_s,
      u"144 スラッシュメタル"_s,
      u"145 アニメ"_s,
      u"146 JPop"_s,
      u"147 Synthpop"_s,
      u"243 童謡"_s,
      u"244 ニュー･ミュージック"_s,
      u"245 謡曲"_s,
      u"246 浪曲"_s,
      u"247 行進曲"_s,
      u"248 Heavy Rock(J)"_s,
      u"249 Doom Rock(J)"_s,
      u"250 J-POP(J)"_s,
      u"251 Seiyu(J)"_s,
      u"252 Tecno Ambient(J)"_s,
      u"253 Moemoe(J)"_s,
      u"254 Tokusatsu(J)"_s,
      u"255 未設定"_s,
  };
  return items;
}

QStringList SplitLines(const QString& text) {
  QStringList lines;
  qsizetype start = 0;
  const qsizetype size = text.size();
  qsizetype i = 0;
  while (i < size) {
    const QChar c = text.at(i);
    if (c == u'\r' || c == u'\n') {
      lines.append(text.mid(start, i - start));
      i += (c == u'\r' && i + 1 < size && text.at(i + 1) == u'\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < size)
    lines.append(text.mid(start));
  return lines;
}

std::optional<QStringList> Read(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return std::nullopt;
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    return std::nullopt;
  return SplitLines(Cp932::DecodeFileText(bytes));
}

int InitialIndex(const QStringList& items) {
  const qsizetype named = BuildGenreNames(items).indexOf(kInitialGenre);
  if (named >= 0)
    return static_cast<int>(named);
  const int count = static_cast<int>(items.size());
  return count > kInitialIndex ? kInitialIndex : count - 1;
}

QStringList BuildGenreNames(const QStringList& items) {
  QStringList names;
  names.reserve(items.size());
  for (const QString& item : items) {
    const qsizetype blank = item.indexOf(u' ');
    if (CommentText::TrimBlanks(item).isEmpty() || blank < 0)
      names.append(item);
    else
      names.append(CommentText::TrimBlanks(item.mid(blank)));
  }
  return names;
}

} // namespace GenreListFile
