// Where the launcher finds the elevation service's identity, and what it
// uses when its own executable carries none.

#ifndef ELEVATION_SERVICE_ELEVATION_SERVICE_CONST_H_
#define ELEVATION_SERVICE_ELEVATION_SERVICE_CONST_H_

namespace corvane {

// String-table entry of the launcher executable holding the JSON description.
inline constexpr int kElevationServiceStringId = 500;
// LoadStringW buffer in wide characters; one is the terminator.
inline constexpr int kElevationServiceBufferChars = 1024;

// Used when the entry is missing, empty or not convertible.
extern const char kDefaultElevationServiceInfo[];

}  // namespace corvane

#endif  // ELEVATION_SERVICE_ELEVATION_SERVICE_CONST_H_
