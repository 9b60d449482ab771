#include "gui/CoverThumbnail.h"

#include "core/tags/TagCopy.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPixmap>

CoverThumbnail::CoverThumbnail(QWidget* parent) : QLabel(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(1);
  setAlignment(Qt::AlignCenter);
  setAccessibleName(QStringLiteral("カバー画像"));
}

QString CoverThumbnail::Show(const CoverPreview& cover) {
  clear();
  QString problem = cover.problem;
  // "JPEG 500×500": what the image is, for the tooltip; empty when it does not decode.
  QString kind;
  if (!cover.image.isEmpty()) {
    QBuffer buffer;
    buffer.setData(cover.image);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    const QString format = QString::fromLatin1(reader.format()).toUpper();
    // Decoded straight to the thumbnail's size: a JPEG of several thousand pixels a side is
    // scaled while it is read.
    const qreal ratio = devicePixelRatioF();
    if (size.isValid())
      reader.setScaledSize(size.scaled(contentsRect().size() * ratio, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (!image.isNull()) {
      QPixmap pixmap = QPixmap::fromImage(image);
      pixmap.setDevicePixelRatio(ratio);
      setPixmap(pixmap);
      kind = QStringLiteral("%1 %2×%3").arg(format).arg(size.width()).arg(size.height());
    }
  }
  if (kind.isEmpty() && cover.kind == CoverPreview::Kind::ToWrite && problem.isEmpty())
    problem = TagCopy::CoverRefusalText(MP3INFP_PICTURE_NOT_IMAGE, cover.name);

  switch (cover.kind) {
  case CoverPreview::Kind::None:
    state_ = QStringLiteral("なし");
    setToolTip(QStringLiteral("カバー画像はありません。ジャケット画像を選んでID3書込みをすると、"
                              "その画像がカバー画像になります（MP3のタグ形式がID3v2のとき）"));
    break;
  case CoverPreview::Kind::Stored:
    state_ = QStringLiteral("埋め込み済み");
    setToolTip(QStringLiteral("ファイルに埋め込まれているカバー画像（%1）")
                   .arg(kind.isEmpty() ? QStringLiteral("表示できない形式") : kind));
    break;
  case CoverPreview::Kind::ToWrite:
    state_ = problem.isEmpty() ? QStringLiteral("書き込み予定") : QStringLiteral("使えない画像");
    setToolTip(
        problem.isEmpty()
            ? QStringLiteral("ID3書込みでカバー画像にする画像：%1（%2）").arg(cover.name, kind)
            : problem);
    return problem;
  }
  return QString();
}
