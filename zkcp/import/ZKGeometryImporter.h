#ifndef ZKCP_IMPORT_ZKGEOMETRYIMPORTER_H
#define ZKCP_IMPORT_ZKGEOMETRYIMPORTER_H

#include <zkcp/import/ImportScene.h>

#include <iosfwd>
#include <string>
#include <vector>

class SbString;
class SoSeparator;
class SoVRMLImageTexture;

// Reads a model made by other tools into VRML 97 nodes that a ZKComponent
// takes as ".wrl" geometry: glTF 2.0 (.gltf with external or embedded
// buffers and images, .glb), and OBJ (with its MTL), STL, PLY, COLLADA
// (.dae) and FBX.
//
// Every node of the model becomes a Transform named (DEF'd) after the node,
// so the component makes a part of it; the node tree is kept. A node without
// a name is named after its parent and its place there ("Chair_1"); a name
// that is taken or that VRML cannot carry is changed to a free, valid one,
// and the change is said once on the message stream. Each mesh piece becomes
// a Shape with an IndexedFaceSet carrying the normals, texture coordinates
// and vertex colours the model has.
//
// Materials map as follows (base colour, emission, metallic and roughness
// factors of the model's physically based material):
//   diffuseColor     = base colour
//   transparency     = 1 - base colour alpha (glTF: only in "BLEND" mode)
//   emissiveColor    = emission
//   specularColor    = (0.04 grey blended toward the base colour by metallic)
//                      * (1 - roughness)
//   shininess        = (1 - roughness)^2
//   ambientIntensity = 0.2 * (1 - metallic)
//   solid            = FALSE for a double-sided material, else TRUE
// A material without these factors (OBJ, STL, PLY, COLLADA, FBX as most
// tools write them) counts as metallic 0, with the roughness
// sqrt(2 / (shininess + 2)) from its Phong shininess, or 1 without one.
// A base colour texture becomes an ImageTexture. Images held in the model
// are named after the model's file and the image ("lamp_glb_shade.png",
// with '_' for what a name cannot hold) and are for the caller to write
// beside the converted geometry (getImages()); external ones keep their
// name relative to the model.
//
// Lights and cameras are not put in the scene: getLights() and getCameras()
// give them with their place in the model's coordinates.
class ZKGeometryImporter {
 public:
  struct Light {
    std::string name;  // the node's name as written
    ImportLight light;
    // In the model's coordinates.
    SbVec3f location;
    SbVec3f direction;
  };
  struct Camera {
    std::string name;
    SbVec3f position;
    SbRotation orientation;
    float fieldOfView;
  };

  // Warnings (names changed, pieces left out) go to `messages`.
  explicit ZKGeometryImporter(std::ostream& messages);

  // Whether the file name ends in an extension read here (any case).
  static bool canImport(const std::string& fileName);

  // The scene of `fileName` with one reference for the caller, or null
  // with getError() naming the file and the reason.
  SoSeparator* read(const std::string& fileName);

  // The same for a glTF model held in memory (.glb when `binary`), named
  // `fileName` in messages; external buffers and images are refused.
  SoSeparator* readGltf(const std::string& fileName, const std::vector<unsigned char>& bytes,
                        bool binary);

  // A copy of a scene read here, for one more component, with one reference
  // for the caller. Unlike SoNode::copy() it does not make Coin look for the
  // textures' images, which lie beside the model or are not written yet.
  static SoSeparator* copyScene(SoSeparator* scene);
  // A scene read here as the text of a VRML 97 file.
  static void writeScene(std::ostream& os, SoSeparator* scene);
  // Sets a texture's image name without Coin looking for the image.
  static void setUrlQuietly(SoVRMLImageTexture* texture, const SbString& url);
  // Gives an image of a scene read here another name, in the textures of
  // `scene` too, so that images of two models can lie side by side.
  static void renameImage(SoSeparator* scene, ImportImage& image, const std::string& url);

  const std::string& getError() const { return error; }
  // What the last read found besides the scene.
  const std::vector<ImportImage>& getImages() const { return images; }
  const std::vector<Light>& getLights() const { return lights; }
  const std::vector<Camera>& getCameras() const { return cameras; }

 private:
  SoSeparator* build(const std::string& fileName, ImportScene& scene);
  void clear();

  std::ostream& messages;
  std::string error;
  std::vector<ImportImage> images;
  std::vector<Light> lights;
  std::vector<Camera> cameras;
};

#endif
