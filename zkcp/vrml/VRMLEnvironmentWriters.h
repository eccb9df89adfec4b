#ifndef ZKCP_VRML_VRMLENVIRONMENTWRITERS_H
#define ZKCP_VRML_VRMLENVIRONMENTWRITERS_H

#include <iosfwd>

class SoVRMLDirectionalLight;
class SoVRMLFog;
class SoVRMLLight;
class SoVRMLPointLight;
class SoVRMLSpotLight;

// VRML 2.0 text of fog and lights; every field of these nodes is written.
std::ostream& operator<<(std::ostream& os, const SoVRMLFog& fog);
std::ostream& operator<<(std::ostream& os, const SoVRMLDirectionalLight& light);
std::ostream& operator<<(std::ostream& os, const SoVRMLPointLight& light);
std::ostream& operator<<(std::ostream& os, const SoVRMLSpotLight& light);
// The writer of the light's exact type (directional, point or spot light);
// nothing for a light of any other type.
std::ostream& operator<<(std::ostream& os, const SoVRMLLight& light);

#endif
