#include <zkcp/vrml/ComponentSensorWriter.h>

#include <zkcp/component/ZKComponentSensor.h>
#include <zkcp/vrml/VRMLValueWriters.h>

#include <ostream>

namespace {

void writeEnabled(std::ostream& os, const ZKComponentSensor& sensor) {
  os << "\tenabled\t\t" << vrmlBool(sensor.getEnabled()) << std::endl;
}

void writeAutoOffset(std::ostream& os, const ZKComponentSensor& sensor) {
  os << "\tautoOffset\t\t" << vrmlBool(sensor.getAutoOffset()) << std::endl;
}

}  // namespace

std::ostream& operator<<(std::ostream& os, const ZKComponentSensor& sensor) {
  const ZKComponentSensor::SensorType type = sensor.getType();
  if (type == ZKComponentSensor::no_sensor) return os;
  os << "DEF " << sensor.getName() << " ";
  switch (type) {
    case ZKComponentSensor::cylinder_sensor:
      os << "CylinderSensor {" << std::endl;
      os << "\tminAngle\t\t" << static_cast<double>(sensor.getMinAngle()) << std::endl;
      os << "\tmaxAngle\t\t" << static_cast<double>(sensor.getMaxAngle()) << std::endl;
      writeEnabled(os, sensor);
      os << "\tdiskAngle\t\t" << static_cast<double>(sensor.getDiskAngle()) << std::endl;
      os << "\toffset\t\t" << static_cast<double>(sensor.getOffset()) << std::endl;
      writeAutoOffset(os, sensor);
      break;
    case ZKComponentSensor::plane_sensor:
      os << "PlaneSensor {" << std::endl;
      os << "\tminPosition\t\t" << sensor.getMinPosition() << std::endl;
      os << "\tmaxPosition\t\t" << sensor.getMaxPosition() << std::endl;
      writeEnabled(os, sensor);
      os << "\toffset\t\t" << sensor.getVecOffset() << std::endl;
      writeAutoOffset(os, sensor);
      break;
    case ZKComponentSensor::sphere_sensor:
      os << "SphereSensor {" << std::endl;
      writeEnabled(os, sensor);
      os << "\toffset\t\t" << sensor.getRotOffset() << std::endl;
      writeAutoOffset(os, sensor);
      break;
    case ZKComponentSensor::touch_sensor:
      os << "TouchSensor {" << std::endl;
      writeEnabled(os, sensor);
      break;
    case ZKComponentSensor::visibility_sensor:
      os << "VisibilitySensor {" << std::endl;
      os << "\tcenter\t\t" << sensor.getCenter() << std::endl;
      os << "\tsize\t\t" << sensor.getSize() << std::endl;
      writeEnabled(os, sensor);
      break;
    default:
      return os;
  }
  return os << "}" << std::endl;
}
