#ifndef ZKCP_VRML_ROUTEWRITER_H
#define ZKCP_VRML_ROUTEWRITER_H

#include <zkcp/world/ZKRoute.h>

#include <iosfwd>

// A route as one VRML ROUTE statement with its name as a comment, without a
// line end: "ROUTE door1.isActive TO lamp.on #0 r1".
std::ostream& operator<<(std::ostream& os, const ZKRoute& route);

// One route end: the name of the object, ".", then the event. The object's
// name is the Inventor name of a light or component node; an end that is
// unresolved, of an unknown type or without an object is written as
// "UNKNOWN-TYPE".
std::ostream& operator<<(std::ostream& os, const ZKRoute::RoutePoint& point);

#endif
