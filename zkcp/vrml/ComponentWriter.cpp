#include <zkcp/vrml/ComponentWriter.h>

#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/attribute/ZKStringAttributes.h>
#include <zkcp/component/ZKComponent.h>
#include <zkcp/vrml/AttributeWriter.h>
#include <zkcp/vrml/BehaviorWriter.h>
#include <zkcp/vrml/ComponentSensorWriter.h>
#include <zkcp/vrml/ExportText.h>
#include <zkcp/vrml/VRMLGeometryWriters.h>
#include <zkcp/vrml/VRMLValueWriters.h>

#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/nodes/SoGroup.h>
#include <Inventor/nodes/SoTransform.h>

#include <vector>

using zkcp_export::newline;
using zkcp_export::pad10;
using zkcp_export::pad15;

namespace {

// What the forms read from a component, gathered once per write.
struct ComponentView {
  explicit ComponentView(ZKComponent& c) : component(c) {
    RWTValSortedVector<RWCString> names;
    c.getAttributeNames(names);
    for (const RWCString& name : names) {
      ZKAttribute* a = c.getAttribute(name);
      if (a && !a->getName().isNull() && !a->isHidden()) attributes.push_back(a);
    }
    c.getBehaviorNames(behaviorNames);
    c.getBehaviorsActivatedAtStartup(startupNames);
    transform = c.getTransform();
  }

  ZKComponent& component;
  std::vector<ZKAttribute*> attributes;
  RWTValSortedVector<RWCString> behaviorNames;
  RWTValSortedVector<RWCString> startupNames;
  SoTransform* transform;
};

RWCString active(const RWCString& behavior) { return behavior + "Active"; }

void writeAttributeLines(zkofstream& os, const ComponentView& view, const char* lead) {
  for (ZKAttribute* a : view.attributes) os << lead << *a << endl;
}

void writeBehaviorFieldLine(zkofstream& os, const RWCString& behavior) {
  os << "  ";
  pad15(os, "field ");
  pad15(os, "SFBool ");
  pad15(os, active(behavior).str());
}

void writeNativeExternProto(zkofstream& os, const ComponentView& view, const char* name) {
  os << "EXTERNPROTO " << name << "[" << endl;
  writeAttributeLines(os, view, "  ");
  for (const RWCString& b : view.behaviorNames) {
    writeBehaviorFieldLine(os, b);
    newline(os);
  }
  os << "] [ \"" << name << ".arl#" << name << "\" ]" << endl;
}

void writeNativeProto(zkofstream& os, const ComponentView& view, const char* name) {
  ZKComponent& c = view.component;
  os << "PROTO " << name << "[" << endl;
  writeAttributeLines(os, view, "  ");
  for (const RWCString& b : view.behaviorNames) {
    writeBehaviorFieldLine(os, b);
    os << "          ";
    newline(pad10(os, "FALSE"));
  }
  os << "]" << endl;
  os << "{" << endl;
  os << "  ZKComponent {" << endl;
  os << "      geometry ZKGeometry { url \"" << c.getGeometryFile() << "\" }" << endl;
  os << "      name     \"" << name << "\"" << endl;
  os << "      attributes [" << endl;
  os.setFormat(zkofstream::kDef);
  for (ZKAttribute* a : view.attributes) os << *a << endl;
  os.setFormat(zkofstream::kProto);
  os << "]" << endl;
  os << "behaviors [" << endl;
  for (const RWCString& b : view.behaviorNames) {
    ZKBehavior behavior = c.getBehavior(b);
    if (!behavior.isValid()) continue;
    const RWCString stem = behaviorLibraryStem(behavior);
    if (stem.isNull()) continue;
    os << stem << "_" << behavior.getCallbackName() << " {" << endl;
    os << "    name    \"" << b << "\"" << endl;
    os << "    activate " << "IS " << active(b) << endl;
    os << "}" << endl;
  }
  os << "]" << endl;
  os << "rules [" << endl;
  c.writeRules(os);
  os << "]" << endl;
  os << "}" << endl;
  os << "}" << endl;
}

void writeVrmlExternProto(zkofstream& os, const ComponentView& view, const char* name) {
  os << "EXTERNPROTO " << name << "[" << endl;
  writeAttributeLines(os, view, "  ");
  for (const RWCString& b : view.behaviorNames) {
    writeBehaviorFieldLine(os, b);
    newline(os);
    os << "  ";
    pad15(os, "eventIn ");
    pad15(os, "SFBool ");
    newline(os << "set_" << active(b));
    os << "  ";
    pad15(os, "eventOut ");
    pad15(os, "SFBool ");
    newline(os << active(b) << "_changed");
    os << "  ";
    pad15(os, "field ");
    pad15(os, "SFNode ");
    newline(os << b << "Timer");
  }
  os << "  " << "field         SFNode       timer" << endl;
  os << "  " << "exposedField  SFVec3f      translation" << endl;
  os << "  " << "exposedField  SFRotation   rotation" << endl;
  os << "  " << "exposedField  SFVec3f      scale" << endl;
  os << "  " << "exposedField  SFRotation   scaleOrientation" << endl;
  os << "  " << "exposedField  SFVec3f      center" << endl;
  os << "  " << "exposedField  MFNode       children" << endl;
  os << "] [ \"" << name << "_cmp" << ".wrl#" << name << "\"]" << endl;
}

void writeVrmlProto(zkofstream& os, const ComponentView& view, const char* name) {
  ZKComponent& c = view.component;
  os << "PROTO " << name << "[" << endl;
  writeAttributeLines(os, view, "\t");
  for (const RWCString& b : view.behaviorNames) {
    os << "\t";
    pad15(os, "exposedField\t");
    pad15(os, "SFBool\t");
    pad15(os, active(b).str());
    os << "\t\t\t";
    newline(pad10(os, "FALSE"));
  }
  os << "\texposedField\tSFVec3f\t\ttranslation\t\t0 0 0" << endl;
  os << "\texposedField\tSFRotation\t\trotation\t\t0 0 1 0" << endl;
  os << "\texposedField\tSFVec3f\t\tscale\t\t\t1 1 1" << endl;
  os << "\texposedField\tSFRotation\t\tscaleOrientation\t0 0 1 0" << endl;
  os << "\texposedField\tSFVec3f\t\tcenter\t\t\t0 0 0" << endl;
  os << "\texposedField\tMFNode\t\tchildren\t\t[]" << endl;
  os << "\teventIn\t\tSFFloat\t\ttick" << endl;
  os << "\teventIn\t\tSFBool\t\tloadGeometry" << endl;
  os << "]" << endl;
  os << "{" << endl;
  os << "\tDEF comp ZKComponent {" << endl;
  os << "\t\tgeometry \"../geometry/" << c.getGeometryFile() << "\"" << endl;
  os << "\t\tname     \"" << name << "\"" << endl;
  os << "\t\tloadGeometry\tIS\tloadGeometry" << endl;
  os << "\t}" << endl;
  for (const RWCString& b : view.behaviorNames) {
    ZKBehavior behavior = c.getBehavior(b);
    if (!behavior.isValid()) continue;
    os << behaviorLibraryStem(behavior) << "_" << behavior.getCallbackName() << " {" << endl;
    os << "\tname\t\"" << b << "\"" << endl;
    os << "\tcomponent\tUSE\tcomp" << endl;
    os << "\tactivate\tIS\t" << active(b) << endl;
    os << "\ttick\tIS\ttick" << endl;
    os << "}" << endl;
  }
  os << "}" << endl;
}

void writeStartupLines(zkofstream& os, const ComponentView& view) {
  for (const RWCString& b : view.startupNames) {
    os << "      " << active(b) << " ";
    newline(pad10(os, "TRUE"));
  }
}

void writeInstanceHead(zkofstream& os) {
  os << "Transform " << "{" << endl;
  os << "  ";
  newline(pad15(os, "children ["));
  os << endl;
}

void writeSensorLine(zkofstream& os, const ComponentView& view) {
  os << "\t";
  static_cast<std::ostream&>(os) << view.component.getComponentSensor();
  newline(os);
}

const char* instanceName(const ZKComponent& c) { return c.getName().getString(); }

void writeNativeInstance(zkofstream& os, const ComponentView& view, const char* name) {
  SoTransform* t = view.transform;
  writeInstanceHead(os);
  writeSensorLine(os, view);
  os << "    DEF " << instanceName(view.component) << " " << name << "{" << endl;
  newline(os << "translation " << t->translation.getValue());
  os << "  ";
  pad15(os, "rotation ");
  newline(os << t->rotation.getValue());
  os << "  ";
  pad15(os, "scale    ");
  newline(os << t->scaleFactor.getValue());
  os << "  ";
  pad15(os, "scaleOrientation ");
  newline(os << t->scaleOrientation.getValue());
  os << "  ";
  pad15(os, "center   ");
  newline(os << t->center.getValue());
  writeAttributeLines(os, view, "      ");
  writeStartupLines(os, view);
  os << "    }" << endl;
  os << "  ]" << endl;
  os << "}" << endl;
}

// The cycle interval of each behaviour's timer, from its "<name>Speed"
// float attribute; a behaviour without one keeps the interval before it.
std::vector<double> cycleIntervals(const ComponentView& view) {
  std::vector<double> intervals;
  double interval = 1.0;
  for (const RWCString& b : view.behaviorNames) {
    ZKAttribute* speed = view.component.getAttribute(b + "Speed");
    if (speed && speed->isOfType(ZKFloatAttribute::getClassTypeId())) {
      double v = static_cast<ZKFloatAttribute*>(speed)->getValue();
      if (!(v > 0.0)) v = 1.0;
      const bool travels = b.compareTo("walk", RWCString::ignoreCase) == 0 ||
                           b.compareTo("run", RWCString::ignoreCase) == 0 ||
                           b.compareTo("fly", RWCString::ignoreCase) == 0 ||
                           b.compareTo("follow_path", RWCString::ignoreCase) == 0;
      interval = (travels ? 10.0 : 1.0) / v;
    }
    intervals.push_back(interval);
  }
  return intervals;
}

// The anchor's attribute on a line of its own under a VRML field name.
void writeAnchorField(zkofstream& os, ZKAttribute* a, const char* fieldName) {
  const RWCString own = a->getName();
  a->setName(fieldName);
  os << "\t\t" << *a << endl;
  a->setName(own);
}

bool opensAnchor(ZKComponent& c) {
  ZKAttribute* url = c.getAttribute("anchorUrl");
  if (!url || !url->isOfType(ZKMFStringAttribute::getClassTypeId())) return false;
  const SoMFString& urls = static_cast<ZKMFStringAttribute*>(url)->getValue();
  if (urls.getNum() < 1) return false;
  const SbString& first = urls[0];
  return !(first == "" || first == " ");
}

void writeVrmlInstance(zkofstream& os, const ComponentView& view, const char* name,
                       bool timers) {
  ZKComponent& c = view.component;
  SoTransform* t = view.transform;
  const char* instance = instanceName(c);
  writeInstanceHead(os);
  if (timers) {
    const std::vector<double> intervals = cycleIntervals(view);
    for (size_t i = 0; i < view.behaviorNames.entries(); ++i) {
      os << "    DEF " << instance << "_" << view.behaviorNames[i] << "Timer TimeSensor { "
         << endl;
      newline(os << "      cycleInterval         " << intervals[i]);
      newline(os << "      loop                  TRUE");
      newline(os << "      startTime             0");
      newline(os << "    }");
      newline(os);
    }
  }
  writeSensorLine(os, view);
  const bool anchor = opensAnchor(c);
  if (anchor) {
    os << "\tAnchor {" << endl;
    writeAnchorField(os, c.getAttribute("anchorUrl"), "url");
    if (ZKAttribute* d = c.getAttribute("anchorDescription")) writeAnchorField(os, d, "description");
    if (ZKAttribute* p = c.getAttribute("anchorParameter")) writeAnchorField(os, p, "parameter");
    os << "\t\t" << "children [" << endl;
  }
  os << "    DEF " << instance << " " << name << "{" << endl;
  newline(os << "\ttranslation " << t->translation.getValue());
  os << "  ";
  pad15(os, "\trotation ");
  newline(os << t->rotation.getValue());
  os << "  ";
  pad15(os, "\tscale    ");
  newline(os << t->scaleFactor.getValue());
  newline(os << "scaleOrientation " << t->scaleOrientation.getValue());
  os << "  ";
  pad15(os, "center   ");
  newline(os << t->center.getValue());
  writeAttributeLines(os, view, "      ");
  writeStartupLines(os, view);
  if (timers) {
    os << "      timer      USE    mainTimer" << endl;
    for (const RWCString& b : view.behaviorNames)
      os << "      " << b << "Timer" << "    USE    " << instance << "_" << b << "Timer" << endl;
  }
  os << "    }" << endl;
  if (anchor) {
    os << "\t\t]" << endl;
    os << "\t}" << endl;
  }
  os << "  ]" << endl;
  os << "}" << endl;
}

void writeShape(zkofstream& os, SoNode* node) {
  if (node->getTypeId() == SoVRMLShape::getClassTypeId()) {
    static_cast<std::ostream&>(os) << *static_cast<SoVRMLShape*>(node);
    newline(os);
  } else {
    os << "NODE TYPE NOT VRML SHAPE" << endl;
  }
}

void writeGroup(zkofstream& os, SoGroup* group) {
  int open = 0;
  for (int i = 0; i < group->getNumChildren(); ++i) {
    SoNode* child = group->getChild(i);
    if (child->isOfType(SoTransform::getClassTypeId())) {
      auto* t = static_cast<SoTransform*>(child);
      os << "\t\tTransform {" << endl;
      newline(os << "\t\t\t\ttranslation\t" << t->translation.getValue());
      newline(os << "\t\t\t\trotation\t" << t->rotation.getValue());
      newline(os << "\t\t\t\tscale\t\t" << t->scaleFactor.getValue());
      newline(os << "\t\t\t\tscaleOrientation\t" << t->scaleOrientation.getValue());
      newline(os << "\t\t\t\tchildren [");
      ++open;
    } else if (i == 0) {
      os << "\t\tTransform {" << endl;
      os << "\t\t\t\tchildren [" << endl;
      ++open;
      writeShape(os, child);
    } else {
      writeShape(os, child);
    }
  }
  for (; open > 0; --open) {
    os << "\t\t\t\t]" << endl;
    os << "\t\t}" << endl;
  }
}

void writeGeometry(zkofstream& os, ZKComponent& c) {
  auto* contents = static_cast<SoGroup*>(c.getPart("contents", FALSE));
  if (!contents) return;
  for (int i = 0; i < contents->getNumChildren(); ++i) {
    SoNode* child = contents->getChild(i);
    if (child->isOfType(ZKPart::getClassTypeId())) writePart(os, *static_cast<ZKPart*>(child));
  }
}

}  // namespace

zkofstream& writePart(zkofstream& os, ZKPart& part) {
  os << "ZKPart {" << endl;
  os << "\t\tname\t\t" << "\"" << part.getName().getString() << "\"" << endl;
  // A part without a transform stands where its parent puts it.
  auto* t = static_cast<SoTransform*>(part.getPart("transform", FALSE));
  newline(os << "\t\ttranslation\t" << (t ? t->translation.getValue() : SbVec3f(0, 0, 0)));
  newline(os << "\t\trotation\t" << (t ? t->rotation.getValue() : SbRotation::identity()));
  newline(os << "\t\tscale\t\t" << (t ? t->scaleFactor.getValue() : SbVec3f(1, 1, 1)));
  newline(os << "\t\tscaleOrientation\t"
             << (t ? t->scaleOrientation.getValue() : SbRotation::identity()));
  newline(os << "\t\t\tcenter\t" << (t ? t->center.getValue() : SbVec3f(0, 0, 0)));
  auto* contents = static_cast<SoGroup*>(part.getPart("contents", FALSE));
  const int n = contents ? contents->getNumChildren() : 0;
  SoNode* first = n > 0 ? contents->getChild(0) : nullptr;
  const bool childList = !first || first->isOfType(ZKPart::getClassTypeId()) ||
                         first->isOfType(SoGroup::getClassTypeId());
  os << (childList ? "\t\tchildren [" : "\t\tgeometry [") << endl;
  for (int i = 0; i < n; ++i) {
    SoNode* child = contents->getChild(i);
    if (child->isOfType(ZKPart::getClassTypeId())) {
      writePart(os, *static_cast<ZKPart*>(child));
    } else if (child->isOfType(SoGroup::getClassTypeId())) {
      writeGroup(os, static_cast<SoGroup*>(child));
    } else {
      writeShape(os, child);
    }
  }
  os << "\t\t]" << endl;
  return os << "}" << endl;
}

zkofstream& operator<<(zkofstream& os, const ZKComponent& component) {
  auto& c = const_cast<ZKComponent&>(component);
  const ComponentView view(c);
  const char* name = c.getComponentName();
  switch (os.format()) {
    case zkofstream::kExproto:
      writeNativeExternProto(os, view, name);
      break;
    case zkofstream::kProto:
      writeNativeProto(os, view, name);
      break;
    case zkofstream::kVrmlexproto:
      writeVrmlExternProto(os, view, name);
      break;
    case zkofstream::kVrmlproto:
      writeVrmlProto(os, view, name);
      break;
    case zkofstream::kVrmlref:
      writeVrmlInstance(os, view, name, true);
      break;
    case zkofstream::kMsvrmlref:
      writeVrmlInstance(os, view, name, false);
      break;
    case zkofstream::kGeometry:
      writeGeometry(os, c);
      break;
    default:
      writeNativeInstance(os, view, name);
      break;
  }
  return os;
}
