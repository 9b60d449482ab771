// Which image becomes the shown file's cover when its tag is written, and what the preview shows.
//
// The jacket image box names an image of the opened folder. A write puts that image in as the
// file's front cover when the user chose it (picked it in the box, typed its name, or pasted
// it), replacing a cover the file has; and, for a file without a cover, when the file's own
// comment names it ("画像:cover.jpg", as the jacket comment format writes it). The image the box
// merely shows first after a folder opens is never put in unasked, and a file keeps its cover
// unless another image is chosen. Covers are written only through ID3v2 tags.
#pragma once

#include "core/tags/CoverPreview.h"
#include "core/tags/TagFields.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class CoverChoice {
public:
  // The most an image may hold to become a cover (the tag library's limit, mp3infp_ex.h).
  static constexpr qint64 kMaxImageBytes = 10 * 1024 * 1024;

  // The images the jacket box lists (full paths, in its order).
  void SetImages(const QStringList& images) { images_ = images; }
  // The file `path` is shown: its own cover (empty when none) and the jacket image its comment
  // names (nullopt when none).
  void FileShown(const QString& path, const QByteArray& cover,
                 const std::optional<QString>& commentJacket);
  // The shown file's cover is now `cover` (it was written).
  void CoverWritten(const QByteArray& cover) { fileCover_ = cover; }
  const QByteArray& FileCover() const { return fileCover_; }

  // The image file a write of `shown` puts in as the cover; empty for none. `picturesWritten`
  // is false where no cover is written (the RIFF SIF format).
  QString ImageToWrite(const TagFields& shown, bool picturesWritten) const;
  // The preview for `shown`, reading the image a write would put in. Remembers that image, so
  // that ChosenCoverPending needs no read.
  CoverPreview Preview(const TagFields& shown, bool picturesWritten);
  // True when the user chose an image that differs from the file's cover and can be written
  // (as of the last Preview): an edit not yet written.
  bool ChosenCoverPending(const TagFields& shown) const;

  // The image file the jacket box's `text` names, as the user reads names (FsPath::Display): a
  // listed image of that name (the first), an absolute path, or a name in the folder of
  // `shownFile`; only JPEG and PNG names count. Empty when none exists.
  static QString FindImage(const QString& text, const QStringList& images,
                           const QString& shownFile);
  // Reads the image at `path` into `bytes`; else says why it cannot become a cover.
  static QString ReadImage(const QString& path, QByteArray& bytes);

private:
  QStringList images_;
  QString shownFile_;
  QByteArray fileCover_;
  std::optional<QString> commentJacket_;
  // The image the last preview read, to be written.
  QByteArray pendingImage_;

  // The last image the preview read, with its size and change time: the box is refreshed on
  // every edit and on every file shown, and an unchanged image on a slow share is read once.
  struct ImageRead {
    QString path;
    qint64 size = -1;
    qint64 changed = 0;
    QByteArray bytes;
    QString problem;
  };
  ImageRead lastRead_;
  // ReadImage, answered from lastRead_ while the file is unchanged.
  QString ReadImageOnce(const QString& path, QByteArray& bytes);
};
