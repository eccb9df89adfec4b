#ifndef ZKCP_VRML_COMPONENTSENSORWRITER_H
#define ZKCP_VRML_COMPONENTSENSORWRITER_H

#include <iosfwd>

class ZKComponentSensor;

// The component's sensor as a VRML 97 sensor node of its kind, with its DEF
// name: "DEF <name> CylinderSensor {" ... "}". A sensor of no kind writes
// nothing; a kind value the record does not define writes only the
// "DEF <name> " prefix.
std::ostream& operator<<(std::ostream& os, const ZKComponentSensor& sensor);

#endif
