#include <zkcp/vrml/ViewpointWriters.h>

#include <zkcp/vrml/VRMLValueWriters.h>
#include <zkcp/world/ZKNavigationPath.h>
#include <zkcp/world/ZKProximitySensor.h>
#include <zkcp/world/ZKViewpoint.h>

#include <ostream>

std::ostream& operator<<(std::ostream& os, const ZKViewpoint& viewpoint) {
  const RWCString name = viewpoint.getName();
  if (!name.isNull()) os << "DEF " << name << " ";
  os << "Viewpoint {" << std::endl;
  os << "\tposition\t\t" << viewpoint.getPosition() << std::endl;
  os << "\torientation\t\t" << viewpoint.getOrientation() << std::endl;
  os << "\tfieldOfView\t\t" << static_cast<double>(viewpoint.getFieldOfView()) << std::endl;
  os << "\tdescription\t\t\"" << viewpoint.getDescription() << "\"" << std::endl;
  os << "\tjump\t\t" << vrmlBool(viewpoint.getJump()) << std::endl;
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const ZKProximitySensor& sensor) {
  if (sensor.getName()[0] != '\0') os << "DEF " << sensor.getName() << " ";
  os << "ProximitySensor {" << std::endl;
  os << "\tcenter\t\t" << sensor.getCenter() << std::endl;
  os << "\tsize\t\t" << sensor.getSize() << std::endl;
  os << "\tenabled\t\t" << vrmlBool(sensor.getEnabled()) << std::endl;
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const ZKPosition& position) {
  os << "Transform {" << std::endl;
  os << "\ttranslation\t\t" << position.getPoint() << std::endl;
  os << "\trotation\t\t" << position.getOrientation() << std::endl;
  return os << "}" << std::endl;
}
