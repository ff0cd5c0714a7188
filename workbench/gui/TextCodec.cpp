#include "TextCodec.h"

#include "CodePage1251.h"

#include <QFile>

std::string ToCp1251(const QString& text)
{
    return Utf16ToCp1251(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                             static_cast<std::size_t>(text.size())));
}

QString FromCp1251(std::string_view text)
{
    const std::string utf8 = Cp1251ToUtf8(text);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string ToLocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString FromLocalPath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}
