#include <zkcp/vrml/AttributeWriter.h>

#include <zkcp/attribute/ZKAttribute.h>
#include <zkcp/attribute/ZKAttributeKinds.h>
#include <zkcp/vrml/ExportText.h>

using zkcp_export::pad15;

zkofstream& operator<<(zkofstream& os, const ZKAttribute& attribute) {
  const std::string& name = attribute.getName().str();
  switch (os.format()) {
    case zkofstream::kExproto:
    case zkofstream::kVrmlexproto:
      pad15(os, "field ");
      pad15(os, attributeVrmlTypeName(attribute));
      pad15(os, name);
      return os;
    case zkofstream::kProto:
    case zkofstream::kVrmlproto:
      pad15(os, "field ");
      pad15(os, attributeVrmlTypeName(attribute));
      pad15(os, name);
      os << "          ";
      return writeAttributeValue(os, attribute);
    case zkofstream::kRef:
    case zkofstream::kVrmlref:
    case zkofstream::kMsvrmlref:
      pad15(os, name);
      os << " ";
      return writeAttributeValue(os, attribute);
    case zkofstream::kDef:
      os << "ZKAttribute {" << endl;
      os << "    name    \"" << attribute.getName() << "\"" << endl;
      os << "    type    \"" << attributeTypeKeyword(attribute) << "\"" << endl;
      os << "    value   IS " << attribute.getName() << endl;
      return os << "}" << endl;
    default:
      return os.writeBadFormatComment();
  }
}
