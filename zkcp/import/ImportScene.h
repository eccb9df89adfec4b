#ifndef ZKCP_IMPORT_IMPORTSCENE_H
#define ZKCP_IMPORT_IMPORTSCENE_H

#include <Inventor/SbColor.h>
#include <Inventor/SbRotation.h>
#include <Inventor/SbVec2f.h>
#include <Inventor/SbVec3f.h>

#include <cstdint>
#include <string>
#include <vector>

// A model as the format readers hand it to the VRML scene builder: a tree
// of named nodes holding triangle meshes, in the model's own units.

// Triangles sharing one material. Every per-vertex list is empty or holds
// one value per position.
struct ImportPrimitive {
  std::vector<SbVec3f> positions;
  std::vector<SbVec3f> normals;
  std::vector<SbVec2f> texCoords;  // origin at the image's lower left
  std::vector<SbColor> colors;
  std::vector<int32_t> triangles;  // three position indices per triangle
  int material = -1;
};

// A physically based material: base colour, metallic and roughness factors.
struct ImportMaterial {
  std::string name;
  SbColor baseColor{1, 1, 1};
  float opacity = 1;
  SbColor emissive{0, 0, 0};
  float metallic = 1;
  float roughness = 1;
  int image = -1;  // the base colour texture
  bool doubleSided = false;
};

// An image a texture shows: an external file, or bytes held in the model.
// `url` is where the converted geometry names it, relative to itself.
struct ImportImage {
  std::string url;
  std::string file;                  // the external file, when not embedded
  std::vector<unsigned char> bytes;  // the embedded image
};

// A light as the model defines it, placed in its node's coordinates.
struct ImportLight {
  enum Kind { point, directional, spot };
  Kind kind = point;
  SbVec3f location{0, 0, 0};
  SbVec3f direction{0, 0, -1};
  SbColor color{1, 1, 1};
  float intensity = 1;  // on VRML's scale, where 1 is full; may exceed it
  float range = 0;  // 0: unbounded
  float cutOffAngle = 0.785398f;
  float beamWidth = 0.785398f;
};

struct ImportNode {
  std::string name;
  SbVec3f translation{0, 0, 0};
  SbRotation rotation;
  SbVec3f scale{1, 1, 1};
  SbRotation scaleOrientation;
  int mesh = -1;  // index into ImportScene::meshes
  std::vector<int> children;
  int light = -1;
  float cameraFieldOfView = -1;  // the node is a camera when not negative
};

struct ImportScene {
  std::vector<ImportNode> nodes;
  std::vector<int> roots;
  std::vector<std::vector<ImportPrimitive>> meshes;
  std::vector<ImportMaterial> materials;
  std::vector<ImportImage> images;
  std::vector<ImportLight> lights;
};

#endif
