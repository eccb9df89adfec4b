#ifndef ZKCP_VRML_VIEWPOINTWRITERS_H
#define ZKCP_VRML_VIEWPOINTWRITERS_H

#include <iosfwd>

class ZKPosition;
class ZKProximitySensor;
class ZKViewpoint;

// VRML 97 text of the world's viewpoints, proximity sensors and navigation
// path positions, one node each, every line ended with a newline and a
// flush. A named viewpoint or sensor is written as "DEF <name> " before its
// node; an unnamed one starts directly with the node.

// "Viewpoint {" with position, orientation, fieldOfView, the quoted
// description and jump, then "}".
std::ostream& operator<<(std::ostream& os, const ZKViewpoint& viewpoint);
// "ProximitySensor {" with center, size and enabled, then "}".
std::ostream& operator<<(std::ostream& os, const ZKProximitySensor& sensor);
// The position as a "Transform {" with its translation and rotation.
std::ostream& operator<<(std::ostream& os, const ZKPosition& position);

#endif
