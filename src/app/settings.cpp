#include "app/settings.h"

#include <QDateTime>
#include <QStringList>
#include <cstring>

namespace strandex {

namespace {
SettingsError invalidType(const char* name) {
    return SettingsError(std::string("Invalid data type for '") + name + "'");
}
}  // namespace

std::unique_ptr<QSettings> openUserSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kOrganisation,
                                       kApplication);
}

int readInteger(const QSettings& store, const char* name) {
    QVariant value = store.value(name);
    if (value.typeId() == QMetaType::QStringList || value.typeId() == QMetaType::QByteArray)
        throw invalidType(name);
    bool ok = false;
    int n = value.toString().trimmed().toInt(&ok);
    if (!ok) throw invalidType(name);
    return n;
}

QString readString(const QSettings& store, const char* name) {
    QVariant value = store.value(name);
    if (value.typeId() == QMetaType::QStringList || value.typeId() == QMetaType::QByteArray)
        throw invalidType(name);
    return value.toString();
}

QByteArray installStamp() {
    QDateTime now = QDateTime::currentDateTime();
    double days = static_cast<double>(QDate(1899, 12, 30).daysTo(now.date())) +
                  now.time().msecsSinceStartOfDay() / 86400000.0;
    std::uint64_t bits = 0;
    std::memcpy(&bits, &days, sizeof bits);
    QByteArray bytes(8, '\0');
    for (int k = 0; k < 8; ++k) bytes[k] = static_cast<char>(bits >> (8 * k));
    return bytes;
}

}  // namespace strandex
