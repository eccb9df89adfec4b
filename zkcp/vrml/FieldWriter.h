#ifndef ZKCP_VRML_FIELDWRITER_H
#define ZKCP_VRML_FIELDWRITER_H

#include <iosfwd>

class ZKField;

// A behaviour field as its name: the field's own print, so a derived field
// class writes itself.
std::ostream& operator<<(std::ostream& os, const ZKField& field);

#endif
