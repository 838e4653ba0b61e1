#include "platform/Md5.h"

#include <QByteArrayView>
#include <QCryptographicHash>
#include <algorithm>

std::array<unsigned char, 16> Md5Digest(
    const unsigned char* first, std::size_t firstLength, const unsigned char* second, std::size_t secondLength)
{
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(QByteArrayView(first, static_cast<qsizetype>(firstLength)));
    hash.addData(QByteArrayView(second, static_cast<qsizetype>(secondLength)));
    const QByteArray result = hash.result();
    std::array<unsigned char, 16> digest {};
    std::copy_n(reinterpret_cast<const unsigned char*>(result.constData()),
        std::min<std::size_t>(digest.size(), static_cast<std::size_t>(result.size())), digest.begin());
    return digest;
}
