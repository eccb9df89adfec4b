#include <zkcp/vrml/BehaviorWriter.h>

#include <zkcp/behavior/ZKBehavior.h>
#include <zkcp/vrml/ExportText.h>

using zkcp_export::newline;
using zkcp_export::pad15;

RWCString behaviorLibraryStem(const ZKBehavior& behavior) {
  const RWCString& library = behavior.getLibrary();
  return library.length() > 4 ? library(0, library.length() - 4) : RWCString();
}

zkofstream& operator<<(zkofstream& os, const ZKBehavior& behavior) {
  const int format = os.format();
  if (format != zkofstream::kExproto && format != zkofstream::kVrmlexproto) {
    switch (format) {
      case zkofstream::kProto:
      case zkofstream::kRef:
      case zkofstream::kDef:
      case zkofstream::kVrmlproto:
      case zkofstream::kVrmlref:
      case zkofstream::kMsvrmlref:
        return os;
      default:
        return os.writeBadFormatComment();
    }
  }
  const RWCString stem = behaviorLibraryStem(behavior);
  os << "EXTERNPROTO " << stem << "_" << behavior.getCallbackName() << " [" << endl;
  pad15(os, "field ");
  pad15(os, "SFBool ");
  newline(pad15(os, "activate"));
  pad15(os, "field ");
  pad15(os, "SFString ");
  newline(pad15(os, "name"));
  if (format == zkofstream::kExproto) {
    return os << "] \"" << stem << ".arl#" << stem << "_" << behavior.getCallbackName() << "\""
              << endl;
  }
  pad15(os, "field ");
  pad15(os, "SFNode ");
  newline(pad15(os, "component"));
  pad15(os, "eventIn ");
  pad15(os, "SFFloat ");
  newline(pad15(os, "tick"));
  return os << "] \"" << stem << ".wrl#" << stem << "_" << behavior.getCallbackName() << "\""
            << endl;
}
