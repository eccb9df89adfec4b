#include <zkcp/vrml/RouteWriter.h>

#include <zkcp/component/ZKComponent.h>
#include <zkcp/world/ZKProximitySensor.h>

#include <Inventor/nodes/SoLight.h>

#include <ostream>

std::ostream& operator<<(std::ostream& os, const ZKRoute& route) {
  return os << "ROUTE " << route.getSourcePoint() << " TO " << route.getTargetPoint() << " #0 "
            << route.getName();
}

std::ostream& operator<<(std::ostream& os, const ZKRoute::RoutePoint& point) {
  const char* name = "UNKNOWN-TYPE";
  if (point.point) {
    switch (point.pointType) {
      case ZKRoute::light_point:
        name = static_cast<const SoLight*>(point.point)->getName().getString();
        break;
      case ZKRoute::component_point:
        name = static_cast<const ZKComponent*>(point.point)->getName().getString();
        break;
      case ZKRoute::proximity_sensor_point:
        name = static_cast<const ZKProximitySensor*>(point.point)->getName();
        break;
      default:
        break;
    }
  }
  return os << name << "." << point.event;
}
