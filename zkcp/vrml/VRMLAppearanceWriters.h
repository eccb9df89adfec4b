#ifndef ZKCP_VRML_VRMLAPPEARANCEWRITERS_H
#define ZKCP_VRML_VRMLAPPEARANCEWRITERS_H

#include <iosfwd>

class SoVRMLAppearance;
class SoVRMLImageTexture;
class SoVRMLMaterial;
class SoVRMLMovieTexture;
class SoVRMLPixelTexture;
class SoVRMLTextureTransform;

// VRML 2.0 text of an Appearance and of the material, texture and texture
// transform nodes it holds. A texture's repeatS and repeatT lines appear
// only when that field is FALSE; a pixel texture's image is not written.
std::ostream& operator<<(std::ostream& os, const SoVRMLAppearance& appearance);
std::ostream& operator<<(std::ostream& os, const SoVRMLMaterial& material);
std::ostream& operator<<(std::ostream& os, const SoVRMLImageTexture& texture);
std::ostream& operator<<(std::ostream& os, const SoVRMLMovieTexture& texture);
std::ostream& operator<<(std::ostream& os, const SoVRMLPixelTexture& texture);
std::ostream& operator<<(std::ostream& os, const SoVRMLTextureTransform& transform);

#endif
