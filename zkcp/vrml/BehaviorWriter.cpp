#include <zkcp/vrml/BehaviorWriter.h>

#include <zkcp/behavior/ZKBehavior.h>
#include <zkcp/vrml/ExportText.h>

using zkcp_export::newline;
using zkcp_export::pad15;

namespace {

// One interface line of the behaviour's node type, three padded items.
void interfaceLine(zkofstream& os, const char* kind, const char* type, const char* name) {
  pad15(os, kind);
  pad15(os, type);
  newline(pad15(os, name));
}

}  // namespace

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
  interfaceLine(os, "field ", "SFBool ", "activate");
  interfaceLine(os, "field ", "SFString ", "name");
  if (format == zkofstream::kExproto) {
    return os << "] \"" << stem << ".arl#" << stem << "_" << behavior.getCallbackName() << "\""
              << endl;
  }
  interfaceLine(os, "field ", "SFNode ", "component");
  interfaceLine(os, "eventIn ", "SFFloat ", "tick");
  return os << "] \"" << stem << ".wrl#" << stem << "_" << behavior.getCallbackName() << "\""
            << endl;
}
