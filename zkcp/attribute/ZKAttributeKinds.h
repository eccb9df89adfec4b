#ifndef ZKCP_ATTRIBUTE_ZKATTRIBUTEKINDS_H
#define ZKCP_ATTRIBUTE_ZKATTRIBUTEKINDS_H

class ZKAttribute;
class zkofstream;

// The texts the export writes for an attribute, chosen by its exact type
// (a class derived from a typed attribute is not that kind). Kinds without
// a text of their own (the base class, the pointer) are written as strings.

// "float", "bool", "string", "string_list", "vec3f", "color", "time ",
// "rotation"; otherwise "string".
const char* attributeTypeKeyword(const ZKAttribute& attribute);
// The VRML field type with its trailing blank, such as "SFFloat ";
// otherwise "SFString ".
const char* attributeVrmlTypeName(const ZKAttribute& attribute);
// The value as VRML text, each value left-adjusted in 15 characters. A
// string list is a bracketed list that ends its own line; a pointer or a
// plain ZKAttribute writes nothing.
zkofstream& writeAttributeValue(zkofstream& os, const ZKAttribute& attribute);

#endif
