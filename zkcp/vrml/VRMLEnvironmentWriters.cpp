#include <zkcp/vrml/VRMLEnvironmentWriters.h>

#include <zkcp/vrml/VRMLNodeField.h>
#include <zkcp/vrml/VRMLValueWriters.h>

#include <Inventor/VRMLnodes/SoVRMLDirectionalLight.h>
#include <Inventor/VRMLnodes/SoVRMLFog.h>
#include <Inventor/VRMLnodes/SoVRMLPointLight.h>
#include <Inventor/VRMLnodes/SoVRMLSpotLight.h>

#include <ostream>

namespace {

// The lines every light kind starts with.
void writeLightLines(std::ostream& os, const SoVRMLLight& light) {
  os << "\ton\t\t\t" << vrmlBool(light.on.getValue()) << std::endl;
  os << "\tintensity\t\t" << static_cast<double>(light.intensity.getValue()) << std::endl;
  os << "\tambientIntensity\t" << static_cast<double>(light.ambientIntensity.getValue())
     << std::endl;
  os << "\tcolor\t\t\t" << light.color.getValue() << std::endl;
}

}  // namespace

std::ostream& operator<<(std::ostream& os, const SoVRMLFog& fog) {
  os << "Fog {" << std::endl;
  os << "\tfogType\t\t\t\"" << fog.fogType.getValue().getString() << "\"" << std::endl;
  os << "\tvisibilityRange\t" << static_cast<double>(fog.visibilityRange.getValue()) << std::endl;
  os << "\tcolor\t\t\t" << fog.color.getValue() << std::endl;
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoVRMLDirectionalLight& light) {
  os << "DirectionalLight {" << std::endl;
  writeLightLines(os, light);
  os << "\tdirection\t\t" << light.direction.getValue() << std::endl;
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoVRMLPointLight& light) {
  os << "PointLight {" << std::endl;
  writeLightLines(os, light);
  os << "\tlocation\t\t" << light.location.getValue() << std::endl;
  os << "\tradius\t\t" << static_cast<double>(light.radius.getValue()) << std::endl;
  os << "\tattenuation\t" << light.attenuation.getValue() << std::endl;
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoVRMLSpotLight& light) {
  os << "SpotLight {" << std::endl;
  writeLightLines(os, light);
  os << "\tlocation\t\t" << light.location.getValue() << std::endl;
  os << "\tdirection\t\t" << light.direction.getValue() << std::endl;
  os << "\tbeamWidth\t\t" << static_cast<double>(light.beamWidth.getValue()) << std::endl;
  os << "\tcutOffAngle\t\t" << static_cast<double>(light.cutOffAngle.getValue()) << std::endl;
  os << "\tradius\t\t" << static_cast<double>(light.radius.getValue()) << std::endl;
  os << "\tattenuation\t" << light.attenuation.getValue() << std::endl;
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoVRMLLight& light) {
  if (vrmlIsExactly<SoVRMLDirectionalLight>(light)) {
    return os << static_cast<const SoVRMLDirectionalLight&>(light);
  }
  if (vrmlIsExactly<SoVRMLPointLight>(light)) return os << static_cast<const SoVRMLPointLight&>(light);
  if (vrmlIsExactly<SoVRMLSpotLight>(light)) return os << static_cast<const SoVRMLSpotLight&>(light);
  return os;
}
