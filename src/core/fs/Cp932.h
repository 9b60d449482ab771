// Legacy 8-bit text of Japanese Windows files: code page 932 (windows-31j), not strict
// Shift_JIS, so that 0x8160 is U+FF5E and NEC/IBM extensions such as ① decode.
#pragma once

#include <QByteArray>
#include <QString>

namespace Cp932 {

// Decodes CP932; false (and `out` untouched) when the bytes are not valid CP932.
bool Decode(const QByteArray& bytes, QString& out);

// Encodes as CP932; false when some character has no CP932 form.
bool Encode(const QString& text, QByteArray& out);

// 8-bit text of unknown origin: UTF-8 when strictly valid, else CP932, else Latin-1.
QString DecodeText(const QByteArray& bytes);

// Text of a file that may come from Windows: as DecodeText, a UTF-8 BOM dropped first.
QString DecodeFileText(const QByteArray& bytes);

} // namespace Cp932
