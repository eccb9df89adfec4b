#ifndef ZKCP_VRML_ATTRIBUTEWRITER_H
#define ZKCP_VRML_ATTRIBUTEWRITER_H

#include <zkcp/vrml/zkofstream.h>

class ZKAttribute;

// An attribute in the form the stream's format word selects: the field
// line of an interface (exproto, vrmlexproto), of a prototype with its
// value (proto, vrmlproto), of an instance (ref, vrmlref, msvrmlref), or
// the attribute node (def). Any other word writes the error comment.
zkofstream& operator<<(zkofstream& os, const ZKAttribute& attribute);

#endif
