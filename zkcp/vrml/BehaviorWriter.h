#ifndef ZKCP_VRML_BEHAVIORWRITER_H
#define ZKCP_VRML_BEHAVIORWRITER_H

#include <zkcp/foundation/RWCString.h>
#include <zkcp/vrml/zkofstream.h>

class ZKBehavior;

// The external prototype declaration of a behaviour's node type,
// <stem>_<callback>, native (exproto, in <stem>.arl) or VRML 97
// (vrmlexproto, in <stem>.wrl). The prototype and instance words write
// nothing; any other word writes the error comment.
zkofstream& operator<<(zkofstream& os, const ZKBehavior& behavior);

// The module file name without its four-character extension ("doors.dll"
// gives "doors"); empty for names of four characters or fewer.
RWCString behaviorLibraryStem(const ZKBehavior& behavior);

#endif
