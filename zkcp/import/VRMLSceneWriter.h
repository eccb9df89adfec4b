#ifndef ZKCP_IMPORT_VRMLSCENEWRITER_H
#define ZKCP_IMPORT_VRMLSCENEWRITER_H

#include <iosfwd>

class SoSeparator;

// Writes a scene made by the VRML scene builder as a VRML 97 file: its
// transforms with their DEF names, shapes, appearances and face sets, every
// index and value written, at float precision.
void writeVrmlScene(std::ostream& os, SoSeparator* scene);

#endif
