#ifndef ZKCP_VRML_COMPONENTWRITER_H
#define ZKCP_VRML_COMPONENTWRITER_H

#include <zkcp/vrml/zkofstream.h>

class ZKComponent;
class ZKPart;

// A component in the form the stream's format word selects:
//   exproto      native external prototype, naming <component>.arl
//   proto        native prototype with attribute nodes, behaviours, rules
//   vrmlexproto  VRML 97 external prototype, naming <component>_cmp.wrl
//   vrmlproto    VRML 97 prototype
//   vrmlref      VRML 97 instance with a time sensor per behaviour
//   msvrmlref    VRML 97 instance without timers
//   geometry     the part tree of the component's contents
//   ref, and every word that selects none of these: the native instance.
// Only exported attributes appear: named and not hidden.
zkofstream& operator<<(zkofstream& os, const ZKComponent& component);

// One part of the geometry form with its sub-parts, groups and shapes.
zkofstream& writePart(zkofstream& os, ZKPart& part);

#endif
