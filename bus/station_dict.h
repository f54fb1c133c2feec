// The station dictionary (a{sv}) of GetStation and NotifyBeaconData: the
// station object's properties by their names.
#pragma once

#include <QString>
#include <QVariantMap>

#include "stations/host.h"

namespace bb::bus {

inline const QString kHostService = QStringLiteral("org.beaconboard.Host");
inline const QString kHostPath = QStringLiteral("/Host");
inline const QString kMapPath = QStringLiteral("/Host/Map");

QVariantMap StationToDict(const HostStation& station);

// Reads a dictionary into `station`. An entry that is missing keeps the
// station's value; one of the wrong type raises error 13 (type mismatch), a
// number that does not fit its property raises error 6 (overflow).
void StationFromDict(const QVariantMap& dict, HostStation& station);

// Whether the dictionary holds every property of the station object, so
// that it tells all a GetStation for the station would.
bool StationDictComplete(const QVariantMap& dict);

}  // namespace bb::bus
