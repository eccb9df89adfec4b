#include <zkcp/import/VRMLSceneWriter.h>

#include <Inventor/VRMLnodes/SoVRMLAppearance.h>
#include <Inventor/VRMLnodes/SoVRMLColor.h>
#include <Inventor/VRMLnodes/SoVRMLCoordinate.h>
#include <Inventor/VRMLnodes/SoVRMLImageTexture.h>
#include <Inventor/VRMLnodes/SoVRMLIndexedFaceSet.h>
#include <Inventor/VRMLnodes/SoVRMLMaterial.h>
#include <Inventor/VRMLnodes/SoVRMLNormal.h>
#include <Inventor/VRMLnodes/SoVRMLShape.h>
#include <Inventor/VRMLnodes/SoVRMLTextureCoordinate.h>
#include <Inventor/VRMLnodes/SoVRMLTransform.h>
#include <Inventor/nodes/SoSeparator.h>

#include <ostream>
#include <string>

namespace {

class Writer {
 public:
  explicit Writer(std::ostream& os) : os(os) {
    os.precision(7);
  }

  void transform(SoVRMLTransform* t) {
    line() << "DEF " << t->getName().getString() << " Transform {\n";
    ++depth;
    if (t->translation.getValue() != SbVec3f(0, 0, 0)) vec(line() << "translation ", t->translation.getValue()) << "\n";
    rotation("rotation", t->rotation.getValue());
    if (t->scale.getValue() != SbVec3f(1, 1, 1)) vec(line() << "scale ", t->scale.getValue()) << "\n";
    rotation("scaleOrientation", t->scaleOrientation.getValue());
    line() << "children [\n";
    ++depth;
    for (int i = 0; i < t->getNumChildren(); ++i) {
      SoNode* child = t->getChild(i);
      if (child->isOfType(SoVRMLShape::getClassTypeId())) shape(static_cast<SoVRMLShape*>(child));
      else if (child->isOfType(SoVRMLTransform::getClassTypeId())) transform(static_cast<SoVRMLTransform*>(child));
    }
    close("]");
    close("}");
  }

 private:
  std::ostream& line() {
    for (int i = 0; i < depth; ++i) os << "  ";
    return os;
  }

  void close(const char* bracket) {
    --depth;
    line() << bracket << "\n";
  }

  std::ostream& vec(std::ostream& out, const SbVec3f& v) { return out << v[0] << " " << v[1] << " " << v[2]; }

  void rotation(const char* name, const SbRotation& r) {
    if (r == SbRotation::identity()) return;
    SbVec3f axis;
    float angle = 0;
    r.getValue(axis, angle);
    vec(line() << name << " ", axis) << " " << angle << "\n";
  }

  template <class Field>
  void list(const char* name, const Field& field, int width) {
    line() << name << " [\n";
    ++depth;
    const int n = field.getNum();
    for (int i = 0; i < n; ++i) {
      if (i % 4 == 0) line();
      const float* values = reinterpret_cast<const float*>(&field[i]);
      for (int k = 0; k < width; ++k) os << (k ? " " : "") << values[k];
      os << (i + 1 < n ? "," : "") << (i % 4 == 3 || i + 1 == n ? "\n" : " ");
    }
    close("]");
  }

  void shape(SoVRMLShape* s) {
    line() << "Shape {\n";
    ++depth;
    if (auto* a = static_cast<SoVRMLAppearance*>(s->appearance.getValue())) appearance(a);
    if (auto* faces = static_cast<SoVRMLIndexedFaceSet*>(s->geometry.getValue())) faceSet(faces);
    close("}");
  }

  void appearance(SoVRMLAppearance* a) {
    line() << "appearance Appearance {\n";
    ++depth;
    if (auto* m = static_cast<SoVRMLMaterial*>(a->material.getValue())) {
      line() << "material Material {\n";
      ++depth;
      vec(line() << "diffuseColor ", m->diffuseColor.getValue()) << "\n";
      vec(line() << "emissiveColor ", m->emissiveColor.getValue()) << "\n";
      vec(line() << "specularColor ", m->specularColor.getValue()) << "\n";
      line() << "ambientIntensity " << m->ambientIntensity.getValue() << "\n";
      line() << "shininess " << m->shininess.getValue() << "\n";
      line() << "transparency " << m->transparency.getValue() << "\n";
      close("}");
    }
    auto* texture = static_cast<SoVRMLImageTexture*>(a->texture.getValue());
    if (texture && texture->url.getNum() > 0) {
      line() << "texture ImageTexture { url \"";
      for (const char* c = texture->url[0].getString(); *c; ++c) {
        if (*c == '"' || *c == '\\') os << '\\';
        os << *c;
      }
      os << "\" }\n";
    }
    close("}");
  }

  void faceSet(SoVRMLIndexedFaceSet* f) {
    line() << "geometry IndexedFaceSet {\n";
    ++depth;
    if (!f->solid.getValue()) line() << "solid FALSE\n";
    if (f->creaseAngle.getValue() != 0) line() << "creaseAngle " << f->creaseAngle.getValue() << "\n";
    if (auto* c = static_cast<SoVRMLCoordinate*>(f->coord.getValue())) {
      line() << "coord Coordinate {\n";
      ++depth;
      list("point", c->point, 3);
      close("}");
    }
    line() << "coordIndex [\n";
    ++depth;
    const int n = f->coordIndex.getNum();
    for (int i = 0; i < n; ++i) {
      if (i == 0 || f->coordIndex[i - 1] == -1) line();
      os << f->coordIndex[i] << (f->coordIndex[i] == -1 ? "\n" : " ");
    }
    close("]");
    if (auto* normal = static_cast<SoVRMLNormal*>(f->normal.getValue())) {
      line() << "normal Normal {\n";
      ++depth;
      list("vector", normal->vector, 3);
      close("}");
    }
    if (auto* t = static_cast<SoVRMLTextureCoordinate*>(f->texCoord.getValue())) {
      line() << "texCoord TextureCoordinate {\n";
      ++depth;
      list("point", t->point, 2);
      close("}");
    }
    if (auto* color = static_cast<SoVRMLColor*>(f->color.getValue())) {
      line() << "color Color {\n";
      ++depth;
      list("color", color->color, 3);
      close("}");
    }
    close("}");
  }

  std::ostream& os;
  int depth = 0;
};

}  // namespace

void writeVrmlScene(std::ostream& os, SoSeparator* scene) {
  os << "#VRML V2.0 utf8\n";
  Writer writer(os);
  for (int i = 0; i < scene->getNumChildren(); ++i)
    if (scene->getChild(i)->isOfType(SoVRMLTransform::getClassTypeId()))
      writer.transform(static_cast<SoVRMLTransform*>(scene->getChild(i)));
}
