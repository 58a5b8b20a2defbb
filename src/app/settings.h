// The settings store: a per-user QSettings file, organisation
// "Quorvel Software", application "Strandex".
#pragma once
#include <QSettings>
#include <memory>
#include <stdexcept>

namespace strandex {

inline constexpr const char* kOrganisation = "Quorvel Software";
inline constexpr const char* kApplication = "Strandex";

// A stored value that cannot be read as its kind: "Invalid data type for '%s'".
class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::unique_ptr<QSettings> openUserSettings();

// Typed reads; each throws SettingsError when the value is not of its kind.
int readInteger(const QSettings& store, const char* name);
QString readString(const QSettings& store, const char* name);

// Days since 30 December 1899, the time of day as the fraction, as the
// eight little-endian bytes of an IEEE 754 double.
QByteArray installStamp();

}  // namespace strandex
