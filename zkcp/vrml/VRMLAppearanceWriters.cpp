#include <zkcp/vrml/VRMLAppearanceWriters.h>

#include <zkcp/vrml/VRMLNodeField.h>
#include <zkcp/vrml/VRMLValueWriters.h>

#include <Inventor/VRMLnodes/SoVRMLAppearance.h>
#include <Inventor/VRMLnodes/SoVRMLImageTexture.h>
#include <Inventor/VRMLnodes/SoVRMLMaterial.h>
#include <Inventor/VRMLnodes/SoVRMLMovieTexture.h>
#include <Inventor/VRMLnodes/SoVRMLPixelTexture.h>
#include <Inventor/VRMLnodes/SoVRMLTextureTransform.h>

#include <ostream>

namespace {

void writeRepeatLines(std::ostream& os, const SoVRMLTexture& texture) {
  if (!texture.repeatS.getValue()) os << "\trepeatS\tFALSE" << std::endl;
  if (!texture.repeatT.getValue()) os << "\trepeatT\tFALSE" << std::endl;
}

// The writer of the texture's exact type; false when there is none.
bool writeTexture(std::ostream& os, const SoNode& node) {
  const SoType type = node.getTypeId();
  if (type == SoVRMLImageTexture::getClassTypeId()) {
    os << static_cast<const SoVRMLImageTexture&>(node);
  } else if (type == SoVRMLMovieTexture::getClassTypeId()) {
    os << static_cast<const SoVRMLMovieTexture&>(node);
  } else if (type == SoVRMLPixelTexture::getClassTypeId()) {
    os << static_cast<const SoVRMLPixelTexture&>(node);
  } else {
    return false;
  }
  return true;
}

}  // namespace

std::ostream& operator<<(std::ostream& os, const SoVRMLAppearance& appearance) {
  os << "Appearance {" << std::endl;
  if (const SoVRMLMaterial* material = vrmlNodeOf<SoVRMLMaterial>(appearance.material)) {
    os << "\t\tmaterial\t" << *material << std::endl;
  }
  if (const SoNode* texture = appearance.texture.getValue()) {
    os << "\t\ttexture\t";
    if (writeTexture(os, *texture)) os << std::endl;
  }
  if (const SoVRMLTextureTransform* transform =
          vrmlNodeOf<SoVRMLTextureTransform>(appearance.textureTransform)) {
    os << "\t\ttextureTransform\t" << *transform << std::endl;
  }
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoVRMLMaterial& material) {
  os << "Material {" << std::endl;
  os << "\tdiffuseColor\t" << material.diffuseColor.getValue() << std::endl;
  os << "\tambientIntensity\t" << static_cast<double>(material.ambientIntensity.getValue())
     << std::endl;
  os << "\tspecularColor\t" << material.specularColor.getValue() << std::endl;
  os << "\temissiveColor\t" << material.emissiveColor.getValue() << std::endl;
  os << "\tshininess\t" << static_cast<double>(material.shininess.getValue()) << std::endl;
  os << "\ttransparency\t" << static_cast<double>(material.transparency.getValue()) << std::endl;
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoVRMLImageTexture& texture) {
  os << "ImageTexture {" << std::endl;
  os << "\turl\t" << texture.url << std::endl;
  writeRepeatLines(os, texture);
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoVRMLMovieTexture& texture) {
  os << "MovieTexture {" << std::endl;
  os << "\turl\t" << texture.url << std::endl;
  if (texture.speed.getValue() != 1) {
    os << "\t\tspeed\t" << static_cast<double>(texture.speed.getValue()) << std::endl;
  }
  if (texture.loop.getValue()) os << "\t\tloop\tTRUE" << std::endl;
  if (texture.startTime.getValue() != SbTime::zero()) {
    os << "\t\tstartTime\t" << vrmlSeconds(texture.startTime.getValue()) << std::endl;
  }
  if (texture.stopTime.getValue() != SbTime::zero()) {
    os << "\t\tstopTime\t" << vrmlSeconds(texture.stopTime.getValue()) << std::endl;
  }
  writeRepeatLines(os, texture);
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoVRMLPixelTexture& texture) {
  os << "PixelTexture {" << std::endl;
  writeRepeatLines(os, texture);
  return os << "}" << std::endl;
}

std::ostream& operator<<(std::ostream& os, const SoVRMLTextureTransform& transform) {
  os << "TextureTransform {" << std::endl;
  os << "\ttranslation\t" << transform.translation.getValue() << std::endl;
  os << "\trotation\t" << static_cast<double>(transform.rotation.getValue()) << std::endl;
  os << "\tscale\t\t" << transform.scale.getValue() << std::endl;
  os << "\tcenter\t\t" << transform.center.getValue() << std::endl;
  return os << "}" << std::endl;
}
