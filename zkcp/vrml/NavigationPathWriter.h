#ifndef ZKCP_VRML_NAVIGATIONPATHWRITER_H
#define ZKCP_VRML_NAVIGATIONPATHWRITER_H

#include <zkcp/vrml/zkofstream.h>

class ZKNavigationPath;

// A navigation path in the form the stream's format word selects:
//   exproto, proto        nothing;
//   vrmlproto             the ZKNavigationPath prototype declaration;
//   vrmlexproto           its external declaration, in zkextensions.wrl;
//   ref                   "DEF <path> ZKNavigationPath {" with its positions
//                         as Transform children, indented by blanks;
//   vrmlref, msvrmlref    a PositionInterpolator and an
//                         OrientationInterpolator that run through the
//                         positions and back to the first; a path without
//                         positions writes nothing here, having no first
//                         position to return to;
//   any other word        the DEF node as for ref, indented by tabs.
zkofstream& operator<<(zkofstream& os, const ZKNavigationPath& path);

#endif
