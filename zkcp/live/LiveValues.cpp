#include <zkcp/live/LiveValues.h>

#include <zkcp/attribute/ZKLinearAttributes.h>
#include <zkcp/attribute/ZKScalarAttributes.h>
#include <zkcp/attribute/ZKStringAttributes.h>
#include <zkcp/component/ZKComponent.h>
#include <zkcp/component/ZKComponentSensor.h>

using Value = ZKLiveWorld::Value_t;

namespace live {

Value number(double d) {
  Value out;
  out.v[0] = d;
  return out;
}

Value vec(const SbVec3f& p) {
  Value out;
  out.v = {p[0], p[1], p[2], 0};
  return out;
}

Value rot(const SbRotation& r) {
  const float* q = r.getValue();
  Value out;
  out.v = {q[0], q[1], q[2], q[3]};
  return out;
}

SbVec3f toVec(const Value& v) {
  return SbVec3f(static_cast<float>(v.v[0]), static_cast<float>(v.v[1]),
                 static_cast<float>(v.v[2]));
}

SbRotation toRot(const Value& v) {
  return SbRotation(static_cast<float>(v.v[0]), static_cast<float>(v.v[1]),
                    static_cast<float>(v.v[2]), static_cast<float>(v.v[3]));
}

bool readAttribute(ZKAttribute* a, ZKLiveWorld::Kind_t& kind, Value& out) {
  if (!a) return false;
  const SoType type = a->getTypeId();
  out = Value();
  if (type == ZKBoolAttribute::getClassTypeId()) {
    kind = ZKLiveWorld::bool_kind;
    out = number(static_cast<ZKBoolAttribute*>(a)->getValue() ? 1 : 0);
  } else if (type == ZKFloatAttribute::getClassTypeId()) {
    kind = ZKLiveWorld::float_kind;
    out = number(static_cast<ZKFloatAttribute*>(a)->getValue());
  } else if (type == ZKTimeAttribute::getClassTypeId()) {
    kind = ZKLiveWorld::time_kind;
    out = number(ZKTimeAttribute::seconds(static_cast<ZKTimeAttribute*>(a)->getValue()));
  } else if (type == ZKVec3fAttribute::getClassTypeId()) {
    kind = ZKLiveWorld::vec3f_kind;
    out = vec(static_cast<ZKVec3fAttribute*>(a)->getValue());
  } else if (type == ZKColorAttribute::getClassTypeId()) {
    kind = ZKLiveWorld::color_kind;
    out = vec(static_cast<ZKColorAttribute*>(a)->getValue());
  } else if (type == ZKRotationAttribute::getClassTypeId()) {
    kind = ZKLiveWorld::rotation_kind;
    out = rot(static_cast<ZKRotationAttribute*>(a)->getValue());
  } else if (type == ZKStringAttribute::getClassTypeId()) {
    kind = ZKLiveWorld::string_kind;
    out.text = static_cast<ZKStringAttribute*>(a)->getValue().data();
  } else if (type == ZKMFStringAttribute::getClassTypeId()) {
    kind = ZKLiveWorld::string_list_kind;
    const SoMFString& list = static_cast<ZKMFStringAttribute*>(a)->getValue();
    for (int i = 0; i < list.getNum(); ++i) {
      if (i) out.text += '\n';
      out.text += list[i].getString();
    }
  } else {
    return false;
  }
  return true;
}

void writeAttribute(ZKAttribute* a, ZKLiveWorld::Kind_t kind, const Value& v) {
  switch (kind) {
    case ZKLiveWorld::bool_kind: static_cast<ZKBoolAttribute*>(a)->setValue(v.v[0] != 0); break;
    case ZKLiveWorld::float_kind:
      static_cast<ZKFloatAttribute*>(a)->setValue(static_cast<float>(v.v[0]));
      break;
    case ZKLiveWorld::time_kind: static_cast<ZKTimeAttribute*>(a)->setValue(v.v[0]); break;
    case ZKLiveWorld::vec3f_kind: static_cast<ZKVec3fAttribute*>(a)->setValue(toVec(v)); break;
    case ZKLiveWorld::color_kind:
      static_cast<ZKColorAttribute*>(a)->setValue(SbColor(toVec(v)));
      break;
    case ZKLiveWorld::rotation_kind:
      static_cast<ZKRotationAttribute*>(a)->setValue(toRot(v));
      break;
    case ZKLiveWorld::string_kind:
      static_cast<ZKStringAttribute*>(a)->setValue(v.text.c_str());
      break;
    case ZKLiveWorld::string_list_kind: {
      SoMFString list;
      size_t from = 0;
      for (int i = 0; !v.text.empty() && from <= v.text.size(); ++i) {
        const size_t end = v.text.find('\n', from);
        list.set1Value(i, v.text.substr(from, end == std::string::npos ? end : end - from).c_str());
        if (end == std::string::npos) break;
        from = end + 1;
      }
      static_cast<ZKMFStringAttribute*>(a)->setValue(list);
      break;
    }
  }
}

std::string sensorName(const ZKComponent* c) {
  const RWCString name = c->getComponentSensor().getName();
  return name.isNull() ? std::string(c->getName().getString()) + "Sensor" : name.str();
}

}  // namespace live
