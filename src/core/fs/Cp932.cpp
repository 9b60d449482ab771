#include "core/fs/Cp932.h"

#include <QStringDecoder>

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace {

bool convert(const char* to, const char* from, const QByteArray& in, QByteArray& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1))
    return false;
  std::vector<char> buffer(static_cast<size_t>(in.size()) * 4 + 16);
  char* src = const_cast<char*>(in.constData());
  size_t srcLeft = static_cast<size_t>(in.size());
  char* dst = buffer.data();
  size_t dstLeft = buffer.size();
  const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  const bool ok = r != static_cast<size_t>(-1) && srcLeft == 0 &&
                  iconv(cd, nullptr, nullptr, &dst, &dstLeft) != static_cast<size_t>(-1);
  iconv_close(cd);
  if (ok)
    out = QByteArray(buffer.data(), static_cast<qsizetype>(buffer.size() - dstLeft));
  return ok;
}

} // namespace

namespace Cp932 {

bool Decode(const QByteArray& bytes, QString& out) {
  QByteArray utf8;
  if (!convert("UTF-8", "CP932", bytes, utf8))
    return false;
  out = QString::fromUtf8(utf8);
  return true;
}

bool Encode(const QString& text, QByteArray& out) {
  return convert("CP932", "UTF-8", text.toUtf8(), out);
}

QString DecodeText(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8(bytes);
  if (!utf8.hasError())
    return text;
  if (Decode(bytes, text))
    return text;
  return QString::fromLatin1(bytes);
}

QString DecodeFileText(const QByteArray& bytes) {
  if (bytes.startsWith("\xEF\xBB\xBF"))
    return DecodeText(bytes.sliced(3));
  return DecodeText(bytes);
}

} // namespace Cp932
