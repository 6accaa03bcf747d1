#include "ini_storage.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

std::optional<std::string> ReadIniText(const QString& path, IniEncoding* encoding) {
    if (encoding != nullptr)
        *encoding = IniEncoding::Utf8;
    QFile file(path);
    if (!file.exists())
        return std::string();
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8(bytes);  // only to learn whether it is UTF-8
    if (!utf8.hasError())
        return bytes.toStdString();
    if (encoding != nullptr)
        *encoding = IniEncoding::Latin1;
    return QString::fromLatin1(bytes).toStdString();
}

bool StoreIniText(const QString& path, const std::string& text, QString& error,
                  IniEncoding encoding) {
    if (encoding == IniEncoding::Latin1) {
        const QString decoded = QString::fromStdString(text);
        QStringEncoder latin1(QStringEncoder::Latin1);
        const QByteArray bytes = latin1(decoded);
        if (!latin1.hasError())
            return StoreFileAtomically(path, bytes.toStdString(), error);
    }
    return StoreFileAtomically(path, text, error);
}

bool StoreFileAtomically(const QString& path, const std::string& text, QString& error) {
    QSaveFile file(path);
    // Never fall back to writing the file in place.
    file.setDirectWriteFallback(false);
    const bool stored = file.open(QIODevice::WriteOnly) &&
                        file.write(text.data(), static_cast<qint64>(text.size())) ==
                            static_cast<qint64>(text.size()) &&
                        file.commit();
    if (!stored)
        error = QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(path));
    return stored;
}
