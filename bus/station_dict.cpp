#include "bus/station_dict.h"

#include <cmath>
#include <limits>

#include "support/error_trap.h"

namespace bb::bus {
namespace {

bool IsNumber(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::UChar:
            return true;
        default:
            return false;
    }
}

const QVariant* Entry(const QVariantMap& dict, const char* key, bool number) {
    const auto it = dict.constFind(QLatin1String(key));
    if (it == dict.constEnd()) return nullptr;
    if (number ? !IsNumber(*it) : it->typeId() != QMetaType::QString)
        Raise(err::kTypeMismatch, std::string("station entry ") + key);
    return &*it;
}

void Read(const QVariantMap& dict, const char* key, std::string& out) {
    if (const QVariant* v = Entry(dict, key, false)) out = v->toString().toStdString();
}

void Read(const QVariantMap& dict, const char* key, double& out) {
    if (const QVariant* v = Entry(dict, key, true)) out = v->toDouble();
}

void Read(const QVariantMap& dict, const char* key, float& out) {
    if (const QVariant* v = Entry(dict, key, true)) {
        const double d = v->toDouble();
        if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max())
            Raise(err::kOverflow, std::string("station entry ") + key);
        out = static_cast<float>(d);
    }
}

void Read(const QVariantMap& dict, const char* key, std::int16_t& out) {
    if (const QVariant* v = Entry(dict, key, true)) {
        const double d = v->toDouble();
        if (!(d >= -32768.5 && d < 32767.5))
            Raise(err::kOverflow, std::string("station entry ") + key);
        out = static_cast<std::int16_t>(std::lround(d));
    }
}

}  // namespace

QVariantMap StationToDict(const HostStation& s) {
    QVariantMap d;
    d.insert(QStringLiteral("Callsign"), QString::fromStdString(s.Callsign));
    d.insert(QStringLiteral("Symbol"), QString::fromStdString(s.Symbol));
    d.insert(QStringLiteral("BeaconText"), QString::fromStdString(s.BeaconText));
    d.insert(QStringLiteral("StatusText"), QString::fromStdString(s.StatusText));
    d.insert(QStringLiteral("Longitude"), static_cast<double>(s.Longitude));
    d.insert(QStringLiteral("Latitude"), static_cast<double>(s.Latitude));
    d.insert(QStringLiteral("Speed"), static_cast<double>(s.Speed));
    d.insert(QStringLiteral("Course"), QVariant::fromValue<short>(s.Course));
    d.insert(QStringLiteral("ReportDate"), s.ReportDate);
    d.insert(QStringLiteral("FallbackDate"), s.FallbackDate);
    d.insert(QStringLiteral("Distance"), static_cast<double>(s.Distance));
    d.insert(QStringLiteral("CommentStart"), QVariant::fromValue<short>(s.CommentStart));
    d.insert(QStringLiteral("Bearing"), QVariant::fromValue<short>(s.Bearing));
    return d;
}

bool StationDictComplete(const QVariantMap& dict) {
    for (const char* key :
         {"Callsign", "Symbol", "BeaconText", "StatusText", "Longitude", "Latitude", "Speed",
          "Course", "ReportDate", "FallbackDate", "Distance", "CommentStart", "Bearing"})
        if (!dict.contains(QLatin1String(key))) return false;
    return true;
}

void StationFromDict(const QVariantMap& dict, HostStation& s) {
    Read(dict, "Callsign", s.Callsign);
    Read(dict, "Symbol", s.Symbol);
    Read(dict, "BeaconText", s.BeaconText);
    Read(dict, "StatusText", s.StatusText);
    Read(dict, "Longitude", s.Longitude);
    Read(dict, "Latitude", s.Latitude);
    Read(dict, "Speed", s.Speed);
    Read(dict, "Course", s.Course);
    Read(dict, "ReportDate", s.ReportDate);
    Read(dict, "FallbackDate", s.FallbackDate);
    Read(dict, "Distance", s.Distance);
    Read(dict, "CommentStart", s.CommentStart);
    Read(dict, "Bearing", s.Bearing);
}

}  // namespace bb::bus
